#!/usr/bin/env bash
# vexaq4-cli capture --autosave on the simulated camera, as programs run: two captures into one
# root at once save every frame in a file of its own; a save past the file-size limit, onto a
# full disk or into a read-only root (memory file systems mounted here, root only) exits 1
# with the catalogue message and the system's reason, and leaves no file behind.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

mounts=()
trap 'for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || true; done; rm -rf "$work"' EXIT
capture() { # ROOT [PREFIX...]: status in $status, messages in $work/err
    local root=$1
    shift
    status=0
    "$@" "$cli" --root "$root" capture --simulator --exposure 5 h --binned --autosave \
        >"$work/out" 2>"$work/err" </dev/null || status=$?
}
expect_failure() { # ROOT REASON [PREFIX...]
    capture "$1" "${@:3}"
    [[ $status -eq 1 ]] || fail "$2: exit $status"
    grep -qx "VEXA_Q4_USB: Unable to create file, check disk space" "$work/err" &&
        grep -qx "$2" "$work/err" || fail "$2: $(cat "$work/err")"
    [[ -z "$(find "$1" -iname 'img*' -o -name '.*.tmp')" ]] || fail "$2: a file was left"
}

root="$work/root"
for n in 1 2; do
    "$cli" --root "$root" capture --simulator --exposure 5 h --binned --autosave --continuous \
        --count 3 >"$work/out$n" 2>"$work/err$n" </dev/null &
    eval "program$n=$!"
done
wait "$program1" && wait "$program2" || fail "a capture failed: $(cat "$work/err1" "$work/err2")"
names=$(sed -n 's/^saved: //p' "$work/out1" "$work/out2" | sort -u)
[[ $(wc -l <<<"$names") -eq 6 && $(find "$root/autosave" -name 'IMG*.FIT' | wc -l) -eq 6 ]] ||
    fail "six frames saved as: $names"

mkdir "$work/limited"
expect_failure "$work/limited" "File too large" prlimit --fsize=100000

if [[ $(id -u) -ne 0 ]] || ! mkdir "$work/full" ||
    ! mount -t tmpfs -o size=1m tmpfs "$work/full" 2>/dev/null; then
    echo "cli autosave: no memory file system here, full and read-only roots skipped"
else
    mounts+=("$work/full")
    mkdir -p "$work/full/autosave" && cp "$root/autosave/Vexa_Q4.ini" "$work/full/autosave/"
    head -c 600000 /dev/zero >"$work/full/filler"
    expect_failure "$work/full" "No space left on device"
    mount -o remount,ro "$work/full"
    expect_failure "$work/full" "Read-only file system"
fi
echo "cli autosave: ok"
