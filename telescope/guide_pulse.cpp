#include "telescope/guide_pulse.h"

#include "session/clock.h"
#include "session/timed_waits.h"
#include "telescope/telescope_link.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

namespace {

bool IsDirectionLetter(char c) {
    return c == 'e' || c == 'w' || c == 'n' || c == 's';
}

}  // namespace

Status SendLx200GuidePulse(SerialLine& line, char direction, uint32_t durationMs) {
    LinkSteps steps(line, kLx200BaudRate);
    const uint32_t leadStart = TheClock().Milliseconds();
    if (IsDirectionLetter(direction)) {
        steps.Write(kSlewRateGuide);
        // Kept from the mount's long-standing habit: the north pulse raises the modem lines
        // once more between the guide rate and the move.
        if (direction == 'n') steps.RaiseModemLines();
        SpinUntilElapsed(leadStart, kLx200PulseLeadMs);
        const uint32_t moveStart = TheClock().Milliseconds();
        steps.Write(WithDirectionLetter(kMoveTemplate, direction));
        SpinUntilElapsed(moveStart, durationMs);
        steps.WriteStop(WithDirectionLetter(kStopTemplate, direction));
    }
    SpinFor(kPulseTailMs);
    return steps.Result();
}

Status SendControlBoxPulse(SerialLine& line, char direction, uint32_t durationMs) {
    LinkSteps steps(line, kControlBoxBaudRate);
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
