// The simulated mount from outside: `vexaq4-cli simulate-mount` serves whatever another
// program writes down the line. The input is that program's bytes, cut into writes with time
// passing between them, for an LX200 mount or a control box, with or without a fault.
// Properties: the pointing stays a sky position, every motion a finite number, the answers
// stay in proportion to what was written (a late answer comes with a later write), and the
// remembered commands stay within their limit.
#include <cmath>

#include "fuzz/fuzz_support.h"
#include "session/clock.h"
#include "simulator/simulated_mount.h"
#include "simulator/sky_model.h"

namespace vexa::fuzz {
namespace {

constexpr int kMostWrites = 24;
constexpr size_t kLongestWrite = 64;
// The longest answer of any one command byte: the 33-byte information after "#:MS#" and the
// 34-byte GoTo message, with room to spare.
constexpr size_t kMostAnswerBytesPerByte = 80;

bool Finite(double value) {
    return std::isfinite(value);
}

}  // namespace
}  // namespace vexa::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vexa;
    using namespace vexa::fuzz;
    ResetWorld();
    static VirtualClock clock;
    SetClock(&clock);
    static SkyModel sky;

    ByteScript script(data, size);
    MountConfig config;
    const uint8_t setup = script.Byte();
    config.kind = setup % 2 ? MountKind::ControlBox : MountKind::Lx200;
    config.refuseSpacedValues = setup & 2;
    config.raBacklashPx = (setup >> 2) % 4;
    config.northMovesFieldDown = setup & 16;
    SimulatedMount mount(config, &sky);
    if (setup & 32)
        mount.SetFault(static_cast<MountFault>(script.Byte() % 5), script.Byte() * 20u,
                       script.Byte() % 40);

    size_t written = 0;
    size_t answered = 0;
    for (int n = 0; n < kMostWrites && !script.Done(); ++n) {
        std::string bytes(script.Byte() % kLongestWrite, '\0');
        for (char& c : bytes) c = static_cast<char>(script.Byte());
        clock.Advance(script.Word());
        written += bytes.size() + 1;
        answered += mount.Receive(bytes).size();
        VEXA_FUZZ_CHECK(answered <= kMostAnswerBytesPerByte * written);
        VEXA_FUZZ_CHECK(Finite(mount.RaHours()) && Finite(mount.DecDegrees()));
        VEXA_FUZZ_CHECK(mount.RaHours() >= 0.0 && mount.RaHours() < 24.0);
        VEXA_FUZZ_CHECK(mount.DecDegrees() >= -90.0 && mount.DecDegrees() <= 90.0);
        VEXA_FUZZ_CHECK(Finite(mount.FieldShiftXPx()) && Finite(mount.FieldShiftYPx()));
        VEXA_FUZZ_CHECK(Finite(mount.FocusSteps()));
        VEXA_FUZZ_CHECK(mount.Commands().size() <= SimulatedMount::kRememberedCommands);
    }
    return 0;
}
