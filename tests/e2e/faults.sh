#!/usr/bin/env bash
# vexaq4-cli under faults: special files (named pipe, folder, /dev/zero, symbolic links) in
# place of inputs and of the settings file, long and non-UTF-8 names, a file-size limit, and,
# when run as root, a full file system and a read-only root folder (small memory file systems
# mounted here). After each run every older file must be intact and no temporary file left.
# A run that hangs is ended by `timeout` and counts as a failure.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

guard=60  # seconds before a hung run is ended; no run here needs more than a fraction of it
mounts=()
cleanup() {
    for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Runs the program with a hang guard; the status is left in $status, the messages in $work/err.
run() {
    status=0
    timeout "$guard" "$cli" "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
    [[ $status -ne 124 ]] || fail "hung: vexaq4-cli $*"
}
expect_status() {
    [[ $status -eq $1 ]] || fail "$2: exit $status, expected $1 ($(head -c 300 "$work/err"))"
}
no_temporaries() {
    local left
    left=$(find "$work" -name '.*.vexa-*.tmp' -print -quit)
    [[ -z "$left" ]] || fail "$1: temporary left behind: $left"
}
same() { cmp -s "$1" "$2" || fail "$3: $1 changed"; }

root="$work/root"
mkdir -p "$root" "$work/data"
cd "$work/data"

# A Half image with samples over the whole range, and the same as FITS.
/usr/bin/python3 -c '
from array import array
array("H", ((i * 2654435761) >> 7 & 0xFFFF for i in range(650 * 515))).tofile(open("in.tq", "wb"))'
run --root "$root" convert in.tq in.fit --to fits
expect_status 0 "making the FITS input"
settings="$root/autosave/Vexa_Q4.ini"
[[ -f "$settings" ]] || fail "no settings file after the first run"

# ---- special files in place of an input ----
mkfifo pipe
mkdir folder
ln -s /dev/zero zero-link
ln -s nowhere dangling
for input in pipe folder /dev/zero zero-link dangling; do
    run --root "$root" convert "$input" out.tq --to tq
    expect_status 1 "convert from $input"
    grep -q "You didn't choose a valid TQ or suitable FITs File" "$work/err" ||
        fail "convert from $input: no message"
    run --root "$root" info "$input"
    expect_status 1 "info $input"
    run --root "$root" process in.tq out.tq --dark "$input" --invert
    expect_status 1 "dark frame $input"
    [[ ! -e out.tq ]] || fail "an output was written after a failed input ($input)"
done
[[ -p pipe && -d folder && -L zero-link && -L dangling ]] || fail "a special input was changed"

# ---- special files in place of the settings file ----
cp "$settings" "$work/settings.kept"
for kind in pipe folder zero; do
    rm -rf "$settings"
    case $kind in
        pipe) mkfifo "$settings" ;;
        folder) mkdir "$settings" ;;
        zero) ln -s /dev/zero "$settings" ;;
    esac
    run --root "$root" settings
    expect_status 1 "settings with a $kind in its place"
    run --root "$root" settings --set telescopeType=l
    expect_status 1 "settings --set with a $kind in its place"
    run --root "$root" info in.tq
    expect_status 0 "info with a $kind as the settings file"
    case $kind in
        pipe) [[ -p "$settings" ]] ;;
        folder) [[ -d "$settings" ]] ;;
        zero) [[ -L "$settings" && "$(readlink "$settings")" == /dev/zero ]] ;;
    esac || fail "the $kind in the settings file's place was replaced"
done
[[ -c /dev/zero ]] || fail "/dev/zero is no longer a device"
rm -rf "$settings"
cp "$work/settings.kept" "$settings"
no_temporaries "special settings files"

# ---- symbolic links as outputs and as the settings file ----
mkdir store
printf old >store/target.fit
ln -s store/target.fit link.fit
run --root "$root" convert in.tq link.fit --to fits
expect_status 0 "convert to a link"
[[ -L link.fit ]] || fail "the output link was replaced by a file"
[[ $(stat -c %s store/target.fit) -eq 677660 ]] || fail "the link's target was not written"
mv "$settings" "$work/real.ini"
ln -s "$work/real.ini" "$settings"
run --root "$root" settings --set fitsObject=Linked
expect_status 0 "settings through a link"
[[ -L "$settings" ]] || fail "the settings link was replaced by a file"
[[ "$(dd if="$work/real.ini" bs=1 skip=56 count=6 status=none)" == Linked ]] ||
    fail "the settings link's target was not written"
no_temporaries "links"

# ---- long and non-UTF-8 names ----
long=$(printf 'L%.0s' {1..255})
for format in tq fits fits8 tiff bmp; do
    run --root "$root" convert in.tq "$long" --to "$format"
    expect_status 0 "convert --to $format to a 255-byte name"
    [[ -s "$long" ]] || fail "no $format file under a 255-byte name"
    run --root "$root" convert in.tq "$long" --to "$format"
    expect_status 0 "replacing a $format file of a 255-byte name"
    rm -f "$long"
done
run --root "$root" convert in.tq "${long}X" --to tq
expect_status 1 "a 256-byte name"
odd=$'caf\xe9-\xff\xfe.fit'
cp in.fit "$odd"
run --root "$root" process "$odd" "$odd" --invert
expect_status 0 "process on a non-UTF-8 name"
run --root "$root" info "$odd"
expect_status 0 "info on a non-UTF-8 name"
rm -f "$odd"
no_temporaries "long names"

# ---- a file-size limit: the write fails, the older file stays, nothing is left ----
for format in tq fits fits8 tiff bmp; do
    printf 'older contents' >old.out
    cp old.out "$work/old.copy"
    status=0
    timeout "$guard" prlimit --fsize=65536 "$cli" --root "$root" convert in.tq old.out \
        --to "$format" >"$work/out" 2>"$work/err" || status=$?
    expect_status 1 "convert --to $format past the file-size limit"
    grep -q "Unable to create" "$work/err" ||
        fail "no message for the failed $format write"
    same old.out "$work/old.copy" "convert --to $format past the limit"
done
cp "$settings" "$work/settings.kept"
status=0
timeout "$guard" prlimit --fsize=1000 "$cli" --root "$root" settings --set telescopeType=b \
    >"$work/out" 2>"$work/err" || status=$?
expect_status 1 "settings --set past the file-size limit"
same "$settings" "$work/settings.kept" "settings past the limit"
no_temporaries "file-size limit"

# ---- a full file system and a read-only root: small memory file systems, root only ----
if [[ $(id -u) -ne 0 ]]; then
    echo "faults: not root, full and read-only file systems skipped"
elif ! mkdir "$work/full" || ! mount -t tmpfs -o size=1m tmpfs "$work/full" 2>/dev/null; then
    echo "faults: cannot mount a memory file system here, full and read-only cases skipped"
else
    mounts+=("$work/full")
    # The older output fills most of the space; its replacement cannot fit beside it.
    head -c 800000 /dev/urandom >"$work/full/old.fit"
    cp "$work/full/old.fit" "$work/old.copy"
    for format in fits tq tiff; do
        run --root "$root" convert in.tq "$work/full/old.fit" --to "$format"
        expect_status 1 "convert --to $format on a full disk"
        same "$work/full/old.fit" "$work/old.copy" "convert --to $format on a full disk"
    done
    # A root folder that is full: a command-line run does not need it for its output.
    mkdir -p "$work/full/root/autosave"
    cp "$settings" "$work/full/root/autosave/"
    head -c 2000000 /dev/zero >"$work/full/filler" 2>/dev/null || true
    run --root "$work/full/root" process in.tq out.tq --invert
    expect_status 0 "process with a full root folder"
    [[ $(stat -c %s out.tq) -eq 669500 ]] || fail "process did not write its output"
    run --root "$work/full/root" settings --set telescopeType=l
    expect_status 1 "settings --set on a full disk"
    same "$work/full/root/autosave/Vexa_Q4.ini" "$settings" "settings on a full disk"
    no_temporaries "full disk"

    mkdir "$work/ro"
    mount -t tmpfs -o size=4m tmpfs "$work/ro"
    mounts+=("$work/ro")
    mkdir -p "$work/ro/autosave"
    cp "$settings" "$work/ro/autosave/"
    mount -o remount,ro "$work/ro"
    rm -f out.tq
    run --root "$work/ro" process in.tq out.tq --invert --mirror
    expect_status 0 "process with a read-only root"
    [[ $(stat -c %s out.tq) -eq 669500 ]] || fail "process did not write its output"
    run --root "$work/ro" settings --set telescopeType=l
    expect_status 1 "settings --set on a read-only root"
    same "$work/ro/autosave/Vexa_Q4.ini" "$settings" "settings on a read-only root"
    run --root "$work/ro" convert in.tq "$work/ro/new.fit" --to fits
    expect_status 1 "convert into a read-only folder"
fi

echo "faults: all checks passed"
