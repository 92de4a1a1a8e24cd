#!/usr/bin/env bash
# Standard FITS images written by astropy, as other programs write them, read by vexaq4-cli:
# `info` reports them as FITS with their header values, and `convert --to tq` gives back the
# samples astropy stored (scaled, rounded to the nearest integer, clamped, NaN as 0). A file
# of another size is refused with the program's message.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

mkdir -p "$work/root"
cd "$work"

/usr/bin/python3 - <<'PY'
import warnings
import numpy as np
from astropy.io import fits

rng = np.random.default_rng(11)
full, half = (1030, 1300), (515, 650)

def expected(values):
    """The samples the program should load: nearest integer, halves up, clamped, NaN as 0."""
    v = np.nan_to_num(np.asarray(values, dtype=np.float64), nan=0.0, posinf=65535.0,
                      neginf=0.0)
    return np.clip(np.floor(v + 0.5), 0, 65535).astype("<u2")

def save(name, hdul):
    hdul.writeto(name, overwrite=True)
    with fits.open(name) as back:  # what astropy itself reads back
        hdu = next(h for h in back if h.data is not None)
        expected(hdu.data).tofile(name + ".expected")

header = fits.Header()
header["OBJECT"] = "M 27"
header["TELESCOP"] = "Newton 200"
header["DATE-OBS"] = "2023-08-14T22:10:05.5"
header["EXPTIME"] = 60.0
header.add_history("Calibrated in another program")
save("u16.fits", fits.HDUList([fits.PrimaryHDU(
    rng.integers(0, 65536, half, dtype=np.uint16), header=header)]))

u8 = rng.integers(0, 256, full, dtype=np.uint8)
save("u8.fits", fits.HDUList([fits.PrimaryHDU(u8)]))

i32 = rng.integers(-1000, 70000, half, dtype=np.int32)
save("i32.fits", fits.HDUList([fits.PrimaryHDU(i32)]))

f32 = (rng.random(full, dtype=np.float32) * 70000 - 1000).astype(np.float32)
f32[0, 0], f32[0, 1], f32[0, 2], f32[0, 3] = np.nan, np.inf, -np.inf, 2.5
save("f32.fits", fits.HDUList([fits.PrimaryHDU(f32)]))

f64 = rng.random(half) * 65535.0
save("f64.fits", fits.HDUList([fits.PrimaryHDU(f64)]))

scaled = fits.PrimaryHDU(rng.random(full) * 60000.0)
scaled.scale("int16", bscale=2.0, bzero=32768.0)
save("scaled.fits", fits.HDUList([scaled]))

with warnings.catch_warnings():
    warnings.simplefilter("ignore")
    compressed = fits.CompImageHDU(rng.integers(0, 65536, full, dtype=np.uint16),
                                   compression_type="RICE_1")
    compressed.header["OBJECT"] = "M 13"
    save("tiles.fits.fz", fits.HDUList([fits.PrimaryHDU(), compressed]))

fits.PrimaryHDU(np.zeros((480, 640), dtype=np.uint16)).writeto("small.fits", overwrite=True)
PY

# info: format, geometry and statistics of the samples, the header values.
for name in u16.fits u8.fits i32.fits f32.fits f64.fits scaled.fits tiles.fits.fz; do
    "$cli" --root "$work/root" info "$name" >"$work/info" 2>"$work/stderr" ||
        fail "info $name exited $?: $(cat "$work/stderr")"
    [[ ! -s "$work/stderr" ]] || fail "info $name: unexpected messages: $(cat "$work/stderr")"
    /usr/bin/python3 - "$name" "$work/info" <<'PY' || fail "info $name differs"
import sys
import numpy as np
name, info = sys.argv[1:3]
lines = dict(line.split(": ", 1) for line in open(info).read().splitlines() if ": " in line)
samples = np.fromfile(name + ".expected", dtype="<u2")
width = 650 if samples.size == 650 * 515 else 1300
want = {"format": "FITS", "geometry": "%dx%d" % (width, samples.size // width),
        "min": str(samples.min()), "max": str(samples.max()),
        "mean": "%.2f" % (int(samples.astype(np.int64).sum()) / samples.size)}
for key, value in want.items():
    if lines.get(key) != value:
        sys.exit("%s: %r, expected %r" % (key, lines.get(key), value))
PY
done

"$cli" --root "$work/root" info u16.fits >"$work/info"
for line in "fitsObject: M 27" "fitsTelescope: Newton 200" "fitsDate: 14/8/23" \
    "fitsTime: 22:10:05" "exposureSeconds: 60" "  Calibrated in another program"; do
    grep -qxF -- "$line" "$work/info" || fail "info u16.fits lacks '$line': $(cat "$work/info")"
done
"$cli" --root "$work/root" info tiles.fits.fz | grep -qx "fitsObject: M 13" ||
    fail "the compressed image's OBJECT is missing"

# convert --to tq: the samples, exactly.
for name in u16.fits u8.fits i32.fits f32.fits f64.fits scaled.fits tiles.fits.fz; do
    "$cli" --root "$work/root" convert "$name" "$name.tq" --to tq 2>"$work/stderr" ||
        fail "convert $name exited $?: $(cat "$work/stderr")"
    cmp -s "$name.tq" "$name.expected" || fail "convert $name: samples differ"
done

# Without --to a FITS image stays FITS: the program's own layout.
"$cli" --root "$work/root" convert u16.fits ours.fit || fail "convert u16.fits to FITS failed"
[[ $(stat -c %s ours.fit) -eq 677660 ]] || fail "ours.fit has $(stat -c %s ours.fit) bytes"

# Another size is refused with the program's message and no output.
if "$cli" --root "$work/root" convert small.fits small.tq --to tq 2>"$work/stderr"; then
    fail "a 640x480 image was accepted"
fi
grep -q "You didn't choose a valid TQ or suitable FITs File" "$work/stderr" ||
    fail "wrong message for a 640x480 image: $(cat "$work/stderr")"
[[ ! -e small.tq ]] || fail "small.tq was written"

echo "foreign FITS files: ok"
