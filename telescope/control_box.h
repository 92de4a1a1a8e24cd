// The control box: one byte per step at 300 baud, direction bits 1 east, 2 north, 4 south,
// 8 west, and 16 to drive. Its initialisation and the manual moves of its dialog; the pulse
// is with the guide pulse.
#pragma once

#include <cstdint>

#include "session/status.h"
#include "telescope/serial_line.h"

namespace vexa {

// The box's settle time after each application of the line settings.
constexpr uint32_t kBoxSettleMs = 30;
// Between a move's direction byte and its drive byte.
constexpr uint32_t kBoxDriveDelayMs = 1;

// Flush both queues; the 300-baud line settings and a 30 ms wait, twice; then the bytes 13, 0,
// the modem lines raised, 0, and the modem lines raised again.
Status InitialiseControlBox(SerialLine& line);
// An arrow press while no move runs: the direction byte, 1 ms, the byte with the drive bit,
// left on until the release. Nothing for a letter that names no direction.
Status StartControlBoxMove(SerialLine& line, char directionLetter);
// The release: byte 0.
Status StopControlBoxMove(SerialLine& line);

}  // namespace vexa
