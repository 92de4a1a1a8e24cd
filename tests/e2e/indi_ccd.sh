#!/usr/bin/env bash
# indi_vexaq4_ccd end to end under indiserver, driven with the tools of indi-bin on the
# simulated camera: a 0.5 s exposure arrives as a FITS BLOB that astropy opens (1300 x 1030,
# stars over the sky, EXPTIME 0.5); 2 x 2 binning gives 650 x 515 and a subframe its own size;
# an abort during a 10 s exposure ends it within a second and no frame follows; a second client
# connected at the same time sees the same properties. Skipped only without indiserver.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

if ! command -v indiserver >/dev/null; then
    echo "indi ccd: skipped (indiserver is not installed; scripts/install-deps installs indi-bin)"
    exit 0
fi
driver="$VEXA_BIN_DIR/indi_vexaq4_ccd"
[[ -x "$driver" ]] || fail "no driver at $driver"
dev="Vexa Q4 CCD"
python=/usr/bin/python3

# A port nobody listens on, and a server of our own on it with its own local socket and
# configuration, so that tests running at the same time do not meet.
port="$("$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
INDICONFIG="$work/config.xml" indiserver -vv -r 0 -p "$port" -u "$work/indi.sock" "$driver" \
    >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

set_prop() { timeout 10 indi_setprop -p "$port" "$@" || fail "indi_setprop $*"; }
# wait_for SECONDS EXPRESSION
wait_for() { timeout $(($1 + 5)) indi_eval -p "$port" -t "$1" -w "$2" >/dev/null || fail "not within $1 s: $2"; }
blob_requests() { grep -ac "read <enableBLOB device='$dev' name='CCD1'>" "$work/server.log" || true; }

# Starts a client that saves the next frame in $work/NAME and waits until it has asked the
# server for frames; $getter is its process.
listen_for_frame() {
    local before
    before="$(blob_requests)"
    mkdir "$work/$1"
    (cd "$work/$1" && timeout 40 indi_getprop -p "$port" -t "$2" "$dev.CCD1.CCD1" >/dev/null 2>&1) &
    getter=$!
    for _ in $(seq 100); do
        (($(blob_requests) > before)) && return 0
        sleep 0.1
    done
    fail "the frame client did not ask for frames"
}
frame_file() { echo "$work/$1/$dev.CCD1.CCD1.fits"; }

for _ in $(seq 100); do
    timeout 5 indi_getprop -p "$port" -t 1 "$dev.CONNECTION.CONNECT" >/dev/null 2>&1 && break
    sleep 0.1
done
set_prop "$dev.SIMULATION.ENABLE=On"
set_prop "$dev.CONNECTION.CONNECT=On"
wait_for 10 "\"$dev.CONNECTION.CONNECT\"==1"
[[ "$(timeout 5 indi_getprop -1 -p "$port" "$dev.CCD_INFO.CCD_MAX_X")" == 1300 ]] ||
    fail "CCD_INFO: $(timeout 5 indi_getprop -p "$port" "$dev.CCD_INFO.*")"

# take NAME SECONDS: one exposure, its frame saved by a client in $work/NAME.
take() {
    listen_for_frame "$1" 20
    set_prop "$dev.CCD_EXPOSURE.CCD_EXPOSURE_VALUE=$2"
    wait "$getter" || fail "no frame for $1"
    [[ -s "$(frame_file "$1")" ]] || fail "no FITS file for $1"
}
take full 0.5
set_prop "$dev.CCD_BINNING.HOR_BIN;VER_BIN=2;2"
take binned 0.5
set_prop "$dev.CCD_BINNING.HOR_BIN;VER_BIN=1;1"
set_prop "$dev.CCD_FRAME.X;Y;WIDTH;HEIGHT=100;200;320;240"
take subframe 0.5

"$python" - "$(frame_file full)" "$(frame_file binned)" "$(frame_file subframe)" <<'PY' ||
import sys
import warnings
import numpy as np
from astropy.io import fits

warnings.simplefilter("ignore")
expected = [(1030, 1300, 1), (515, 650, 2), (240, 320, 1)]
for path, (rows, columns, binning) in zip(sys.argv[1:], expected):
    with fits.open(path) as hdul:
        header = hdul[0].header
        data = hdul[0].data.astype(np.float64)
    if data.shape != (rows, columns):
        sys.exit("%s has shape %s" % (path, data.shape))
    for key, value in (("EXPTIME", 0.5), ("XBINNING", binning), ("PIXSIZE1", 7.4),
                       ("IMAGETYP", "Light Frame")):
        if header.get(key) != value:
            sys.exit("%s: %s is %r" % (path, key, header.get(key)))
    if "T" not in header.get("DATE-OBS", ""):
        sys.exit("%s: DATE-OBS %r" % (path, header.get("DATE-OBS")))
# Stars over the sky: the bias and glow, and points far above them.
data = fits.getdata(sys.argv[1]).astype(np.float64)
sky = np.median(data)
if not 900 < sky < 1200 or np.sum(data > sky + 1000) < 10:
    sys.exit("full frame: sky %.0f, %d bright pixels" % (sky, np.sum(data > sky + 1000)))
PY
    fail "the frames are not what was asked for"

# Abort during a 10 s exposure: the exposure is idle within a second, and no frame comes.
listen_for_frame aborted 14
set_prop "$dev.CCD_EXPOSURE.CCD_EXPOSURE_VALUE=10"
wait_for 5 "\"$dev.CCD_EXPOSURE._STATE\"==2"
sleep 1
start=$(date +%s%N)
set_prop "$dev.CCD_ABORT_EXPOSURE.ABORT=On"
wait_for 2 "\"$dev.CCD_EXPOSURE._STATE\"!=2"
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
((elapsed_ms < 1000)) || fail "the abort took $elapsed_ms ms"

# Two more clients at once, while the frame client is still connected, see the same: also a
# choice changed since the configuration was saved (a new client loads nothing over it).
set_prop "$dev.USB_LOG.FILE=$work/saved.log"
set_prop "$dev.CONFIG_PROCESS.CONFIG_SAVE=On"
set_prop "$dev.USB_LOG.FILE=$work/changed.log"
(timeout 10 indi_getprop -p "$port" -t 2 "$dev.*.*" | sort -u >"$work/first") &
first=$!
(timeout 10 indi_getprop -h 127.0.0.1 -p "$port" -t 2 "$dev.*.*" | sort -u >"$work/second") &
wait "$first" $!
[[ -s "$work/first" ]] && diff "$work/first" "$work/second" >/dev/null ||
    fail "the clients differ: $(diff "$work/first" "$work/second")"
grep -qx "$dev.CCD_FRAME.WIDTH=320" "$work/second" || fail "second client: $(grep CCD_FRAME "$work/second")"
grep -qx "$dev.USB_LOG.FILE=$work/changed.log" "$work/second" ||
    fail "second client: $(grep USB_LOG "$work/second")"

if wait "$getter"; then fail "a frame came after the abort"; fi
[[ ! -e "$(frame_file aborted)" ]] || fail "a FITS file came after the abort"
echo "indi ccd: ok"
