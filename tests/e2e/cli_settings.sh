#!/usr/bin/env bash
# vexaq4-cli settings end to end: an empty root gets the default settings file (compared byte
# for byte with one built here from the record layout), a --set persists, and a bad --set is
# a usage error. Any mismatch ends the script with a non-zero status.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

# ---- first run on an empty root: the default file ----
mkdir "$work/root"
"$cli" --root "$work/root" settings >"$work/out1" 2>"$work/err1" || fail "settings exited $?"
[[ ! -s "$work/err1" ]] || fail "unexpected messages: $(cat "$work/err1")"
ini="$work/root/autosave/Vexa_Q4.ini"
[[ -f "$ini" ]] || fail "autosave/Vexa_Q4.ini was not created"
[[ $(stat -c %s "$ini") -eq 1183 ]] || fail "settings file is $(stat -c %s "$ini") bytes"

/usr/bin/python3 - "$work/expected.ini" <<'PY'
import struct, sys

def card(prefix, value):
    text = (prefix + value + "'").ljust(80)
    assert len(text) == 80
    return text.encode("ascii")

f = b""
f += struct.pack("<Hh", 0, 0)            # autosave number, hours to UT
f += b"n"                                # fast_par
f += struct.pack("<hhh", 0, 8, 1)        # legacy read mode, guide star mask radius, delay
f += b"l" + b"0"                         # background, focus delay
f += struct.pack("<hhhh", 2, 2, 0, 0)    # RA/Dec pixels per second, RA/Dec backlash
f += b"1" + b"n" + b"1"                  # ignore drift, telescope, disable interrupts
f += struct.pack("<hh", 0, 0)            # RA/Dec hysteresis
f += b"nsew"                             # drive directions
f += b"nnn"                              # weak, strong, user stretch
f += struct.pack("<h", 4)                # user stretch level
f += b"nn"                               # high pass, unsharp
f += struct.pack("<hh", 3, 1)            # unsharp diameter, power
f += b"n" + b"n"                         # remove background, fast_par second option
assert len(f) == 45
for prefix, value in [("OBJECT  = '", ""), ("TELESCOP= '", ""), ("INSTRUME= '", "Corvane CCD"),
                      ("OBSERVER= '", ""), ("ORIGIN  = '", "")]:
    f += card(prefix, value)
f += card("HISTORY = '", " " * 68) * 4
f += card("COMMENT = '", " " * 68) * 4
f += card("FILTER  = '", "None")
f += struct.pack("<dd", 0.0, 0.0)        # aperture, focal length
f += b"ny"                               # unsigned FITS, show interface details
assert len(f) == 1183, len(f)
open(sys.argv[1], "wb").write(f)
PY
cmp "$ini" "$work/expected.ini" || fail "default settings file differs from the layout"

grep -qx "telescopeType: n" "$work/out1" || fail "default telescopeType not printed"
grep -qx "fitsInstrument: Corvane CCD" "$work/out1" || fail "default instrument not printed"
[[ $(wc -l <"$work/out1") -eq 40 ]] || fail "expected 40 settings lines"
[[ $(head -n1 "$work/out1") == "autosaveNumber: 0" ]] || fail "first line is not autosaveNumber"
[[ $(tail -n1 "$work/out1") == "showInterfaceDetails: true" ]] || fail "last line wrong"

# ---- a --set persists ----
"$cli" --root "$work/root" settings --set telescopeType=l >"$work/out2" 2>"$work/err2" ||
    fail "--set telescopeType=l exited $?"
grep -qx "telescopeType: l" "$work/out2" || fail "set value not printed"
[[ $(stat -c %s "$ini") -eq 1183 ]] || fail "rewritten file has the wrong size"
[[ "$(dd if="$ini" bs=1 skip=22 count=1 status=none)" == "l" ]] || fail "byte 22 is not 'l'"
"$cli" --root "$work/root" settings >"$work/out3" 2>/dev/null || fail "reload exited $?"
grep -qx "telescopeType: l" "$work/out3" || fail "telescopeType=l did not persist"

# The same root through the environment variable.
VEXA_Q4_ROOT="$work/root" "$cli" settings >"$work/out4" 2>/dev/null || fail "env root exited $?"
grep -qx "telescopeType: l" "$work/out4" || fail "VEXA_Q4_ROOT not used"

# ---- a bad --set is a usage error and changes nothing ----
cp "$ini" "$work/before.ini"
status=0
"$cli" --root "$work/root" settings --set telescopeType=x >"$work/out5" 2>"$work/err5" || status=$?
[[ $status -eq 2 ]] || fail "bad --set exited $status, expected 2"
grep -q "^usage: vexaq4-cli" "$work/err5" || fail "usage line missing"
status=0
"$cli" --root "$work/root" settings --set noSuchSetting=1 >/dev/null 2>&1 || status=$?
[[ $status -eq 2 ]] || fail "unknown setting exited $status, expected 2"
cmp "$ini" "$work/before.ini" || fail "a refused --set changed the file"

echo "cli_settings: all checks passed"
