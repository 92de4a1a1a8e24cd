#!/usr/bin/env bash
# The INDI driver installed as KStars finds drivers: cmake --install puts the program in bin/
# and its driver list in share/indi/ as a real file named indi_*.xml (KStars skips links),
# listing the program under the CCDs group with the device name the driver reports.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

[[ -x "$VEXA_BIN_DIR/indi_vexaq4_ccd" ]] || fail "the INDI driver was not built"
prefix="$work/prefix"
cmake --install "$VEXA_BIN_DIR" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install: $(cat "$work/install.log")"
[[ -x "$prefix/bin/indi_vexaq4_ccd" ]] || fail "bin/indi_vexaq4_ccd not installed"
list="$prefix/share/indi/indi_vexaq4.xml"
[[ -f "$list" && ! -L "$list" ]] || fail "share/indi/indi_vexaq4.xml is not a real file"

/usr/bin/python3 - "$list" <<'PY' || fail "the driver list is not what KStars reads"
import sys
import xml.etree.ElementTree as ET

root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "driversList", root.tag
groups = root.findall("devGroup")
assert [g.get("group") for g in groups] == ["CCDs"], groups
device = groups[0].find("device")
driver = device.find("driver")
assert driver.text.strip() == "indi_vexaq4_ccd", driver.text
assert driver.get("name") == "Vexa Q4 CCD", driver.get("name")
assert device.get("label") and device.find("version").text.strip(), ET.tostring(device)
PY
echo "indi driver list: ok"
