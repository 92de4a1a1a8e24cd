// The guider against the simulated camera and mount in this process, on the program clock:
// training measures the guide rates and backlash the mount was built with, and guiding keeps
// a drifting star in place.
#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "camera/camera.h"
#include "camera/camera_guide_frames.h"
#include "camera/capture_sequence.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "simulator/simulated_camera.h"
#include "simulator/simulated_mount.h"
#include "simulator/sky_model.h"
#include "telescope/guider.h"
#include "telescope/mount_link.h"
#include "tests/unit/simulator/simulator_test_support.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

// A training pulse (19 ms) moves the field this far.
constexpr double kPixelsPerTrainingPulse = 5.0;
constexpr double kGuidePxPerS = kPixelsPerTrainingPulse * 1000.0 / kTrainingPulseMsPerSecond;
constexpr double kRaBacklashPx = 3.0;
constexpr double kDecBacklashPx = 2.0;
constexpr int kStarX = 650;
constexpr int kStarY = 515;

// The mount's side of the line, without a terminal: every write reaches the mount at once and
// its answers wait for the next read.
class MountLine : public SerialLine {
  public:
    explicit MountLine(SimulatedMount& mount) : mount_(mount) {}
    Status Open(const std::string&) override {
        open_ = true;
        return {};
    }
    bool IsOpen() const override { return open_; }
    Status ApplySettings(const std::string&) override { return {}; }
    Status Write(std::span<const uint8_t> bytes) override {
        const std::string reply = mount_.Receive(std::string(bytes.begin(), bytes.end()));
        pending_.insert(pending_.end(), reply.begin(), reply.end());
        return {};
    }
    Status Read(std::span<uint8_t> buffer, size_t& got, int) override {
        got = 0;
        while (got < buffer.size() && !pending_.empty()) {
            buffer[got++] = static_cast<uint8_t>(pending_.front());
            pending_.pop_front();
        }
        return got == buffer.size() ? Status() : Status(StatusCode::Timeout, "no reply");
    }
    Status Flush(SerialQueue) override { return {}; }
    Status RaiseModemLines() override { return {}; }
    void Close() override { open_ = false; }

  private:
    SimulatedMount& mount_;
    std::deque<char> pending_;
    bool open_ = false;
};

SkyConfig OneStarSky(double driftXPxPerS, double driftYPxPerS) {
    SkyConfig config = test::QuietSky();
    config.driftXPxPerS = driftXPxPerS;
    config.driftYPxPerS = driftYPxPerS;
    return config;
}

MountConfig GuideMount() {
    MountConfig config;
    config.kind = MountKind::Lx200;
    config.northMovesFieldDown = true;
    config.guideRaPxPerS = kGuidePxPerS;
    config.guideDecPxPerS = kGuidePxPerS;
    config.raBacklashPx = kRaBacklashPx;
    config.decBacklashPx = kDecBacklashPx;
    return config;
}

class GuidingSimulatorTest : public ::testing::Test {
  protected:
    explicit GuidingSimulatorTest(double driftX = 0.0, double driftY = 0.0)
        : sky(OneStarSky(driftX, driftY)), mount(GuideMount(), &sky) {
        fixture.clock.SetStepPerReading(1);
        sky.SetStars({{kStarX, kStarY, 200000.0}});
        SessionState& s = Session();
        EXPECT_EQ(LoadSettings(), 0);
        s.settings.showInterfaceDetails = false;
        s.settings.telescopeType = TelescopeType::Lx200;
        s.camera.exposureUnit = 't';
        s.camera.exposureValue = 5;
        (void)link.OpenLx200Line();
        s.guideStarX = kStarX;
        s.guideStarY = kStarY;
        s.guideTrainingSeconds = 1;
    }
    // A first frame with the star on it, as picking needs.
    void TakeFrame() {
        ASSERT_EQ(RunCaptureSequence(device, nullptr, CaptureDialog::Skipped),
                  CaptureOutcome::Finished);
    }

    test::SessionFixture fixture;
    SkyModel sky;
    SimulatedCamera camera{sky};
    Camera device{camera};
    SimulatedMount mount;
    MountLink link{[this] { return std::make_unique<MountLine>(mount); }};
};

TEST_F(GuidingSimulatorTest, TrainingMeasuresTheMountsRatesAndBacklash) {
    TakeFrame();
    CaptureGuideFrames frames(&device, GuideFrameKind::Training);
    GuideRun run(frames, link.Pulses());
    ASSERT_TRUE(run.Train());
    const PersistentSettings& p = Session().settings;
    EXPECT_NEAR(p.raPixelsPerSecond, kPixelsPerTrainingPulse, 1);
    EXPECT_NEAR(p.decPixelsPerSecond, kPixelsPerTrainingPulse, 1);
    EXPECT_NEAR(p.raBacklash, kRaBacklashPx, 1);
    EXPECT_NEAR(p.decBacklash, kDecBacklashPx, 1);
}

class DriftingGuidingTest : public GuidingSimulatorTest {
  protected:
    DriftingGuidingTest() : GuidingSimulatorTest(0.25, -0.15) {}
};

TEST_F(DriftingGuidingTest, GuidingKeepsADriftingStarWithinAPixel) {
    SessionState& s = Session();
    // The first frame finds the camera, which reloads the settings: the guide settings follow.
    TakeFrame();
    s.settings.raPixelsPerSecond = static_cast<int16_t>(kPixelsPerTrainingPulse);
    s.settings.decPixelsPerSecond = static_cast<int16_t>(kPixelsPerTrainingPulse);
    s.settings.ignoreSmallDrift = false;
    constexpr int kFrames = 30;
    CaptureGuideFrames frames(&device, GuideFrameKind::Guiding);
    GuideRun run(frames, link.Pulses());
    ASSERT_TRUE(run.Guide(kFrames));
    const GuidingInfo info = run.Info();
    EXPECT_EQ(info.frames, kFrames);
    EXPECT_LT(info.rmsTotalPx, 1.0);
    // The pulses took out several pixels of drift in that time.
    EXPECT_LT(mount.FieldShiftXPx(), -5.0);
    EXPECT_GT(mount.FieldShiftYPx(), 3.0);
    EXPECT_EQ(fixture.ui.guidingInfos.size(), static_cast<size_t>(kFrames));
    EXPECT_EQ(fixture.ui.LastText(), "AutoGuiding Terminated");
    EXPECT_EQ(run.State(), GuideState::Stopped);
    EXPECT_EQ(s.guideStarX, kStarX);
}

}  // namespace
}  // namespace vexa
