// What the guider needs of a mount: a timed pulse in one direction. The LX200 and control-box
// links send it over their serial line, an INDI mount as a timed-guide property; the guider
// knows no more than this.
#pragma once

#include <cstdint>

#include "session/status.h"

namespace vexa {

class GuidePulses {
  public:
    virtual ~GuidePulses() = default;
    // A pulse of pulseMs milliseconds in the direction of a direction letter ('n', 's', 'e',
    // 'w', as the settings' drive directions give it); the call returns when the pulse is over.
    virtual Status Pulse(char directionLetter, uint32_t pulseMs) = 0;
};

}  // namespace vexa
