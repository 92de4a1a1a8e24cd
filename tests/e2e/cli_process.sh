#!/usr/bin/env bash
# vexaq4-cli process end to end: an image and a dark made here, run through a chain of
# operations by the real binary from relative names, and the result compared sample by sample
# with the arithmetic computed here independently. A reference of the wrong size must fail
# without touching the output file.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

mkdir -p "$work/root" "$work/night/darks"
cd "$work/night"

/usr/bin/python3 - <<'PY'
from array import array
import random

random.seed(7)
width, height = 1300, 1030
image = array("H", (random.randrange(0, 65536) for _ in range(width * height)))
dark = array("H", (random.randrange(0, 3000) for _ in range(width * height)))
image.tofile(open("in.tq", "wb"))
dark.tofile(open("darks/dark.tq", "wb"))
array("H", [9] * (650 * 515)).tofile(open("darks/half.tq", "wb"))
PY

"$cli" --root "$work/root" process in.tq out.tq --dark darks/dark.tq --invert --mirror \
    >"$work/stdout" 2>"$work/stderr" || fail "process exited $?: $(cat "$work/stderr")"
[[ ! -s "$work/stderr" ]] || fail "unexpected messages: $(cat "$work/stderr")"
[[ "$(cat "$work/stdout")" == $'history:\n  Dark Frame Subtracted\n  Invert Image to Negative' ]] ||
    fail "history listing: $(cat "$work/stdout")"

/usr/bin/python3 - <<'PY' || fail "samples differ from the independent computation"
from array import array
import sys

width, height = 1300, 1030
def load(name):
    samples = array("H")
    samples.frombytes(open(name, "rb").read())
    return samples

image, dark, result = load("in.tq"), load("darks/dark.tq"), load("out.tq")
if len(result) != width * height:
    sys.exit("out.tq has %d samples" % len(result))
for row in range(height):
    base = row * width
    for column in range(width):
        v = image[base + column]
        d = dark[base + column]
        subtracted = v - d if d < v else 0
        inverted = 2 * (32767 - (subtracted >> 1))
        got = result[base + width - 1 - column]
        if got != inverted:
            sys.exit("row %d column %d: %d, expected %d" % (row, column, got, inverted))
PY

# A Half dark on a Full image: refused, and the older output stays as it was.
cp out.tq kept.tq
if "$cli" --root "$work/root" process in.tq out.tq --invert --dark darks/half.tq \
    >"$work/stdout" 2>"$work/stderr"; then
    fail "a Half dark on a Full image succeeded"
fi
grep -q "vexaq4-cli process: --dark did not complete; out.tq was not written" "$work/stderr" ||
    fail "no failure line: $(cat "$work/stderr")"
cmp -s out.tq kept.tq || fail "out.tq was changed"

# A usage error exits 2.
status=0
"$cli" --root "$work/root" process in.tq out.tq --median 4,5 2>/dev/null || status=$?
[[ $status -eq 2 ]] || fail "bad median radius exited $status"
echo "cli process: ok"
