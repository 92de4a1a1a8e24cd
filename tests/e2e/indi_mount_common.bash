# What the INDI mount scripts share: a skip when indiserver is not installed, a free port, an
# indiserver of their own (its own local socket and configuration in the scratch folder, ended
# on exit), reads of its properties, and every command under a time limit.
if ! command -v indiserver >/dev/null || ! command -v indi_getprop >/dev/null; then
    echo "skipped: indiserver is not installed (scripts/install-deps installs indi-bin)"
    exit 0
fi

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# run_limited SECONDS COMMAND...: the command, killed when it overruns.
run_limited() {
    local limit=$1
    shift
    timeout --kill-after=5 "$limit" "$@"
}

server_pid=""
stop_indiserver() {
    if [[ -n "$server_pid" ]]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=""
    fi
}
trap 'stop_indiserver; rm -rf "$work"' EXIT

# start_indiserver DRIVER...: the server on a free port ($port), answering within 10 s.
start_indiserver() {
    port=$(free_port)
    INDICONFIG="$work/indi-config.xml" indiserver -v -r 0 -p "$port" -u "$work/indi.sock" "$@" \
        >"$work/indiserver.log" 2>&1 &
    server_pid=$!
    for _ in $(seq 1 100); do
        indi_getprop -p "$port" -t 1 >/dev/null 2>&1 && return 0
        kill -0 "$server_pid" 2>/dev/null || fail "indiserver ended: $(cat "$work/indiserver.log")"
        sleep 0.1
    done
    fail "indiserver did not answer on port $port: $(cat "$work/indiserver.log")"
}

# prop DEVICE.PROPERTY.ELEMENT: its value.
prop() {
    indi_getprop -1 -p "$port" -t 5 "$1" || fail "no value for $1"
}
