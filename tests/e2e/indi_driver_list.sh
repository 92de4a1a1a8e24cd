#!/usr/bin/env bash
# The INDI driver installed as KStars finds drivers: the program in bin/, and its driver list in
# share/indi/ as a real file named indi_*.xml (KStars skips links) listing it under CCDs.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

if ! command -v indiserver >/dev/null; then
    echo "indi driver list: skipped (indiserver is not installed; scripts/install-deps installs indi-bin)"
    exit 0
fi

prefix="$work/prefix"
cmake --install "$VEXA_BIN_DIR" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install: $(cat "$work/install.log")"
[[ -x "$prefix/bin/indi_vexaq4_ccd" ]] || fail "bin/indi_vexaq4_ccd not installed"
list="$prefix/share/indi/indi_vexaq4.xml"
[[ -f "$list" && ! -L "$list" ]] || fail "share/indi/indi_vexaq4.xml is not a real file"
xmllint=(/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])')
"${xmllint[@]}" "$list" || fail "the driver list is no XML"
tr -d '\n' <"$list" | grep -qE '<devGroup group="CCDs">.*<driver name="Vexa Q4 CCD">indi_vexaq4_ccd</driver>' ||
    fail "the driver list does not list the driver under CCDs: $(cat "$list")"
echo "indi driver list: ok"
