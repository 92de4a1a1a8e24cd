// The long run, outside the ordinary test run (`make soak` runs it under AddressSanitizer):
// a thousand continuous frames from the simulated camera, each autosaved, on the program
// clock. Every file must be on disk whole, and nothing may leak.
// VEXA_SOAK_FRAMES sets the number of frames; VEXA_SOAK_FULL=1 takes full frames instead of
// 2 x 2 binned ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "camera/camera.h"
#include "camera/camera_dialog_model.h"
#include "camera/capture_sequence.h"
#include "files/fits_file.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "simulator/simulated_camera.h"
#include "simulator/sky_model.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::test {
namespace {

int FramesWanted() {
    const char* text = std::getenv("VEXA_SOAK_FRAMES");
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 1000;
}

TEST(CaptureSoak, DISABLED_ContinuousFramesAreAllSavedWhole) {
    SessionFixture fixture;
    SkyModel sky;
    SimulatedCamera camera(sky);
    Camera device(camera);
    Session().settings.showInterfaceDetails = false;
    Session().autoSaveImage = true;
    Session().continuousCapture = true;
    const bool full = std::getenv("VEXA_SOAK_FULL") != nullptr;
    const int frames = FramesWanted();
    fixture.ui.cameraDialog = [full](CameraDialogModel& model) {
        model.ChooseUnit('t');
        if (!full) model.Toggle(CameraOption::BinImage);
        return true;
    };
    int finished = 0;
    fixture.ui.onFrameFinished = [&](const FinishedFrame& frame) {
        finished = frame.number;
        fixture.ui.finishedFrames.clear();  // nothing kept per frame
        fixture.ui.loadedBitmaps.clear();
        fixture.ui.idleWaits.clear();
        if (frame.number == frames) fixture.ui.pendingEvents.push_back(FakeEvent::KeyPress);
    };
    EXPECT_EQ(RunCaptureSequence(device), CaptureOutcome::Finished);

    EXPECT_EQ(finished, frames);
    EXPECT_TRUE(fixture.ui.messages.empty()) << fixture.ui.LastText();
    const auto size = static_cast<uintmax_t>(full ? kFullFitsFileBytes : kHalfFitsFileBytes);
    for (int n = 1; n <= frames; ++n) {
        const std::filesystem::path file =
            HostPath("c:\\AUTOSAVE\\IMG" + std::to_string(n) + ".FIT");
        std::error_code error;
        ASSERT_EQ(std::filesystem::file_size(file, error), size) << file;
    }
    EXPECT_FALSE(std::filesystem::exists(
        HostPath("c:\\AUTOSAVE\\IMG" + std::to_string(frames + 1) + ".FIT")));
}

}  // namespace
}  // namespace vexa::test
