#!/usr/bin/env bash
# vexaq4-cli guide on the simulated camera and mount: the star picked, the guider trained to
# the rates the simulated mount moves at, ten guide frames with their figures, the RMS lines,
# and the settings file holding the training results but the user's own telescope type.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

"$cli" --root "$work/root" guide --simulator --train --frames 10 >"$work/guide.out" 2>"$work/guide.err" ||
    fail "guide: $(cat "$work/guide.err")"

grep -qE '^star: [0-9]+,[0-9]+$' "$work/guide.out" || fail "no star line: $(cat "$work/guide.out")"
# The pulses are timed on the real clock: a busy machine may stretch one by a few ms, so the
# rates may come out a pixel either side of the mount's 2, and a backlash of a pixel appear.
grep -qxE 'training: slewx = [123], slewy = [123], backlashx = [01], backlashy = [01]' \
    "$work/guide.out" || fail "training: $(cat "$work/guide.out")"
frames=$(grep -cE '^x: [0-9]+\.[0-9] y: [0-9]+\.[0-9] dx: -?[0-9]+\.[0-9] dy: -?[0-9]+\.[0-9]$' "$work/guide.out")
[[ "$frames" -eq 10 ]] || fail "expected 10 frame lines, got $frames: $(cat "$work/guide.out")"
for key in rmsX rmsY rmsTotal; do
    value=$(sed -n "s/^$key: \([0-9]*\.[0-9][0-9]\)$/\1/p" "$work/guide.out")
    [[ -n "$value" ]] || fail "no $key line: $(cat "$work/guide.out")"
    awk -v v="$value" 'BEGIN { exit !(v < 1.5) }' || fail "$key $value: the star wandered"
done
grep -qx 'VEXA_Q4_USB: AutoGuiding Terminated' "$work/guide.err" ||
    fail "no end message: $(cat "$work/guide.err")"

settings=$("$cli" --root "$work/root" settings)
rate=$(sed -n 's/^training: slewx = \([0-9]*\),.*/\1/p' "$work/guide.out")
grep -qx "raPixelsPerSecond: $rate" <<<"$settings" || fail "rates not saved: $settings"
grep -qx 'telescopeType: n' <<<"$settings" || fail "the type changed: $settings"

# Training on an axis the mount does not move (its 19 ms offset leaves no Dec pulse to send) fails
# with the program's message and exit 1, and leaves the saved rates and the file as they were.
"$cli" --root "$work/root" settings --set decHysteresis=19 --set raPixelsPerSecond=5 \
    --set decPixelsPerSecond=4 >/dev/null
cp "$work/root/autosave/Vexa_Q4.ini" "$work/before.ini"
if "$cli" --root "$work/root" guide --simulator --train --frames 1 >"$work/still.out" \
    2>"$work/still.err"; then
    fail "training that saw no motion succeeded: $(cat "$work/still.out")"
fi
grep -q 'less than one pixel north-south (Dec)\.$' "$work/still.err" &&
    grep -q '^The mount did not move the star' "$work/still.err" ||
    fail "no training message: $(cat "$work/still.err")"
if grep -q '^training:' "$work/still.out"; then fail "a result was printed: $(cat "$work/still.out")"; fi
cmp -s "$work/root/autosave/Vexa_Q4.ini" "$work/before.ini" || fail "the settings file changed"

# A usage error.
if "$cli" --root "$work/root" guide --frames 0 2>/dev/null; then fail "--frames 0 accepted"; fi
echo "cli_guide: ok"
