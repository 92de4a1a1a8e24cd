#!/usr/bin/env bash
# vexaq4-cli capture --autosave end to end on the simulated camera: an autosave never replaces
# a file (one already there, one in other letter case, the numbers of a deleted settings
# file, two programs saving into one root at once), and each frame report names the file
# written; a failed autosave or sum exits 1 with the system's reason; info prints the control
# bytes of a file's texts escaped. As root, a full and a read-only root (small memory file
# systems mounted here) are tried too.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

mounts=()
cleanup() {
    for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

root="$work/root"
folder="$root/autosave"
capture() {
    status=0
    "$cli" --root "$@" capture --simulator --exposure 5 h --binned --autosave \
        >"$work/out" 2>"$work/err" </dev/null || status=$?
}
saved() { sed -n 's/^saved: //p' "$work/out"; }

# ---- numbers already taken are passed over, and nothing is replaced ----
mkdir -p "$folder"
printf 'first' >"$folder/IMG1.FIT"
printf 'third' >"$folder/img3.fit"
capture "$root"
[[ $status -eq 0 ]] || fail "capture exited $status: $(cat "$work/err")"
[[ "$(saved)" == "$folder/IMG2.FIT" ]] || fail "first save: $(cat "$work/out")"
capture "$root"
[[ "$(saved)" == "$folder/IMG4.FIT" ]] || fail "save past img3.fit: $(cat "$work/out")"
[[ "$(cat "$folder/IMG1.FIT")" == first && "$(cat "$folder/img3.fit")" == third ]] ||
    fail "a file already there was replaced"

# The settings file deleted, as the missing-settings message invites: no number restarts.
rm "$folder/Vexa_Q4.ini"
capture "$root"
[[ $status -eq 0 ]] || fail "capture without settings exited $status: $(cat "$work/err")"
grep -q "No INI file found" "$work/err" || fail "no settings warning: $(cat "$work/err")"
[[ "$(saved)" == "$folder/IMG5.FIT" ]] || fail "save after the settings went: $(cat "$work/out")"
[[ "$(cat "$folder/IMG1.FIT")" == first ]] || fail "IMG1.FIT was replaced"

# ---- two programs saving into one root at once: six frames, six files ----
programs=()
for n in 1 2; do
    "$cli" --root "$root" capture --simulator --exposure 5 h --binned --autosave --continuous \
        --count 3 >"$work/out$n" 2>"$work/err$n" </dev/null &
    programs+=($!)
done
for n in 1 2; do
    wait "${programs[n - 1]}" || fail "program $n exited $?: $(cat "$work/err$n")"
done
sed -n 's/^saved: //p' "$work/out1" "$work/out2" | sort -u >"$work/names"
[[ $(wc -l <"$work/names") -eq 6 ]] || fail "six frames, saved as: $(cat "$work/names")"
while read -r name; do
    [[ $(stat -c %s "$name") -eq 677660 ]] || fail "$name is not a whole frame"
done <"$work/names"
[[ $(find "$folder" -iname 'img*.fit' | wc -l) -eq 11 ]] ||
    fail "files in the folder: $(ls "$folder")"
[[ -z "$(find "$folder" -name '.*.tmp')" ]] || fail "temporary files left: $(ls -a "$folder")"

# ---- failures exit 1 and say why ----
status=0
prlimit --fsize=100000 "$cli" --root "$root" capture --simulator --exposure 5 h --binned \
    --autosave >"$work/out" 2>"$work/err" </dev/null || status=$?
[[ $status -eq 1 ]] || fail "capture past the file-size limit exited $status"
grep -q "^File too large$" "$work/err" || fail "no reason for the failed save: $(cat "$work/err")"
grep -q "^VEXA_Q4_USB: Unable to create file, check disk space$" "$work/err" ||
    fail "no catalogue message: $(cat "$work/err")"
[[ -z "$(saved)" ]] || fail "a failed save was reported as saved"

status=0
"$cli" --root "$root" capture --simulator --exposure 5 h --count 3 --star 3,3 \
    >"$work/out" 2>"$work/err" </dev/null || status=$?
[[ $status -eq 1 ]] || fail "a sum that fell back exited $status"
grep -q "Cannot find suitable guide star" "$work/err" || fail "sum message: $(cat "$work/err")"
status=0
"$cli" --root "$root" capture --simulator --exposure 5 h --count 3 \
    >"$work/out" 2>"$work/err" </dev/null || status=$?
[[ $status -eq 0 ]] && ! grep -qi "centre\|star" "$work/err" ||
    fail "a sum without a star picked exited $status: $(cat "$work/err")"

# ---- info: texts from a file cannot drive the terminal ----
"$cli" --root "$root" convert "$folder/IMG2.FIT" "$work/texts.fit" --to fits ||
    fail "convert exited $?"
/usr/bin/python3 - "$work/texts.fit" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
at = data.index(b"OBJECT  = '") + 11
data[at:at + 9] = b"M1\x1b[2J\x07' "
open(path, "wb").write(bytes(data))
PY
"$cli" --root "$root" info "$work/texts.fit" >"$work/out" 2>"$work/err" || fail "info exited $?"
grep -qF 'fitsObject: M1\x1b[2J\x07' "$work/out" || fail "object text: $(grep fitsObject "$work/out")"
! grep -q $'\x1b' "$work/out" || fail "info printed a raw escape byte"

# ---- a full and a read-only root: small memory file systems, root only ----
if [[ $(id -u) -ne 0 ]]; then
    echo "cli autosave: not root, full and read-only roots skipped"
elif ! mkdir "$work/full" || ! mount -t tmpfs -o size=1m tmpfs "$work/full" 2>/dev/null; then
    echo "cli autosave: cannot mount a memory file system here, full and read-only roots skipped"
else
    mounts+=("$work/full")
    mkdir -p "$work/full/autosave"
    cp "$folder/Vexa_Q4.ini" "$work/full/autosave/"
    head -c 600000 /dev/zero >"$work/full/filler" 2>/dev/null || true
    capture "$work/full"
    [[ $status -eq 1 ]] || fail "capture onto a full disk exited $status"
    grep -q "^No space left on device$" "$work/err" || fail "full disk: $(cat "$work/err")"
    [[ -z "$(find "$work/full/autosave" -iname 'img*')" ]] || fail "a partial frame was left"

    mkdir "$work/ro"
    mount -t tmpfs -o size=4m tmpfs "$work/ro"
    mounts+=("$work/ro")
    mkdir -p "$work/ro/autosave"
    cp "$folder/Vexa_Q4.ini" "$work/ro/autosave/"
    mount -o remount,ro "$work/ro"
    capture "$work/ro"
    [[ $status -eq 1 ]] || fail "capture onto a read-only root exited $status"
    grep -q "^Read-only file system$" "$work/err" || fail "read-only root: $(cat "$work/err")"
fi
echo "cli autosave: ok"
