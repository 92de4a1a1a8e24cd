#!/usr/bin/env bash
# FITS files as other programs read them: with the program's default settings a FITS file is
# standard 16-bit FITS (BZERO 32768, signed stored values), so astropy gives back exactly the
# samples, over the whole 0..65535 range. A user who turns "Unsigned Int FITs Format" on gets
# BZERO 0 with the raw samples, and the program reads both forms back to the same samples.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

mkdir -p "$work/root"
cd "$work"

/usr/bin/python3 -c '
from array import array
samples = [0, 1, 32767, 32768, 65534, 65535] + [(i * 40503) & 0xFFFF for i in range(650 * 515 - 6)]
array("H", samples).tofile(open("in.tq", "wb"))'

"$cli" --root "$work/root" convert in.tq default.fit --to fits 2>"$work/err" ||
    fail "convert exited $?: $(cat "$work/err")"

/usr/bin/python3 - default.fit <<'PY' || fail "astropy does not read the default FITS file's samples"
import sys, warnings
from array import array
import numpy as np
from astropy.io import fits

warnings.simplefilter("ignore")  # the data block is not padded to a whole FITS block
samples = np.array(array("H", open("in.tq", "rb").read()), dtype=np.int64).reshape(515, 650)
with fits.open(sys.argv[1], ignore_missing_end=True) as hdus:
    header = hdus[0].header
    if header["BITPIX"] != 16 or header["BZERO"] != 32768:
        sys.exit("BITPIX %s BZERO %s" % (header["BITPIX"], header["BZERO"]))
    data = hdus[0].data.astype(np.int64)
if not np.array_equal(data, samples):
    sys.exit("values differ from the samples, e.g. %s" % data.flat[:6])
PY

# The option turned on: raw samples with BZERO 0, still read back by the program.
"$cli" --root "$work/root" settings --set unsignedIntFits=true >/dev/null ||
    fail "settings --set unsignedIntFits=true exited $?"
"$cli" --root "$work/root" convert in.tq unsigned.fit --to fits 2>"$work/err" ||
    fail "convert with the option on exited $?: $(cat "$work/err")"
[[ "$(dd if=unsigned.fit bs=80 skip=35 count=1 status=none | cut -c1-29)" == \
    "BZERO   =   +0.0000000000E+00" ]] || fail "the option on does not write BZERO 0"
for file in default.fit unsigned.fit; do
    "$cli" --root "$work/root" convert "$file" "$file.tq" --to tq 2>"$work/err" ||
        fail "reading $file back exited $?: $(cat "$work/err")"
    cmp -s "$file.tq" in.tq || fail "$file does not read back to the samples"
done

echo "cli_fits_standard: all checks passed"
