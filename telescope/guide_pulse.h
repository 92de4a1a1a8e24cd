// The timed direction pulse the autoguider sends: on an LX200 the guide rate, the move, a wait
// on the millisecond clock and the stop; on the control box the direction byte, the drive bit,
// the wait and the stop byte. The waits spin on the program clock and dispatch nothing.
#pragma once

#include <cstdint>

#include "session/status.h"

namespace vexa {

// Spin before the LX200 move (after "#:RG#"), before the control box's drive byte, and after
// either pulse.
constexpr uint32_t kLx200PulseLeadMs = 20;
constexpr uint32_t kBoxPulseLeadMs = 1;
constexpr uint32_t kPulseTailMs = 4;

// The pulse in the session's pulse direction for its pulse duration, by the telescope type:
// the control box for 'b', else the LX200 pulse.
Status SendGuidePulse();
// direction is a direction letter ('e', 'w', 'n' or 's'); any other letter sends nothing and
// only spins the tail. The stop is sent even when the move could not be.
Status SendLx200GuidePulse(char direction, uint32_t durationMs);
Status SendControlBoxPulse(char direction, uint32_t durationMs);

}  // namespace vexa
