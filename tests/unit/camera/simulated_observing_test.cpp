// The camera layer against the simulated camera: the focus window it asks for is the one the
// camera reads, and a whole night's sequence (focus, a drift-compensated sum, continuous
// autosaved frames) runs on the program clock with the stars where the sky put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "camera/camera.h"
#include "camera/camera_commands.h"
#include "camera/camera_dialog_model.h"
#include "camera/capture_sequence.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "simulator/simulated_camera.h"
#include "simulator/sky_model.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::test {
namespace {

class SimulatedObservingTest : public ::testing::Test {
  protected:
    SimulatedObservingTest() { Session().settings.showInterfaceDetails = false; }

    SkyStar Brightest() {
        const std::vector<SkyStar> stars = sky.StarsAt(fixture.clock.Milliseconds());
        return *std::max_element(
            stars.begin(), stars.end(),
            [](const SkyStar& a, const SkyStar& b) { return a.aduPerS < b.aduPerS; });
    }

    SessionFixture fixture;
    SkyModel sky;
    SimulatedCamera camera{sky};
    Camera device{camera};
};

TEST_F(SimulatedObservingTest, TheFocusWindowReadIsTheOneAskedForOrTheLastAddressableColumn) {
    DeviceTable table{};
    (void)device.OpenUSBdevices(table);
    for (int x : {3, 100, 275, 276, 586, 1012, 1013, 1100, 1235}) {
        for (int y : {1, 449, 965}) {
            Session().focusWindowX = x;
            Session().focusWindowY = y;
            (void)device.EndExposure();
            ASSERT_TRUE(device.ReadFocusWindow().ok());
            const FocusWindowCorner read = camera.PreparedFocusCorner();
            EXPECT_NEAR(read.column, std::min(x, kFocusLastAddressableColumn), 2) << x << "," << y;
            EXPECT_NEAR(read.row, y, 15) << x << "," << y;
        }
    }
}

TEST_F(SimulatedObservingTest, FocusSumAndContinuousFramesFindTheStarsWhereTheSkyPutThem) {
    FakeUi& ui = fixture.ui;
    // Focus: three frames of a tenth of a second on the default window, which holds the
    // field's brightest star.
    std::vector<double> diameters;
    ui.cameraDialog = [&diameters](CameraDialogModel& model) {
        model.ChooseUnit('t');
        model.SetFocusFrameListener([&diameters] {
            const CameraState& c = Session().camera;
            if (c.focusHfdFound) diameters.push_back(c.focusHfdPx);
            if (c.focusFrames == 3) Session().camera.focusStop = true;
        });
        model.StartFocus();
        return false;
    };
    ResetFocusWindow();
    EXPECT_EQ(RunCaptureSequence(device), CaptureOutcome::Cancelled);
    ASSERT_EQ(diameters.size(), 3u);
    for (double d : diameters) EXPECT_NEAR(d, sky.StarFwhmPx(), 0.6);

    // A sum of three one-second exposures on the brightest star.
    const SkyStar star = Brightest();
    Session().starCentreX = static_cast<int32_t>(std::lround(star.x));
    Session().starCentreY = static_cast<int32_t>(std::lround(star.y));
    ui.cameraDialog = [](CameraDialogModel& model) {
        model.ChooseUnit('s');
        model.SetExposureCount(3);
        return true;
    };
    EXPECT_EQ(RunCaptureSequence(device), CaptureOutcome::Finished);
    const SkyStar moved = Brightest();
    EXPECT_NEAR(Session().starCentreX, moved.x, 1.0);
    EXPECT_NEAR(Session().starCentreY, moved.y, 1.0);
    EXPECT_TRUE(ui.messages.empty()) << ui.LastText();

    // Continuous binned frames, autosaved, until a click.
    Session().autoSaveImage = true;
    Session().continuousCapture = true;
    ui.cameraDialog = [](CameraDialogModel& model) {
        model.Toggle(CameraOption::BinImage);
        return true;
    };
    ui.onFrameFinished = [&ui](const FinishedFrame& frame) {
        if (frame.number == 2) ui.pendingEvents.push_back(FakeEvent::LeftPress);
    };
    EXPECT_EQ(RunCaptureSequence(device), CaptureOutcome::Finished);
    ASSERT_EQ(ui.finishedFrames.size(), 3u);  // the sum, then two continuous frames
    EXPECT_TRUE(std::filesystem::exists(ui.finishedFrames[2].savedHostPath));
    const SkyStar now = Brightest();
    const int column = static_cast<int>(std::lround(now.x / 2));
    const int row = static_cast<int>(std::lround(now.y / 2));
    EXPECT_GT(Session().currentImage[static_cast<size_t>(row * kHalfWidth + column)], 20000);
}

}  // namespace
}  // namespace vexa::test
