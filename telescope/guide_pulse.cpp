#include "telescope/guide_pulse.h"

#include <string>

#include "session/clock.h"
#include "session/session_state.h"
#include "session/timed_waits.h"
#include "telescope/telescope_link.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

namespace {

constexpr char kControlBox = 'b';

bool IsDirectionLetter(char c) {
    return c == 'e' || c == 'w' || c == 'n' || c == 's';
}

std::string WithLetter(std::string_view command, char letter) {
    std::string bytes(command);
    bytes[kDirectionLetterIndex] = letter;
    return bytes;
}

}  // namespace

Status SendGuidePulse() {
    const TelescopeState& t = Session().telescope;
    if (Session().settings.telescopeType == kControlBox) {
        return SendControlBoxPulse(t.pulseDirection, t.pulseMs);
    }
    return SendLx200GuidePulse(t.pulseDirection, t.pulseMs);
}

Status SendLx200GuidePulse(char direction, uint32_t durationMs) {
    LinkSteps steps;
    const uint32_t leadStart = TheClock().Milliseconds();
    if (IsDirectionLetter(direction)) {
        steps.Write(kSlewRateGuide);
        // Kept from the mount's long-standing habit: the north pulse raises the modem lines
        // once more between the guide rate and the move.
        if (direction == 'n') steps.PortControl();
        SpinUntilElapsed(leadStart, kLx200PulseLeadMs);
        const uint32_t moveStart = TheClock().Milliseconds();
        steps.Write(WithLetter(kMoveTemplate, direction));
        SpinUntilElapsed(moveStart, durationMs);
        steps.WriteStop(WithLetter(kStopTemplate, direction));
    }
    SpinFor(kPulseTailMs);
    return steps.Result();
}

Status SendControlBoxPulse(char direction, uint32_t durationMs) {
    LinkSteps steps;
    const uint8_t bit = ControlBoxBit(direction);
    if (bit != 0) {
        const uint32_t leadStart = TheClock().Milliseconds();
        steps.WriteByte(bit);
        SpinUntilElapsed(leadStart, kBoxPulseLeadMs);
        steps.WriteByte(static_cast<uint8_t>(bit | kBoxDrive));
        SpinFor(durationMs);
        steps.WriteStopByte(kBoxStop);
    }
    SpinFor(kPulseTailMs);
    return steps.Result();
}

}  // namespace vexa
