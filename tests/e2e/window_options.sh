#!/usr/bin/env bash
# The window program's options: --help and -h print the usage on standard output and exit 0,
# with no display at all; an unknown argument prints its message and the synopsis on standard
# error and exits 2 without opening a window. Skipped when the build has no window program.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

window="$VEXA_BIN_DIR/vexaq4"
if [[ ! -x "$window" ]]; then
    echo "no window program in this build: skipped"
    exit 0
fi

# Runs the window with a hang guard; the status is left in $status.
run() {
    status=0
    timeout 30 "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
    [[ $status -ne 124 ]] || fail "hung: $*"
}

for ask in --help -h "--root $work/r --help"; do
    # shellcheck disable=SC2086  # the options are split on purpose
    run env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$window" $ask
    [[ $status -eq 0 ]] || fail "vexaq4 $ask: exit $status ($(cat "$work/err"))"
    [[ ! -s "$work/err" ]] || fail "vexaq4 $ask wrote to standard error: $(cat "$work/err")"
    head -n 1 "$work/out" | grep -q '^usage: vexaq4 ' || fail "vexaq4 $ask: no usage: $(cat "$work/out")"
done
[[ ! -e "$work/r" ]] || fail "vexaq4 --help made the root folder"

# After Qt's own options the usage is still given.
run env QT_QPA_PLATFORM=offscreen "$window" -platform offscreen --help
[[ $status -eq 0 ]] || fail "vexaq4 -platform offscreen --help: exit $status ($(cat "$work/err"))"
grep -q '^usage: vexaq4 ' "$work/out" || fail "vexaq4 -platform offscreen --help: no usage"

run env QT_QPA_PLATFORM=offscreen "$window" --root "$work/r" --bogus
[[ $status -eq 2 ]] || fail "vexaq4 --bogus: exit $status, expected 2"
grep -qx 'vexaq4: unknown argument: --bogus' "$work/err" || fail "no message: $(cat "$work/err")"
grep -q '^usage: vexaq4 ' "$work/err" || fail "vexaq4 --bogus: no usage: $(cat "$work/err")"
[[ ! -s "$work/out" ]] || fail "vexaq4 --bogus wrote to standard output: $(cat "$work/out")"
echo "vexaq4 answers --help, -h and an unknown argument as it should"
