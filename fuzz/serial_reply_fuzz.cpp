// The mount from outside: the input scripts a serial line (what each read gets and how it
// ends, which writes and flushes fail) under the telescope dialog's sequences, the guide
// pulses and the control box. Properties: every sequence ends after a bounded number of
// operations on the line however the mount babbles; the information shown never grows past
// the mount's 33-byte answer; no read is answered past its buffer.
#include <algorithm>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "session/clock.h"
#include "session/session_state.h"
#include "telescope/control_box.h"
#include "telescope/guide_pulse.h"
#include "telescope/lx200_sequences.h"
#include "telescope/mount_link.h"

namespace vexa::fuzz {
namespace {

constexpr int kMostSequences = 10;
// More line operations than any one sequence needs, drains included.
constexpr int kMostOperationsPerSequence = 200;
constexpr size_t kInfoBytes = 33;

ByteScript* script = nullptr;
int operations = 0;

// Reads are answered from the script: a count of bytes (at most the buffer) and how the read
// ends; once the script is used up the mount is silent.
class ScriptedLine : public SerialLine {
  public:
    Status Open(const std::string&) override {
        ++operations;
        open_ = script->Byte() % 16 != 0;
        return open_ ? Status() : Status(StatusCode::NotFound, "no device");
    }
    bool IsOpen() const override { return open_; }
    Status ApplySettings(const std::string&) override { return Step(); }
    Status Write(std::span<const uint8_t>) override { return Step(); }
    Status Read(std::span<uint8_t> buffer, size_t& got, int) override {
        ++operations;
        got = 0;
        if (script->Done()) return Status(StatusCode::Timeout, "silent");
        const uint8_t how = script->Byte();
        if (how % 32 == 0) {
            open_ = false;
            return Status(StatusCode::Disconnected, "unplugged");
        }
        got = std::min<size_t>(buffer.size(), script->Byte() % (buffer.size() + 2));
        for (size_t i = 0; i < got; ++i) buffer[i] = script->Byte();
        return got == buffer.size() ? Status() : Status(StatusCode::Timeout, "short");
    }
    Status Flush(SerialQueue) override { return Step(); }
    Status RaiseModemLines() override {
        ++operations;
        return script->Byte() % 2 ? Status() : Status(StatusCode::Unsupported, "pty");
    }
    void Close() override { open_ = false; }

  private:
    Status Step() {
        ++operations;
        if (!open_) return Status(StatusCode::Disconnected, "closed");
        return script->Byte() % 32 == 0 ? Status(StatusCode::IoError, "line error") : Status();
    }
    bool open_ = false;
};

char Direction(uint8_t b) {
    return "ewns"[b % 4];
}

void RunOneSequence(ByteScript& s, MountLink& link) {
    SerialLine& line = link.Line();
    switch (s.Byte() % 9) {
        case 0:
            (void)CatalogueGoto(line, kMessierPrefix, 1 + s.Byte() % 110);
            break;
        case 1:
            (void)CatalogueGoto(line, kCngcPrefix, 1 + (s.Byte() << 5) % 7815);
            break;
        case 2: {
            Coordinates c;
            c.raHours = s.Byte() % 24;
            c.raMinutes = s.Byte() % 60;
            c.decDegrees = s.Byte() % 179 - 89;
            c.decMinutes = s.Byte() % 60;
            c.decSouth = c.decDegrees < 0 || (c.decDegrees == 0 && s.Byte() % 2);
            (void)CoordinateGoto(line, c);
            break;
        }
        case 3:
            (void)ReadScopeInfo(line);
            break;
        case 4:
            (void)StartMove(line, Direction(s.Byte()));
            (void)StopMove(line);
            break;
        case 5:
            (void)StartFocus(line, s.Byte() % 2);
            (void)StopFocus(line);
            break;
        case 6:
            (void)SendLx200GuidePulse(line, Direction(s.Byte()), s.Byte());
            break;
        case 7:
            (void)StartControlBoxMove(line, Direction(s.Byte()));
            (void)StopControlBoxMove(line);
            break;
        default:
            (void)link.Pulses().Pulse(Direction(s.Byte()), 0);
            break;
    }
}

}  // namespace
}  // namespace vexa::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vexa;
    using namespace vexa::fuzz;
    ResetWorld();
    // The link's spin waits end on a clock that moves with every reading.
    static VirtualClock clock;
    clock.SetStepPerReading(1);
    SetClock(&clock);

    ByteScript s(data, size);
    script = &s;
    {
        MountLink link([] { return std::make_unique<ScriptedLine>(); });
        const bool box = s.Byte() % 4 == 0;
        Session().settings.telescopeType = box ? TelescopeType::ControlBox : TelescopeType::Lx200;
        const bool connected = box ? link.OpenControlBoxLine() : link.OpenLx200Line();
        if (box && connected) (void)InitialiseControlBox(link.Line());

        for (int n = 0; n < kMostSequences && !s.Done(); ++n) {
            operations = 0;
            RunOneSequence(s, link);
            VEXA_FUZZ_CHECK(operations <= kMostOperationsPerSequence);
            VEXA_FUZZ_CHECK(Session().telescope.scopeInfo.size() <= kInfoBytes);
        }
    }
    script = nullptr;
    return 0;
}
