#include "indi/driver_exposure.h"

#include <gtest/gtest.h>

#include "camera/camera.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/recording_camera.h"

namespace vexa::indi {
namespace {

using test::kEndCommand;
using test::kStartCommand;
using test::kTickCommand;
using Commands = std::vector<test::Command>;

constexpr test::Command kReadFull{4, 0, 0, 0, 0, 0, 0, 0};
constexpr test::Command kReadBinned{4, 0, 0, 0, 0, 0, 0, 2};

class DriverExposureTest : public ::testing::Test {
  protected:
    DriverExposureTest() {
        DeviceTable table{};
        Session().settings.showInterfaceDetails = false;
        (void)camera.OpenUSBdevices(table);
        device.image = [](int row, int column) { return static_cast<uint16_t>(row + column); };
    }
    // Runs the passes as the driver's event loop does until the time is up.
    void WaitOut() {
        while (exposure.RemainingMs() > 0) {
            exposure.KeepAlive();
            fixture.clock.Advance(kExposurePassMs);
        }
    }

    test::SessionFixture fixture;
    test::RecordingCamera device{&fixture.clock};
    Camera camera{device};
    DriverExposure exposure{camera};
};

TEST_F(DriverExposureTest, SendsTheCapturesCommandsAndTicksOnlyExposuresLongerThan600Ms) {
    struct Case {
        uint32_t ms;
        bool binned;
        int ticksWhileRunning;
        test::Command read;
    } cases[] = {
        {600, false, 0, kReadFull},
        {601, true, 21, kReadBinned},  // a tick on each of the 30 ms passes
        {3000, false, 100, kReadFull},
    };
    for (const Case& c : cases) {
        device.reports.clear();
        ASSERT_TRUE(exposure.Begin(c.ms, c.binned).ok());
        EXPECT_TRUE(exposure.Running());
        EXPECT_EQ(exposure.RemainingMs(), c.ms);
        WaitOut();
        ASSERT_TRUE(exposure.Finish().ok());
        EXPECT_FALSE(exposure.Running());
        Commands expected{kTickCommand, kStartCommand};
        expected.insert(expected.end(), static_cast<size_t>(c.ticksWhileRunning), kTickCommand);
        expected.insert(expected.end(), {kEndCommand, c.read, kEndCommand});
        EXPECT_EQ(device.Commands(), expected) << c.ms;
        // Row 1, column 1 of the binned readout; row 0, column 651 of the full one.
        EXPECT_EQ(Session().currentImage[651], c.binned ? 2 : 651) << c.ms;
    }
}

TEST_F(DriverExposureTest, AnAbortEndsTheExposureWithoutAReadoutAndOnlyOnce) {
    ASSERT_TRUE(exposure.Begin(10000, false).ok());
    fixture.clock.Advance(1000);
    exposure.Abort();
    exposure.Abort();
    EXPECT_FALSE(exposure.Running());
    EXPECT_EQ(exposure.RemainingMs(), 0u);
    EXPECT_EQ(device.Commands(), (Commands{kTickCommand, kStartCommand, kEndCommand}));
    EXPECT_TRUE(device.bulkRequests.empty());
}

}  // namespace
}  // namespace vexa::indi
