#!/usr/bin/env bash
# vexaq4-cli capture end to end on the simulated camera: three continuous frames autosaved as
# FITS files that astropy reads, each a 1300 x 1030 frame with the sky at the simulated bias
# and the field's brightest star within 40 px of the middle of the sensor, where the simulated
# sky puts it, at the same place in every frame; the USB log records every operation. Focus
# mode prints its peak and half-flux diameter, and without a camera capture fails cleanly.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

root="$work/root"
"$cli" --root "$root" --usb-log "$work/usb.log" capture --simulator --exposure 20 h --autosave \
    --continuous --count 3 >"$work/stdout" 2>"$work/stderr" ||
    fail "capture exited $?: $(cat "$work/stderr")"
expected=""
for n in 1 2 3; do
    expected+="frame: $n"$'\n'"saved: $root/autosave/IMG$n.FIT"$'\n'
done
[[ "$(cat "$work/stdout")"$'\n' == "$expected" ]] || fail "frame listing: $(cat "$work/stdout")"
grep -q "Camera Found, Hid =    101, BlockIO =    102" "$work/stderr" ||
    fail "no camera report: $(cat "$work/stderr")"

/usr/bin/python3 - "$root/autosave" <<'PY' || fail "the autosaved frames are not what the sky holds"
import sys
import warnings
import numpy as np
from astropy.io import fits

warnings.simplefilter("ignore")  # the program's files carry padding astropy remarks on

folder = sys.argv[1]
places = []
for n in (1, 2, 3):
    with fits.open("%s/IMG%d.FIT" % (folder, n)) as hdul:
        header = hdul[0].header
        data = hdul[0].data.astype(np.float64)
    if data.shape != (1030, 1300):
        sys.exit("IMG%d.FIT has shape %s" % (n, data.shape))
    if header["EXPTIME"] != 0.2:
        sys.exit("IMG%d.FIT EXPTIME %s" % (n, header["EXPTIME"]))
    sky = np.median(data)
    if not 990 < sky < 1030:  # bias 1000 and a little sky glow and dark current
        sys.exit("IMG%d.FIT background %.1f" % (n, sky))
    image = data  # the program writes the camera's row 0 first
    # The brightest star: the 3 x 3 box with the largest sum.
    boxes = sum(np.roll(np.roll(image, dy, 0), dx, 1) for dy in (-1, 0, 1) for dx in (-1, 0, 1))
    row, column = np.unravel_index(np.argmax(boxes[2:-2, 2:-2]), boxes[2:-2, 2:-2].shape)
    row, column = row + 2, column + 2
    if abs(column - 650) > 42 or abs(row - 515) > 42:
        sys.exit("IMG%d.FIT brightest star at column %d row %d" % (n, column, row))
    if image[row, column] < sky + 500:
        sys.exit("IMG%d.FIT star peak only %.0f" % (n, image[row, column]))
    places.append((row, column))
if max(abs(r - places[0][0]) + abs(c - places[0][1]) for r, c in places) > 2:
    sys.exit("the star moved between frames: %s" % places)
PY

# One command, one transfer: three reads, each of a whole full frame, and every report the
# 9 bytes of a command.
[[ "$(grep -c ' bulk-in 2914560 2914560 ok$' "$work/usb.log")" == 3 ]] ||
    fail "bulk reads: $(grep bulk-in "$work/usb.log")"
if grep ' hid-out' "$work/usb.log" | grep -qvE '^[0-9]+ hid-out( [0-9a-f]{2}){9}$'; then
    fail "malformed report line: $(grep ' hid-out' "$work/usb.log" | head -3)"
fi

"$cli" --root "$root" focus --simulator --exposure 1 t --frames 2 >"$work/stdout" 2>"$work/stderr" ||
    fail "focus exited $?: $(cat "$work/stderr")"
grep -qzE '^peak: [0-9]+
hfd: [0-9]+\.[0-9]
peak: [0-9]+
hfd: [0-9]+\.[0-9]
$' "$work/stdout" || fail "focus output: $(cat "$work/stdout")"

# A camera id that no attached device has: the USB camera is not found.
status=0
"$cli" --root "$root" --camera f51a:dead capture --exposure 1 h >"$work/stdout" 2>"$work/stderr" ||
    status=$?
[[ $status == 1 ]] || fail "capture without a camera exited $status"
grep -q "Sorry, No camera found on USB" "$work/stderr" || fail "no-camera message: $(cat "$work/stderr")"
[[ ! -s "$work/stdout" ]] || fail "frames without a camera: $(cat "$work/stdout")"
echo "cli capture: ok"
