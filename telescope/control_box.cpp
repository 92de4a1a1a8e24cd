#include "telescope/control_box.h"

#include "session/session_state.h"
#include "session/timed_waits.h"
#include "telescope/serial_port_names.h"
#include "telescope/telescope_link.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

namespace {
constexpr int kSettingsPasses = 2;
}  // namespace

Status InitialiseControlBox(SerialLine& line) {
    LinkSteps steps(line, kControlBoxBaudRate);
    steps.FlushBoth();
    const std::string settings = SerialSettingsText(Session().commPort, kControlBoxBaudRate);
    for (int pass = 0; pass < kSettingsPasses; ++pass) {
        steps.ApplySettings(settings);
        SpinFor(kBoxSettleMs);
    }
    steps.WriteByte(kBoxCarriageReturn);
    steps.WriteByte(kBoxStop);
    steps.RaiseModemLines();
    steps.WriteByte(kBoxStop);
    steps.RaiseModemLines();
    return steps.Result();
}

Status StartControlBoxMove(SerialLine& line, char directionLetter) {
    TelescopeState& t = Session().telescope;
    if (t.moving) return Status::Ok();
    const uint8_t bit = ControlBoxBit(directionLetter);
    if (bit == 0) return Status::Ok();
    LinkSteps steps(line, kControlBoxBaudRate);
    steps.WriteByte(bit);
    SpinFor(kBoxDriveDelayMs);
    steps.WriteByte(static_cast<uint8_t>(bit | kBoxDrive));
    t.moving = steps.ok();
    if (!t.moving) steps.WriteStopByte(kBoxStop);
    return steps.Result();
}

Status StopControlBoxMove(SerialLine& line) {
    TelescopeState& t = Session().telescope;
    if (!t.moving) return Status::Ok();
    t.moving = false;
    LinkSteps steps(line, kControlBoxBaudRate);
    steps.WriteStopByte(kBoxStop);
    return steps.Result();
}

}  // namespace vexa
