#!/usr/bin/env bash
# vexaq4-cli --indi against INDI's own telescope simulator: a GoTo of M42 leaves the server's
# co-ordinates at M42 of the date (precessed independently here), a timed guide pulse moves it
# by the server's guide rate times the pulse, and no server, an unknown device and a server that
# dies in the middle of a GoTo each end the command with the program's message, in time.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/indi_mount_common.bash"

start_indiserver indi_simulator_telescope
device="Telescope Simulator"
scope() {
    run_limited 90 "$cli" --root "$work/root" --indi "127.0.0.1:$port" scope "$@"
}

# ---- GoTo M42: the server ends at M42 of the date ----
scope goto --messier 42 >"$work/goto.out" 2>"$work/goto.err" || fail "goto: $(cat "$work/goto.err")"
grep -qx 'reply: 0' "$work/goto.out" || fail "goto printed: $(cat "$work/goto.out")"
grep -q '^info: M42 RA 05:3' "$work/goto.out" || fail "goto info: $(cat "$work/goto.out")"
ra=$(prop "$device.EQUATORIAL_EOD_COORD.RA")
dec=$(prop "$device.EQUATORIAL_EOD_COORD.DEC")
python3 - "$ra" "$dec" <<'PY' || fail "the mount is not at M42: RA $ra DEC $dec"
import math, sys, time
ra, dec = float(sys.argv[1]), float(sys.argv[2])
# M42 (J2000 05h35m17.3s -05d23'28") precessed to now with the IAU 1976 angles.
a, d = math.radians(5.5881 * 15), math.radians(-5.3911)
t = (time.time() / 86400 + 2440587.5 - 2451545.0) / 36525
arc = lambda s: math.radians(s / 3600)
zeta, z, th = arc(2306.2181 * t + 0.30188 * t * t), arc(2306.2181 * t + 1.09468 * t * t), arc(2004.3109 * t - 0.42665 * t * t)
A = math.cos(d) * math.sin(a + zeta)
B = math.cos(th) * math.cos(d) * math.cos(a + zeta) - math.sin(th) * math.sin(d)
C = math.sin(th) * math.cos(d) * math.cos(a + zeta) + math.cos(th) * math.sin(d)
ra_now, dec_now = (math.degrees(math.atan2(A, B) + z) / 15) % 24, math.degrees(math.asin(C))
apart = math.hypot((ra - ra_now) * 15 * math.cos(math.radians(dec_now)), dec - dec_now) * 60
print(f"M42 now {ra_now:.5f} {dec_now:.5f}, mount {ra:.5f} {dec:.5f}: {apart:.2f} arcmin apart")
sys.exit(0 if apart < 3 else 1)
PY

# ---- a timed pulse moves Dec by the guide rate (x 15"/s) times its length (which way depends on
# the simulator's side of the pier) ----
rate=$(prop "$device.GUIDE_RATE.GUIDE_RATE_NS")
scope pulse n --ms 3000 >"$work/pulse.out" 2>"$work/pulse.err" || fail "pulse: $(cat "$work/pulse.err")"
sleep 1
dec_after=$(prop "$device.EQUATORIAL_EOD_COORD.DEC")
awk -v a="$dec" -v b="$dec_after" -v r="$rate" 'BEGIN {
    moved = (b - a) * 3600; moved = moved < 0 ? -moved : moved; want = r * 15 * 3
    printf "pulse moved %.1f arcsec, expected %.1f\n", moved, want
    exit !(moved > want * 0.8 && moved < want * 1.2) }' || fail "the pulse moved Dec from $dec to $dec_after"

# ---- what cannot be reached: the program's message, exit 1, at once ----
status=0
run_limited 20 "$cli" --root "$work/root" --indi "127.0.0.1:$(free_port)" scope info \
    >/dev/null 2>"$work/none.err" || status=$?
[[ $status -eq 1 ]] || fail "no server: exit $status"
grep -q 'scope: no INDI server answers at 127.0.0.1:' "$work/none.err" ||
    fail "no-server message: $(cat "$work/none.err")"
status=0
run_limited 20 "$cli" --root "$work/root" --indi "127.0.0.1:$port/No Such Mount" scope info \
    >/dev/null 2>"$work/unknown.err" || status=$?
[[ $status -eq 1 ]] || fail "unknown device: exit $status"
grep -q "has no device 'No Such Mount' (it offers .*Telescope Simulator" "$work/unknown.err" ||
    fail "unknown-device message: $(cat "$work/unknown.err")"

# ---- the server dies during a long GoTo: the command ends with the message within seconds ----
scope goto --messier 81 >"$work/lost.out" 2>"$work/lost.err" &
goto_pid=$!
sleep 2
stop_indiserver
started=$SECONDS
status=0
wait "$goto_pid" || status=$?
[[ $status -eq 1 ]] || fail "a GoTo whose server died exited $status: $(cat "$work/lost.err")"
(( SECONDS - started <= 5 )) || fail "the GoTo took $((SECONDS - started)) s to notice"
grep -q 'The connection to the telescope was lost: the INDI server at 127.0.0.1:.* went away' \
    "$work/lost.err" || fail "lost-server message: $(cat "$work/lost.err")"
echo "indi_mount_simulator: ok"
