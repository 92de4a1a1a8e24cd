#!/usr/bin/env bash
# How long a full frame takes from the end of its readout to the FITS file written by a local
# INDI client: indi_vexaq4_ccd on the simulated camera beside INDI's own indi_simulator_ccd set
# to a 1300 x 1030 16-bit sensor, both under one indiserver in the same run. The end of the
# readout is the CCD_EXPOSURE update to 0 that each driver sends when its frame is ready (ours
# after the camera's readout, the simulator's after the frame it drew); the client then takes
# the BLOB, decodes it and writes the file. Prints the figures; asserts nothing.
#
#   bench/indi_frame_latency.sh [BUILD_FOLDER] [FRAMES]      (default: build, 10 frames each)
set -euo pipefail

build="${1:-build}"
frames="${2:-10}"
driver="$(cd "$build" && pwd)/indi_vexaq4_ccd"
[[ -x "$driver" ]] || { echo "no driver at $driver (build it first)" >&2; exit 1; }
command -v indiserver >/dev/null || { echo "indiserver is not installed (indi-bin)" >&2; exit 1; }
python=/usr/bin/python3
work="$(mktemp -d)"
port="$("$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
INDICONFIG="$work/config.xml" indiserver -r 0 -p "$port" -u "$work/indi.sock" \
    "$driver" indi_simulator_ccd >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

"$python" - "$port" "$frames" "$work" <<'PY'
import base64
import os
import socket
import statistics
import sys
import time
import xml.etree.ElementTree as ET

port, frames, folder = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
OURS, THEIRS = "Vexa Q4 CCD", "CCD Simulator"


class Client:
    def __init__(self):
        for _ in range(100):
            try:
                self.sock = socket.create_connection(("127.0.0.1", port))
                break
            except OSError:
                time.sleep(0.1)
        self.parser = ET.XMLPullParser(["end"])
        self.parser.feed("<stream>")
        self.numbers = {}  # (device, property) -> {element: value}
        self.states = {}
        self.events = []  # (time, kind, device)
        self.send("<getProperties version='1.7'/>")

    def send(self, xml):
        self.sock.sendall(xml.encode())

    def set(self, kind, device, prop, values):
        ones = "".join("<one%s name='%s'>%s</one%s>" % (kind, k, v, kind) for k, v in values.items())
        self.send("<new%sVector device='%s' name='%s'>%s</new%sVector>" % (kind, device, prop, ones, kind))

    def pump(self, until, limit):
        end = time.monotonic() + limit
        while not until():
            left = end - time.monotonic()
            if left <= 0:
                raise SystemExit("timed out waiting for the drivers")
            self.sock.settimeout(left)
            try:
                chunk = self.sock.recv(1 << 20)
            except socket.timeout:
                continue
            now = time.monotonic()
            self.parser.feed(chunk)
            for _, element in self.parser.read_events():
                self.handle(now, element)

    def handle(self, now, element):
        tag, device, name = element.tag, element.get("device"), element.get("name")
        if not tag.endswith("Vector"):
            return  # a member, read with its vector
        if tag in ("defNumberVector", "setNumberVector"):
            values = self.numbers.setdefault((device, name), {})
            for one in element:
                values[one.get("name")] = float(one.text or "nan")
            self.states[(device, name)] = element.get("state")
            if tag == "setNumberVector" and name == "CCD_EXPOSURE" and values.get("CCD_EXPOSURE_VALUE") == 0:
                self.events.append((now, "read out", device))
        elif tag in ("defSwitchVector", "setSwitchVector"):
            self.states[(device, name)] = element.get("state")
            for one in element:
                self.numbers.setdefault((device, name), {})[one.get("name")] = (one.text or "").strip() == "On"
        elif tag == "setBLOBVector":
            for one in element:
                data = base64.b64decode(one.text or "")
                if data:
                    with open("%s/%s.fits" % (folder, device.replace(" ", "_")), "wb") as f:
                        f.write(data)
                    self.events.append((time.monotonic(), "written", device))
        element.clear()

    def has(self, device, prop):
        return (device, prop) in self.numbers


client = Client()
client.pump(lambda: client.has(OURS, "SIMULATION") and client.has(THEIRS, "SIMULATOR_SETTINGS"), 20)
client.set("Switch", OURS, "SIMULATION", {"ENABLE": "On", "DISABLE": "Off"})
client.set("Number", THEIRS, "SIMULATOR_SETTINGS", {"SIM_XRES": 1300, "SIM_YRES": 1030})
for device in (OURS, THEIRS):
    client.set("Switch", device, "CONNECTION", {"CONNECT": "On", "DISCONNECT": "Off"})
client.pump(lambda: all(client.has(d, "CCD_INFO") for d in (OURS, THEIRS)), 20)
client.send("<enableBLOB device='%s'>Also</enableBLOB><enableBLOB device='%s'>Also</enableBLOB>" % (OURS, THEIRS))
client.pump(lambda: client.numbers.get((THEIRS, "CCD_INFO"), {}).get("CCD_MAX_X") == 1300, 20)

# The drivers take turns, so that both see the same machine; the first frame of each warms up
# and is not counted.
results = {OURS: [], THEIRS: []}
sizes = {}
for n in range(frames + 1):
    for device in (OURS, THEIRS):
        client.events.clear()
        client.set("Number", device, "CCD_EXPOSURE", {"CCD_EXPOSURE_VALUE": 0.1})
        client.pump(lambda: any(kind == "written" for _, kind, _ in client.events), 60)
        times = {kind: t for t, kind, d in client.events if d == device}
        if n > 0:
            results[device].append((times["written"] - times["read out"]) * 1000)
        sizes[device] = os.path.getsize("%s/%s.fits" % (folder, device.replace(" ", "_")))

print("End of readout to FITS BLOB written by a local client, full 1300 x 1030 16-bit frame,")
print("%d frames each, one indiserver, one client:" % frames)
for device, label in ((OURS, "indi_vexaq4_ccd (simulated camera)"), (THEIRS, "indi_simulator_ccd")):
    values = results[device]
    print("  %-36s median %6.1f ms   min %6.1f ms   max %6.1f ms   (FITS file %d bytes)"
          % (label, statistics.median(values), min(values), max(values), sizes[device]))
PY
