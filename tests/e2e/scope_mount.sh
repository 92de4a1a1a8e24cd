#!/usr/bin/env bash
# vexaq4-cli scope against vexaq4-cli simulate-mount over a pseudo-terminal, two processes as a
# user would run them: GoTo, moves, a guide pulse and the control box's bytes, each checked on
# the wire through --serial-log; SIGTERM ends the mount, which removes its link.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

link="$work/mount"
log="$work/wire.log"
"$cli" --root "$work/root" simulate-mount --link "$link" >"$work/mount.out" 2>"$work/mount.err" &
mount_pid=$!
trap 'kill "$mount_pid" 2>/dev/null || true; rm -rf "$work"' EXIT

for _ in $(seq 1 200); do
    [[ -L "$link" ]] && break
    kill -0 "$mount_pid" 2>/dev/null || fail "simulate-mount ended: $(cat "$work/mount.err")"
    sleep 0.05
done
[[ -L "$link" ]] || fail "simulate-mount made no link at $link"
grep -qx "link: $link" "$work/mount.out" || fail "simulate-mount printed: $(cat "$work/mount.out")"

scope() {
    "$cli" --root "$work/root" --serial-log "$log" scope --port "$link" "$@"
}
on_wire() {
    grep -qF -- "$1" "$log" || fail "not on the wire: $1"$'\n'"$(cat "$log")"
}

# ---- catalogue GoTo: the sequence, the mount's answers and what the command prints ----
scope goto --messier 110 >"$work/goto.out" 2>"$work/goto.err" || fail "goto: $(cat "$work/goto.err")"
grep -qx 'info: M110 RA 00:40 DEC +41\*41        #' "$work/goto.out" ||
    fail "goto printed: $(cat "$work/goto.out")"
grep -qx 'reply: 0' "$work/goto.out" || fail "goto reply: $(cat "$work/goto.out")"
on_wire 'settings "COM1:9600,n,8,1"'
on_wire 'out "#:LM 0110#"'
on_wire 'out "#:MS#"'
on_wire 'in "M110 RA 00:40 DEC +41*41        #"'
on_wire 'in "0"'

# ---- co-ordinate GoTo: both values answered '1' before the slew ----
scope goto --ra 5:35 --dec -5:30 >"$work/coord.out" || fail "co-ordinate goto failed"
grep -qx 'info: Co-ordinates RA 05:35 DEC -05\*30#' "$work/coord.out" ||
    fail "co-ordinate goto printed: $(cat "$work/coord.out")"
on_wire 'out "#:Sr 05:35.0"'
on_wire 'out "#:Sd -05*30"'

# ---- a manual move and a guide pulse ----
scope move e --ms 100 || fail "move failed"
on_wire 'out "#:Me#"'
on_wire 'out "#:Qw#"'
scope pulse n --ms 50 || fail "pulse failed"
on_wire 'out "#:RG#"'
on_wire 'out "#:Mn#"'
on_wire 'out "#:Qn#"'

# ---- the control box on the same line at 300 baud ----
scope --type box move w --ms 50 || fail "control-box move failed"
on_wire 'settings "COM1:300,n,8,1"'
on_wire 'out "\x08"'
on_wire 'out "\x18"'

# ---- SIGTERM ends the mount cleanly and takes its link away ----
kill -TERM "$mount_pid"
wait "$mount_pid" || fail "simulate-mount exited $? on SIGTERM"
[[ ! -e "$link" && ! -L "$link" ]] || fail "the link is still there"
scope info 2>"$work/gone.err" && fail "scope worked with no mount"
grep -q "Sorry. No Connection to Telescope" "$work/gone.err" || fail "no message: $(cat "$work/gone.err")"
echo "scope_mount: ok"
