// A mount link on a scripted fake line for core tests: a fresh session with the fake user
// interface and a virtual clock that moves 1 ms per reading (so the link's spin waits end), the
// link's line maker handing out a line that forwards to one FakeSerialLine, and the clock
// reading of every operation kept, for the pulse timings.
#pragma once

#include <memory>
#include <vector>

#include "session/session_state.h"
#include "telescope/mount_link.h"
#include "telescope/telescope_link.h"
#include "tests/unit/support/fake_serial_line.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::test {

// Passes everything to a FakeSerialLine that the test keeps, noting the clock at each call.
class ForwardingLine : public SerialLine {
  public:
    ForwardingLine(FakeSerialLine& fake, VirtualClock& clock, std::vector<uint32_t>& times)
        : fake_(fake), clock_(clock), times_(times) {}
    Status Open(const std::string& path) override { return Noted(fake_.Open(path)); }
    bool IsOpen() const override { return fake_.IsOpen(); }
    Status ApplySettings(const std::string& s) override { return Noted(fake_.ApplySettings(s)); }
    Status Write(std::span<const uint8_t> bytes) override { return Noted(fake_.Write(bytes)); }
    Status Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) override {
        return Noted(fake_.Read(buffer, got, timeoutMs));
    }
    Status Flush(SerialQueue queue) override { return Noted(fake_.Flush(queue)); }
    Status RaiseModemLines() override { return Noted(fake_.RaiseModemLines()); }
    void Close() override {
        fake_.Close();
        times_.push_back(clock_.Milliseconds());
    }

  private:
    Status Noted(Status status) {
        times_.push_back(clock_.Milliseconds());
        return status;
    }
    FakeSerialLine& fake_;
    VirtualClock& clock_;
    std::vector<uint32_t>& times_;
};

class TelescopeFixture {
  public:
    TelescopeFixture() { session.clock.SetStepPerReading(1); }
    ~TelescopeFixture() { SetReplyTimeoutMs(0); }
    // Opens the line for the type (LX200 unless the control box) on the fake and forgets the
    // opening's events.
    void Connect(TelescopeType type = TelescopeType::Lx200) {
        Session().settings.telescopeType = type;
        if (type == TelescopeType::ControlBox) {
            (void)link.OpenControlBoxLine();
        } else {
            (void)link.OpenLx200Line();
        }
        line.ClearEvents();
        times.clear();
    }
    // The clock reading at the event with this index.
    uint32_t TimeOf(size_t event) const { return times.at(event); }

    SessionFixture session;
    FakeSerialLine line;
    std::vector<uint32_t> times;  // one per event of line, in order
    MountLink link{[this] { return std::make_unique<ForwardingLine>(line, session.clock, times); }};
    // The line the sequences run on.
    SerialLine& mount = link.Line();
};

}  // namespace vexa::test
