// The timed direction pulse the autoguider sends: on an LX200 the guide rate, the move, a wait
// on the millisecond clock and the stop; on the control box the direction byte, the drive bit,
// the wait and the stop byte. The waits spin on the program clock and dispatch nothing.
#pragma once

#include <cstdint>

#include "session/status.h"
#include "telescope/guide_pulses.h"
#include "telescope/serial_line.h"

namespace vexa {

// Spin before the LX200 move (after "#:RG#"), before the control box's drive byte, and after
// either pulse.
constexpr uint32_t kLx200PulseLeadMs = 20;
constexpr uint32_t kBoxPulseLeadMs = 1;
constexpr uint32_t kPulseTailMs = 4;

// direction is a direction letter ('e', 'w', 'n' or 's'); any other letter sends nothing and
// only spins the tail. The stop is sent even when the move could not be.
Status SendLx200GuidePulse(SerialLine& line, char direction, uint32_t durationMs);
Status SendControlBoxPulse(SerialLine& line, char direction, uint32_t durationMs);

// The guide pulses of an LX200 mount and of the control box on a line that must outlive them.
class Lx200GuidePulses final : public GuidePulses {
  public:
    explicit Lx200GuidePulses(SerialLine& line) : line_(line) {}
    Status Pulse(char directionLetter, uint32_t pulseMs) override {
        return SendLx200GuidePulse(line_, directionLetter, pulseMs);
    }

  private:
    SerialLine& line_;
};

class ControlBoxGuidePulses final : public GuidePulses {
  public:
    explicit ControlBoxGuidePulses(SerialLine& line) : line_(line) {}
    Status Pulse(char directionLetter, uint32_t pulseMs) override {
        return SendControlBoxPulse(line_, directionLetter, pulseMs);
    }

  private:
    SerialLine& line_;
};

}  // namespace vexa
