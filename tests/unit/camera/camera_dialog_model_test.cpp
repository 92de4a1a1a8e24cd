#include "camera/camera_dialog_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "camera/camera.h"
#include "files/view_bitmap.h"
#include "session/host_paths.h"
#include "session/message_catalogue.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/recording_camera.h"

namespace vexa::test {
namespace {

class CameraDialogModelTest : public ::testing::Test {
  protected:
    SessionFixture fixture;
    CameraDialogModel model;
};

TEST_F(CameraDialogModelTest, UnitButtonsSetTheUnitItsMaximumAndAStartValue) {
    struct Case {
        char unit;
        uint16_t maximum, value;
    } cases[] = {{'h', 500, 10}, {'t', 100, 1}, {'s', 300, 1}, {'m', 90, 1}};
    for (const Case& c : cases) {
        model.SetExposureValue(50);
        model.ChooseUnit(c.unit);
        EXPECT_EQ(model.Unit(), c.unit);
        EXPECT_EQ(Session().camera.exposureMaximum, c.maximum);
        EXPECT_EQ(model.ExposureValue(), c.value);
    }
    model.ChooseUnit('x');
    EXPECT_EQ(model.Unit(), 'm');
}

TEST_F(CameraDialogModelTest, ArrowsStepWithinEachRangeUpLoweringTheValue) {
    model.ChooseUnit('m');
    model.ExposureUp();
    EXPECT_EQ(model.ExposureValue(), 1);
    for (int i = 0; i < 100; ++i) model.ExposureDown();
    EXPECT_EQ(model.ExposureValueText(), "90");
    model.ExposureUp();
    EXPECT_EQ(model.ExposureValue(), 89);

    Session().seriesCount = 1;
    model.CountUp();
    EXPECT_EQ(model.ExposureCount(), 1);
    for (int i = 0; i < 120; ++i) model.CountDown();
    EXPECT_EQ(model.ExposureCountText(), "99");

    model.PauseUp();
    EXPECT_EQ(model.PauseMinutes(), 0);
    for (int i = 0; i < 30; ++i) model.PauseDown();
    EXPECT_EQ(model.PauseText(), "20");
    model.PauseUp();
    EXPECT_EQ(model.PauseMinutes(), 19);

    // Set directly (the command line) the values keep to the same ranges.
    model.SetExposureValue(1000);
    EXPECT_EQ(model.ExposureValue(), 90);
    model.SetExposureCount(0);
    EXPECT_EQ(model.ExposureCount(), 1);
    model.SetPauseMinutes(-4);
    EXPECT_EQ(model.PauseMinutes(), 0);
}

TEST_F(CameraDialogModelTest, StretchBarKeepsTwelveToSixteenBits) {
    struct Step {
        BitDepthBarAction action;
        int thumb;
        int32_t bits;
    } steps[] = {
        {BitDepthBarAction::LineRight, 0, 15}, {BitDepthBarAction::LineRight, 0, 16},
        {BitDepthBarAction::LineRight, 0, 16}, {BitDepthBarAction::PageLeft, 0, 12},
        {BitDepthBarAction::LineLeft, 0, 12},  {BitDepthBarAction::Thumb, 13, 13},
        {BitDepthBarAction::Thumb, 40, 16},    {BitDepthBarAction::PageRight, 0, 16},
    };
    EXPECT_EQ(model.StretchText(), "14");
    for (const Step& s : steps) {
        model.ScrollStretch(s.action, s.thumb);
        EXPECT_EQ(model.StretchBits(), s.bits);
    }
}

TEST_F(CameraDialogModelTest, EveryCheckBoxTogglesItsOwnSetting) {
    const CameraOption all[] = {CameraOption::AverageMultiple,   CameraOption::AlternativeSlew,
                                CameraOption::AutoSave,          CameraOption::DelayBeforeExposure,
                                CameraOption::Continuous,        CameraOption::BinImage,
                                CameraOption::RemoveDark,        CameraOption::ApplyFlat,
                                CameraOption::AutoProcessing,    CameraOption::StretchAllImages,
                                CameraOption::AutochangeExposure};
    for (CameraOption option : all) {
        EXPECT_FALSE(model.Checked(option));
        model.Toggle(option);
        for (CameraOption other : all) EXPECT_EQ(model.Checked(other), other == option);
        model.Toggle(option);
    }
    model.Toggle(CameraOption::Continuous);
    model.Toggle(CameraOption::StretchAllImages);
    EXPECT_TRUE(Session().continuousCapture);
    EXPECT_TRUE(Session().paletteStretch);
}

TEST_F(CameraDialogModelTest, ReadOnlyControlsShowTheSession) {
    Session().darkFrameFileName = "c:\\dark.def";
    Session().flatFieldFileName = "/data/flat.tq";
    Session().settings.autosaveNumber = 42;
    Session().camera.focusPeak = 16383;
    EXPECT_EQ(model.DarkFileName(), "c:\\dark.def");
    EXPECT_EQ(model.FlatFileName(), "/data/flat.tq");
    EXPECT_EQ(model.LastFileNumberText(), "42");
    EXPECT_EQ(model.MaxValueText(), "16383");
    EXPECT_EQ(model.HalfFluxText(), "-");
    Session().camera.focusHfdFound = true;
    Session().camera.focusHfdPx = 3.26;
    EXPECT_EQ(model.HalfFluxText(), "3.3");
}

TEST_F(CameraDialogModelTest, HelpShowsTheWholeText) {
    model.ShowHelp();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, kMessageCaption);
    EXPECT_EQ(fixture.ui.messages[0].text, kCameraHelpText);
    EXPECT_GT(fixture.ui.messages[0].text.size(), 255u);
}

class FocusModeTest : public ::testing::Test {
  protected:
    FocusModeTest() {
        DeviceTable table{};
        Session().settings.showInterfaceDetails = false;
        (void)device.OpenUSBdevices(table);
        camera.image = [](int row, int column) -> uint16_t {
            return row == 60 && column > 60 && column < 64 ? 9000 : 1000;
        };
        model.ChooseUnit('h');
    }
    SessionFixture fixture;
    RecordingCamera camera{&fixture.clock};
    Camera device{camera};
    CameraDialogModel model{&device};
};

TEST_F(FocusModeTest, MinutesAndLongExposuresDoNothing) {
    for (auto [unit, value] : {std::pair{'m', 1}, std::pair{'s', 100}, std::pair{'t', 100}}) {
        model.ChooseUnit(unit);
        model.SetExposureValue(value);
        model.StartFocus();
        EXPECT_TRUE(camera.reports.empty()) << unit << value;
        EXPECT_FALSE(Session().camera.refreshNeeded);
    }
    model.ChooseUnit('s');
    model.SetExposureValue(99);
    model.SetFocusFrameListener([] { Session().camera.focusStop = true; });
    model.StartFocus();
    EXPECT_EQ(camera.ReadCommands(), 1);
}

TEST_F(FocusModeTest, FramesRepeatUntilStopShowingPeakAndTheFocusBitmap) {
    Session().currentImage.fill(3000);
    const auto before = std::make_unique<Plane>(Session().currentImage);
    int frames = 0;
    std::vector<std::string> shown;
    model.SetFocusFrameListener([&] {
        EXPECT_TRUE(Session().smallFrameDisplay);
        EXPECT_TRUE(model.FocusRunning());
        shown.push_back(model.MaxValueText());
        if (++frames == 3) model.StopFocus();
    });
    model.StartFocus();
    EXPECT_EQ(frames, 3);
    // The sky (1000 / 4) counts; the bright row has no bright neighbour above it.
    EXPECT_EQ(shown, (std::vector<std::string>{"250", "250", "250"}));
    EXPECT_EQ(camera.ReadCommands(), 3);
    EXPECT_EQ(fixture.ui.beeps, 2);  // between the frames
    EXPECT_TRUE(Session().camera.refreshNeeded);
    EXPECT_FALSE(Session().smallFrameDisplay);
    EXPECT_FALSE(model.FocusRunning());
    // The frames were shown from the focus bitmap; the end brings back the image as it was.
    const std::vector<std::string>& loaded = fixture.ui.loadedBitmaps;
    ASSERT_GE(loaded.size(), 2u);
    EXPECT_EQ(loaded[loaded.size() - 2], model.FocusBitmapHostPath());
    EXPECT_EQ(loaded.back(), HostPath(ViewBitmapProgramPath(ViewBitmapVariant::Full)).string());
    EXPECT_TRUE(Session().currentImage == *before);
    EXPECT_TRUE(std::filesystem::exists(model.FocusBitmapHostPath()));
    EXPECT_EQ(std::filesystem::file_size(model.FocusBitmapHostPath()), 17462u);
}

TEST_F(FocusModeTest, AClickOrKeyStopsTheLoopAndTheOneSecondDelayIsKept) {
    Session().settings.focusDelay = true;
    model.SetFocusFrameListener([this] {
        if (camera.ReadCommands() == 2) fixture.ui.pendingEvents.push_back(FakeEvent::LeftPress);
    });
    const uint32_t start = fixture.clock.Milliseconds();
    model.StartFocus();
    EXPECT_EQ(camera.ReadCommands(), 2);
    EXPECT_GE(fixture.clock.Milliseconds() - start, 1000u + 2 * 100u);
}

TEST_F(FocusModeTest, AFailedFocusTransferEndsTheLoop) {
    camera.bulkAnswers.push_back({Status(StatusCode::Disconnected, "gone", 19), 0});
    model.StartFocus();
    EXPECT_EQ(camera.ReadCommands(), 1);
    EXPECT_FALSE(device.Present());
    EXPECT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_FALSE(model.FocusRunning());
}

TEST_F(FocusModeTest, TakePhotoAndCancelStopARunningLoop) {
    model.SetFocusFrameListener([this] { model.TakePhoto(); });
    model.StartFocus();
    EXPECT_EQ(camera.ReadCommands(), 1);
    model.SetFocusFrameListener([this] { model.Cancel(); });
    model.StartFocus();
    EXPECT_EQ(camera.ReadCommands(), 2);
}

}  // namespace
}  // namespace vexa::test
