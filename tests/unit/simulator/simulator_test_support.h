// Helpers for tests on the simulated sky and camera: a quiet sky, commands on the wire, frames
// read back as samples, and a plain flux centroid to locate stars independently of the code
// under test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "camera/camera_protocol.h"
#include "session/clock.h"
#include "simulator/simulated_camera.h"
#include "simulator/sky_model.h"

namespace vexa::test {

// A sky that holds still and shows only what a test puts into it: no noise, drift, vignetting,
// dark current or hot pixels, no sky glow.
inline SkyConfig QuietSky() {
    SkyConfig config;
    config.noise = false;
    config.skyAduPerS = 0;
    config.darkAduPerS = 0;
    config.hotPixelCount = 0;
    config.vignettingAtCorner = 0;
    config.driftXPxPerS = 0;
    config.driftYPxPerS = 0;
    config.periodicAmplitudePx = 0;
    return config;
}

// Installs a virtual clock for the test's lifetime, before the test's own members are made
// (the simulated camera reads the clock when it is made).
class ClockFixture : public ::testing::Test {
  protected:
    ClockFixture() { SetClock(&clock); }
    ~ClockFixture() override { SetClock(nullptr); }
    VirtualClock clock;
};

using Command = std::array<uint8_t, kCommandBytes>;

inline Status Send(SimulatedCamera& camera, const Command& command) {
    std::array<uint8_t, kCommandReportBytes> report{};
    report[0] = kHidReportId;
    std::copy(command.begin(), command.end(), report.begin() + 1);
    return camera.WriteReport(report);
}

inline Command ExposureControl(uint8_t mode) {
    return {kExposureControlCode, mode};
}

inline void Expose(SimulatedCamera& camera, VirtualClock& clock, uint32_t exposureMs) {
    ASSERT_TRUE(Send(camera, ExposureControl(kExposureTickMode)).ok());
    ASSERT_TRUE(Send(camera, ExposureControl(kStartExposureMode)).ok());
    clock.Advance(exposureMs);
    ASSERT_TRUE(Send(camera, ExposureControl(kEndExposureMode)).ok());
}

// The read command the program sends for a focus window with its corner at (x, y).
inline Command FocusReadCommand(int x, int y) {
    Command command{kReadPixelsCode};
    command[kFocusRowsBeforeByte] =
        static_cast<uint8_t>((y + kFocusRowsBeforeBias) / kFocusRowUnit);
    command[kFocusRowsAfterByte] =
        static_cast<uint8_t>((kFullFrameTransfer.areaLines - y) / kFocusRowUnit);
    command[kFocusColumnsBeforeByte] =
        static_cast<uint8_t>((x + kFocusColumnsBeforeBias) / kFocusColumnUnit);
    command[kFocusColumnsAfterByte] =
        static_cast<uint8_t>((kFullFrameTransfer.areaSamples - x) / kFocusColumnUnit);
    command[kReadKindByte] = kReadFocusKind;
    return command;
}

inline Command ReadCommand(Readout readout) {
    if (readout == Readout::FocusWindow) return FocusReadCommand(586, 451);
    Command command{kReadPixelsCode};
    if (readout == Readout::Binned) command[kReadKindByte] = kReadBinnedKind;
    return command;
}

inline std::vector<uint16_t> FromLittleEndian(const std::vector<uint8_t>& bytes) {
    std::vector<uint16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

// Sends the read command and fetches the whole transfer as samples.
inline std::vector<uint16_t> ReadTransfer(SimulatedCamera& camera, const Command& command,
                                          Readout readout) {
    std::vector<uint8_t> bytes(LayoutOf(readout).TransferBytes());
    size_t delivered = 0;
    EXPECT_TRUE(Send(camera, command).ok());
    EXPECT_TRUE(camera.ReadBulk(bytes, delivered, 1000).ok());
    EXPECT_EQ(delivered, bytes.size());
    return FromLittleEndian(bytes);
}

// The image area cut out of a transfer, rows packed.
inline std::vector<uint16_t> Area(const std::vector<uint16_t>& transfer,
                                  const TransferLayout& layout) {
    std::vector<uint16_t> area;
    for (int line = 0; line < layout.areaLines; ++line) {
        const auto first = transfer.begin() +
                           (layout.areaFirstLine + line) * layout.samplesPerLine +
                           layout.areaFirstSample;
        area.insert(area.end(), first, first + layout.areaSamples);
    }
    return area;
}

struct Spot {
    double x = 0, y = 0, flux = 0;
};

// Flux centroid above the given level within a square of half-size reach around the
// brightest sample.
inline Spot Centroid(const std::vector<uint16_t>& samples, int width, double level,
                     int reach = 20) {
    const size_t brightest =
        static_cast<size_t>(std::max_element(samples.begin(), samples.end()) - samples.begin());
    const int height = static_cast<int>(samples.size()) / width;
    const int bx = static_cast<int>(brightest % static_cast<size_t>(width));
    const int by = static_cast<int>(brightest / static_cast<size_t>(width));
    Spot spot;
    double sx = 0, sy = 0;
    for (int r = std::max(0, by - reach); r <= std::min(height - 1, by + reach); ++r) {
        for (int c = std::max(0, bx - reach); c <= std::min(width - 1, bx + reach); ++c) {
            const double v = samples[static_cast<size_t>(r * width + c)] - level;
            spot.flux += v;
            sx += v * c;
            sy += v * r;
        }
    }
    spot.x = sx / spot.flux;
    spot.y = sy / spot.flux;
    return spot;
}

}  // namespace vexa::test
