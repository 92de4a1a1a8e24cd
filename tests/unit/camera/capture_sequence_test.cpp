#include "camera/capture_sequence.h"

#include <gtest/gtest.h>

#include "app/command_dispatch.h"
#include "resources/command_table.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>

#include "camera/camera.h"
#include "camera/camera_dialog_model.h"
#include "camera/camera_guide_frames.h"
#include "session/host_paths.h"
#include "session/long_operation.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "telescope/guider.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/no_guide_pulses.h"
#include "tests/unit/support/recording_camera.h"

namespace vexa::test {
namespace {

namespace fs = std::filesystem;

constexpr uint16_t kSky = 1000;

// A star of the given peak over the sky, Gaussian with sigma 1.5, centred on (x, y).
std::function<uint16_t(int, int)> StarAt(double x, double y, double peak = 20000) {
    return [x, y, peak](int row, int column) -> uint16_t {
        const double r2 = (column - x) * (column - x) + (row - y) * (row - y);
        return static_cast<uint16_t>(kSky + peak * std::exp(-r2 / 4.5));
    };
}

class CaptureTest : public ::testing::Test {
  protected:
    CaptureTest() {
        Session().settings.showInterfaceDetails = false;
        camera.image = [](int, int) { return kSky; };
        ui().cameraDialog = [this](CameraDialogModel& model) {
            inDialog = RunningLongOperation();
            if (setup) setup(model);
            return takePhoto;
        };
    }

    FakeUi& ui() { return fixture.ui; }
    CameraState& cam() { return Session().camera; }
    // The capture as the menu runs it.
    CaptureOutcome Capture(CaptureFaults* faults = nullptr) {
        const LongOperation running(LongOperationKind::Capture);
        return RunCaptureSequence(device, faults);
    }
    void Expose(char unit, uint16_t value, int count = 1) {
        setup = [unit, value, count](CameraDialogModel& model) {
            model.ChooseUnit(unit);
            model.SetExposureValue(value);
            model.SetExposureCount(count);
        };
    }
    // Command lists without the EndExposure that follows discovery.
    std::vector<Command> Exposures() {
        std::vector<Command> all = camera.Commands();
        if (!all.empty() && all.front() == kEndCommand) all.erase(all.begin());
        return all;
    }
    fs::path AutosaveFile(int n) {
        return HostPath("c:\\AUTOSAVE\\IMG" + std::to_string(n) + ".FIT");
    }
    void WriteTq(const std::string& programPath, int samples, uint16_t value) {
        std::vector<uint16_t> data(static_cast<size_t>(samples), value);
        const fs::path path = HostPath(programPath);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size() * 2));
    }
    void PressKeyAfterCommand(const Command& command, int occurrence) {
        camera.onWrite = [this, command, occurrence] {
            if (camera.Count(command) == occurrence)
                ui().pendingEvents.push_back(FakeEvent::KeyPress);
        };
    }
    bool Shown(MessageCode code) {
        for (const ShownMessage& m : ui().messages)
            if (m.text == CatalogueText(code)) return true;
        return false;
    }

    SessionFixture fixture;
    RecordingCamera camera{&fixture.clock};
    Camera device{camera};
    std::function<void(CameraDialogModel&)> setup;
    bool takePhoto = true;
    LongOperationKind inDialog = LongOperationKind::None;
};

TEST_F(CaptureTest, WithoutACameraTheCommandEndsBeforeTheDialog) {
    camera.discovery.hidOpen = camera.discovery.blockIoOpen = false;
    camera.discovery.blockIoInterfaces.clear();
    EXPECT_TRUE(ExecuteCommand(cmd::kCameraInterface, FrontEndDevices{&device}));
    EXPECT_EQ(ui().LastText(), kNoCameraText);
    EXPECT_EQ(ui().cameraDialogsShown, 0);
    EXPECT_TRUE(camera.reports.empty());  // nothing sent to a camera that is not there

    // A front end without a camera says the same.
    ui().messages.clear();
    EXPECT_TRUE(ExecuteCommand(cmd::kCameraInterface));
    EXPECT_EQ(ui().LastText(), kNoCameraText);
    EXPECT_EQ(ui().cameraDialogsShown, 0);
}

TEST_F(CaptureTest, DiscoveryRunsOnlyWhileNoCameraIsPresentAndEndsAnyExposure) {
    takePhoto = false;
    EXPECT_EQ(Capture(), CaptureOutcome::Cancelled);
    EXPECT_EQ(Capture(), CaptureOutcome::Cancelled);
    EXPECT_EQ(camera.discoveries, 1);
    EXPECT_EQ(camera.Commands(), std::vector<Command>{kEndCommand});
    EXPECT_EQ(inDialog, LongOperationKind::Capture);
    EXPECT_EQ(Session().darkFrameFileName, "c:\\dark.def");
    EXPECT_EQ(Session().flatFieldFileName, "c:\\flat.def");
}

TEST_F(CaptureTest, CancelAfterFocusModeBringsTheWholeImageBack) {
    takePhoto = false;
    setup = [](CameraDialogModel& model) {
        model.ChooseUnit('h');
        model.SetFocusFrameListener([] { Session().camera.focusStop = true; });
        model.StartFocus();
    };
    const size_t before = ui().loadedBitmaps.size();
    EXPECT_EQ(Capture(), CaptureOutcome::Cancelled);
    // One refresh for the focus frame, one for the whole image as focus mode ends, and one
    // more on Cancel.
    ASSERT_EQ(ui().loadedBitmaps.size(), before + 3);
    EXPECT_NE(ui().loadedBitmaps.back().find("VEXAQ4.bmp"), std::string::npos);
    EXPECT_FALSE(Session().smallFrameDisplay);
}

TEST_F(CaptureTest, ASingleExposureGoesOutInOrderAndEndsInTheEndOfFrameStep) {
    camera.image = StarAt(500, 400);
    Session().pickGuideStarMode = true;
    Session().focusWindowX = 7;
    Expose('s', 1);
    EXPECT_EQ(Capture(), CaptureOutcome::Finished);
    const std::vector<Command> sent = Exposures();
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ(sent[0], kTickCommand);
    EXPECT_EQ(sent[1], kStartCommand);
    EXPECT_EQ(sent[sent.size() - 3], kEndCommand);
    EXPECT_EQ(sent[sent.size() - 2], (Command{4, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sent.back(), kEndCommand);
    EXPECT_EQ(Session().currentImage[400 * 1300 + 500], kSky + 20000);
    EXPECT_EQ(Session().currentFileName, kCaptureImageTitle);
    EXPECT_DOUBLE_EQ(Session().exposureSeconds, 1.0);
    EXPECT_DOUBLE_EQ(Session().pixelWidth, 0.0074);
    ASSERT_EQ(ui().finishedFrames.size(), 1u);
    EXPECT_FALSE(ui().finishedFrames[0].saved);
    EXPECT_TRUE(Session().pickGuideStarMode);  // suspended during the capture, then back
    EXPECT_EQ(Session().focusWindowX, 586);
    EXPECT_EQ(ui().progressOpened, ui().progressClosed);
}

TEST_F(CaptureTest, SecondsExposuresTickEverySixthPassAndShowTheirSteps) {
    Expose('s', 5);
    Capture();
    // 5000 ms in passes of 5 ms: ticks on passes 7, 13, ... 997, besides the first.
    EXPECT_EQ(camera.Count(kTickCommand), 1 + 166);
    const std::vector<int>& positions = ui().progressPositions;
    // 0 at the start, then 42 a step (six steps) until the readout's 20.
    ASSERT_GE(positions.size(), 3u);
    EXPECT_EQ(positions[0], 0);
    EXPECT_EQ(positions[1], 42);
    EXPECT_EQ(positions[5], 210);
    EXPECT_EQ(positions[6], kReadingProgress);
    EXPECT_EQ(ui().progressTitles.back(), "READING TQ CAMERA - takes 10-12 seconds");
}

TEST_F(CaptureTest, ProgressStepsFollowTheExposure) {
    struct Case {
        char unit;
        uint16_t value;
        int steps;
    } cases[] = {{'s', 4, 2},  {'s', 5, 6},   {'s', 12, 6}, {'s', 13, 20},
                 {'m', 1, 20}, {'h', 500, 2}, {'t', 100, 2}};
    for (const Case& c : cases) EXPECT_EQ(ProgressSteps(c.unit, c.value), c.steps);
}

TEST_F(CaptureTest, ShortExposuresSpinWithoutMessagesTickingOnEveryPassAbove600Ms) {
    struct Case {
        char unit;
        uint16_t value;
        int ticks;
    } cases[] = {{'h', 60, 1}, {'t', 6, 1}, {'t', 7, 1 + 700}, {'h', 61, 1 + 610}};
    for (const Case& c : cases) {
        camera.reports.clear();
        Expose(c.unit, c.value);
        const size_t idlePasses = ui().idleWaits.size();
        Capture();
        EXPECT_EQ(camera.Count(kTickCommand), c.ticks) << c.unit << c.value;
        EXPECT_EQ(camera.ReadCommands(), 1);
        // Only the pass after the readout handled messages.
        EXPECT_EQ(ui().idleWaits.size(), idlePasses + 1) << c.unit << c.value;
    }
}

TEST_F(CaptureTest, AKeyDuringASecondsExposureSkipsItsReadoutAndEndsTheSeries) {
    Expose('s', 30, 3);
    PressKeyAfterCommand(kStartCommand, 1);
    const uint32_t start = fixture.clock.Milliseconds();
    EXPECT_EQ(Capture(), CaptureOutcome::Aborted);
    EXPECT_EQ(camera.ReadCommands(), 0);
    EXPECT_EQ(camera.Count(kStartCommand), 1);
    EXPECT_LT(fixture.clock.Milliseconds() - start, 1000u);  // the wait ended at once
    EXPECT_TRUE(ui().finishedFrames.empty());
    EXPECT_GE(ui().beeps, 1);
}

TEST_F(CaptureTest, AKeyDuringATenthsExposureOrTheReadoutStopsAfterThatFrame) {
    Expose('t', 5, 3);
    camera.image = StarAt(300, 300);
    Session().starCentreX = 300;
    Session().starCentreY = 300;
    PressKeyAfterCommand(Command{4, 0, 0, 0, 0, 0, 0, 0}, 1);
    EXPECT_EQ(Capture(), CaptureOutcome::Finished);
    EXPECT_EQ(camera.ReadCommands(), 1);
    EXPECT_EQ(ui().finishedFrames.size(), 1u);  // the frame read is still finished
}

TEST_F(CaptureTest, AFiveMinuteExposureTakesNoRealTime) {
    Expose('m', 5);
    const uint32_t start = fixture.clock.Milliseconds();
    EXPECT_EQ(Capture(), CaptureOutcome::Finished);
    EXPECT_GE(fixture.clock.Milliseconds() - start, 300000u);
    EXPECT_EQ(ui().progressPositions[1], 12);  // 20 steps of 256 / 20
}

TEST_F(CaptureTest, TheCountdownBeepsTenTimesAndAKeyShortensOnlyItsSecond) {
    Expose('h', 10);
    setup = [old = setup](CameraDialogModel& model) {
        old(model);
        model.Toggle(CameraOption::DelayBeforeExposure);
    };
    ui().pendingEvents.push_back(FakeEvent::KeyPress);
    EXPECT_EQ(Capture(), CaptureOutcome::Finished);
    EXPECT_EQ(ui().progressTitles[0], "EXPOSURE DELAY (Left - 10)");
    EXPECT_EQ(ui().progressTitles[9], "EXPOSURE DELAY (Left - 1)");
    EXPECT_EQ(ui().progressPositions[10], 250);
    EXPECT_EQ(ui().beeps, 11);  // ten for the countdown, one for the key
    EXPECT_EQ(camera.ReadCommands(), 1);
}

TEST_F(CaptureTest, StatusesCountTheExposuresStillToTake) {
    Expose('h', 10, 3);
    camera.image = StarAt(300, 300);
    Session().starCentreX = 300;
    Session().starCentreY = 300;
    Capture();
    const std::vector<std::string>& titles = ui().progressTitles;
    EXPECT_EQ(titles[0], "EXPOSURE UNDERWAY (Left - 3)");
    EXPECT_EQ(titles[1], "READING TQ CAMERA (Left - 3)");
    EXPECT_EQ(titles[2], "EXPOSURE UNDERWAY (Left - 2)");
    EXPECT_EQ(titles[4], "EXPOSURE UNDERWAY");
    EXPECT_EQ(titles[5], "READING TQ CAMERA - takes 10-12 seconds");
    EXPECT_DOUBLE_EQ(Session().exposureSeconds, 0.3);
}

TEST_F(CaptureTest, ContinuousWithOneExposureRepeatsUntilStoppedSavingEveryFrame) {
    Session().autoSaveImage = true;
    Session().continuousCapture = true;
    Expose('h', 10);
    ui().onFrameFinished = [this](const FinishedFrame& frame) {
        if (frame.number == 3) ui().pendingEvents.push_back(FakeEvent::LeftPress);
    };
    EXPECT_EQ(Capture(), CaptureOutcome::Finished);
    ASSERT_EQ(ui().finishedFrames.size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_TRUE(fs::exists(AutosaveFile(n))) << n;
        EXPECT_EQ(ui().finishedFrames[n - 1].savedHostPath, AutosaveFile(n).string());
    }
    EXPECT_FALSE(fs::exists(AutosaveFile(4)));
    EXPECT_EQ(Session().settings.autosaveNumber, 3);
    EXPECT_EQ(Session().continuousRunning, 0);
    EXPECT_DOUBLE_EQ(Session().exposureSeconds, 0.1);  // each frame's own time
}

TEST_F(CaptureTest, ContinuousWithThreeExposuresStopsAfterThreeUnsummedFrames) {
    Session().autoSaveImage = true;
    Session().continuousCapture = true;
    Expose('h', 10, 3);
    camera.image = StarAt(300, 300);
    EXPECT_EQ(Capture(), CaptureOutcome::Finished);
    EXPECT_EQ(ui().finishedFrames.size(), 3u);
    EXPECT_TRUE(fs::exists(AutosaveFile(3)));
    EXPECT_FALSE(fs::exists(AutosaveFile(4)));
    EXPECT_EQ(Session().currentImage[300 * 1300 + 300], kSky + 20000);  // not summed
    EXPECT_FALSE(Shown(MessageCode::NoSuitableGuideStar));
}

TEST_F(CaptureTest, APauseFollowsEachExposureButTheLastAndAKeyEndsIt) {
    Session().continuousCapture = true;
    Expose('h', 10, 2);
    setup = [old = setup](CameraDialogModel& model) {
        old(model);
        model.SetPauseMinutes(1);
    };
    const uint32_t start = fixture.clock.Milliseconds();
    Capture();
    const uint32_t elapsed = fixture.clock.Milliseconds() - start;
    EXPECT_GE(elapsed, 60000u);
    EXPECT_LT(elapsed, 120000u);
    EXPECT_EQ(std::count(ui().progressTitles.begin(), ui().progressTitles.end(),
                         std::string(kPauseStatus)),
              1);
    EXPECT_EQ(camera.ReadCommands(), 2);

    // A key during the pause ends the sequence there.
    camera.reports.clear();
    ui().onProgressTitle = [this](const std::string& title) {
        if (title == kPauseStatus) ui().pendingEvents.push_back(FakeEvent::KeyPress);
    };
    Capture();
    EXPECT_EQ(camera.ReadCommands(), 1);
    EXPECT_EQ(ui().finishedFrames.size(), 3u);  // the first frame of this capture, saved
}

TEST_F(CaptureTest, TheDarkIsReadOncePerCaptureAndTheFlatOncePerRun) {
    WriteTq("c:\\dark.def", kFullSampleCount, 100);
    WriteTq("c:\\flat.def", kFullSampleCount, 500);
    Session().darkFrameOn = true;
    Session().flatFieldOn = true;
    Session().continuousCapture = true;
    Expose('h', 10, 2);
    camera.onWrite = [this] {
        // Both references go away once the first frame has used them.
        if (camera.Count(kStartCommand) == 2) {
            fs::remove(HostPath("c:\\dark.def"));
            fs::remove(HostPath("c:\\flat.def"));
        }
    };
    Capture();
    EXPECT_EQ(camera.ReadCommands(), 2);
    EXPECT_TRUE(ui().messages.empty());
    EXPECT_EQ(Session().currentImage[500 * 1300 + 500], kSky - 100);  // dark gone, flat = 1

    camera.onWrite = nullptr;
    Capture();
    EXPECT_TRUE(Shown(MessageCode::DarkFrameOpenFailed));
    EXPECT_FALSE(Shown(MessageCode::FlatFieldOpenFailed));
}

TEST_F(CaptureTest, MissingOrMismatchedReferencesAreReportedAndTheCaptureGoesOn) {
    WriteTq("c:\\dark.def", kFullSampleCount, 100);
    WriteTq("c:\\flat.def", kHalfWidth * kHalfHeight, 500);
    Session().darkFrameOn = true;
    Session().flatFieldOn = true;
    Expose('h', 10);
    setup = [old = setup](CameraDialogModel& model) {
        old(model);
        model.Toggle(CameraOption::BinImage);
    };
    Capture();
    EXPECT_TRUE(Shown(MessageCode::DarkFrameNotTq));
    EXPECT_FALSE(Shown(MessageCode::FlatFieldNotTq));  // a Half flat fits the binned frame
    EXPECT_EQ(ui().finishedFrames.size(), 1u);
    EXPECT_EQ(Session().geometry.width, 650);

    Session().flatFieldFileName = "c:\\nowhere.def";
    Session().camera.flatLoaded = false;
    Capture();
    EXPECT_TRUE(Shown(MessageCode::FlatFieldOpenFailed));
}

TEST_F(CaptureTest, StandardSlewAndSumFollowsTheStar) {
    int frame = 0;
    camera.image = [&frame](int row, int column) {
        return StarAt(400 + frame, 300, 10000)(row, column);
    };
    camera.onWrite = [this, &frame] { frame = camera.Count(kStartCommand) - 1; };
    Session().starCentreX = 398;
    Session().starCentreY = 302;
    Expose('h', 10, 3);
    EXPECT_EQ(Capture(), CaptureOutcome::Finished);
    EXPECT_EQ(ui().finishedFrames.size(), 1u);
    // The sum lies at the star's latest position: three stars and three skies.
    EXPECT_EQ(Session().currentImage[300 * 1300 + 402], 3 * (kSky + 10000));
    EXPECT_EQ(Session().camera.driftStarX, 0);  // forgotten at the end

    // Averaged, the sum keeps the scale of one frame.
    setup = [old = setup](CameraDialogModel& model) {
        old(model);
        model.Toggle(CameraOption::AverageMultiple);
    };
    Session().starCentreX = 400;
    Capture();  // the star now at 403, 404, 405
    EXPECT_NEAR(Session().currentImage[300 * 1300 + 405], kSky + 10000, 2);
}

TEST_F(CaptureTest, SlewAndSumStopsWhenTheStarIsLostOrNoneCanBeFound) {
    int frame = 0;
    camera.image = [&frame](int row, int column) {
        return StarAt(400, 300, frame == 0 ? 5000 : 30000)(row, column);
    };
    camera.onWrite = [this, &frame] { frame = camera.Count(kStartCommand) - 1; };
    Session().starCentreX = 400;
    Session().starCentreY = 300;
    Expose('h', 10, 5);
    Capture();
    EXPECT_TRUE(Shown(MessageCode::GuideStarLost));
    EXPECT_EQ(camera.ReadCommands(), 2);
    EXPECT_EQ(Session().currentImage[300 * 1300 + 400], kSky + 5000);  // the sum so far

    // A star known where the finder cannot work: nothing is summed.
    ui().messages.clear();
    camera.reports.clear();
    Session().starCentreX = 2;
    Session().starCentreY = 2;
    CaptureFaults faults;
    EXPECT_EQ(Capture(&faults), CaptureOutcome::Finished);
    EXPECT_TRUE(faults.sum);
    EXPECT_TRUE(Shown(MessageCode::NoSuitableGuideStar));
    EXPECT_EQ(camera.ReadCommands(), 1);

    // The alternative method finds no star in a frame of sky alone.
    ui().messages.clear();
    camera.image = [](int, int) { return kSky; };
    setup = [old = setup](CameraDialogModel& model) {
        old(model);
        model.Toggle(CameraOption::AlternativeSlew);
    };
    Capture();
    EXPECT_TRUE(Shown(MessageCode::NoSuitableGuideStar));
}

// With no star picked or found before, the sum follows the brightest star of its first frame.
TEST_F(CaptureTest, WithoutAStarPickedTheSumFollowsTheBrightestOne) {
    int frame = 0;
    camera.image = [&frame](int row, int column) {
        return std::max(StarAt(700 - frame, 600, 12000)(row, column),
                        StarAt(300, 200, 4000)(row, column));
    };
    camera.onWrite = [this, &frame] { frame = camera.Count(kStartCommand) - 1; };
    Session().starCentreX = 0;
    Session().starCentreY = 0;
    Expose('h', 10, 3);
    CaptureFaults faults;
    faults.save = true;  // whatever it held before
    EXPECT_EQ(Capture(&faults), CaptureOutcome::Finished);
    EXPECT_FALSE(faults.Any());
    EXPECT_TRUE(ui().messages.empty()) << ui().LastText();
    EXPECT_EQ(camera.ReadCommands(), 3);
    EXPECT_EQ(Session().currentImage[600 * 1300 + 698], 3 * (kSky + 12000));
}

TEST_F(CaptureTest, AFailedReadoutIsReportedNotSavedAndTheCameraIsSoughtAgain) {
    struct Case {
        const char* name;
        RecordingCamera::BulkAnswer answer;
    } cases[] = {
        {"short", {Status(), 4096}},
        {"failed", {Status(StatusCode::IoError, "failed", 5), 0}},
        {"timed out", {Status(StatusCode::Timeout, "timed out", 110), 100000}},
        {"unplugged", {Status(StatusCode::Disconnected, "gone", 19), 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        camera = RecordingCamera(&fixture.clock);
        camera.image = [](int, int) { return kSky; };
        device.CloseUSBdevices();  // not found yet
        Session().autoSaveImage = true;
        Session().continuousCapture = true;
        Expose('h', 10);
        camera.bulkAnswers.push_back({Status(), std::nullopt});
        camera.bulkAnswers.push_back(c.answer);
        const uint16_t saved = Session().settings.autosaveNumber;
        ui().messages.clear();
        EXPECT_EQ(Capture(), CaptureOutcome::TransferFailed);
        EXPECT_EQ(camera.ReadCommands(), 2);
        EXPECT_EQ(Session().settings.autosaveNumber, saved + 1);  // only the good frame
        EXPECT_FALSE(device.Present());
        EXPECT_NE(ui().LastText().find("trying to read BlockIO data from USB"), std::string::npos);
        EXPECT_EQ(ui().messages.size(), 1u);
        takePhoto = false;
        Capture();
        EXPECT_EQ(camera.discoveries, 2);
        takePhoto = true;
    }
}

TEST_F(CaptureTest, AFullDiskStopsAContinuousCaptureWithoutAPartialFile) {
    Session().autoSaveImage = true;
    Session().continuousCapture = true;
    Expose('h', 10);
    // After the first frame the disk takes no more than a part of a file.
    std::optional<test::FileSizeLimit> full;
    ui().onFrameFinished = [&full](const FinishedFrame& frame) {
        if (frame.number == 1) full.emplace(100000);
    };
    CaptureFaults faults;
    EXPECT_EQ(Capture(&faults), CaptureOutcome::Finished);
    full.reset();
    EXPECT_TRUE(faults.save);
    EXPECT_EQ(ui().finishedFrames.size(), 2u);
    EXPECT_FALSE(ui().finishedFrames[1].saved);
    EXPECT_EQ(ui().LastText(), TextWithReason(MessageCode::CreateFileFailed, "File too large"));
    EXPECT_EQ(camera.ReadCommands(), 2);
    for (const auto& entry : fs::directory_iterator(AutosaveFile(1).parent_path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "IMG1.FIT" || name == "Vexa_Q4.ini") << name;
    }
}

TEST_F(CaptureTest, GuideFramesSkipTheDialogAndComeOneContinuousPassAtATime) {
    Session().continuousCapture = true;
    Session().camera.exposureUnit = 's';
    Session().camera.exposureValue = 1;
    CaptureGuideFrames frames(&device, GuideFrameKind::Guiding);
    NoGuidePulses pulses;
    GuideRun guiding(frames, pulses);
    guiding.BeginGuiding(0);
    // After the third frame a click ends guiding during the next exposure.
    int corrections = 0;
    GuideFrame frame;
    while ((frame = frames.NextFrame()) == GuideFrame::Delivered) {
        if (++corrections == 3) ui().pendingEvents.push_back(FakeEvent::RightPress);
    }
    EXPECT_EQ(frame, GuideFrame::Stopped);
    EXPECT_EQ(ui().cameraDialogsShown, 0);
    EXPECT_EQ(corrections, 3);
    EXPECT_EQ(camera.ReadCommands(), 3);
    EXPECT_EQ(guiding.State(), GuideState::Stopped);
    EXPECT_FALSE(Session().continuousCapture);
}

TEST_F(CaptureTest, TrainingFramesAreSingleExposuresWithheldAfterAKeyOrAFailure) {
    Session().camera.exposureUnit = 'h';
    Session().camera.exposureValue = 10;
    CaptureGuideFrames frames(&device, GuideFrameKind::Training);
    EXPECT_EQ(frames.NextFrame(), GuideFrame::Delivered);
    EXPECT_EQ(frames.NextFrame(), GuideFrame::Delivered);
    EXPECT_EQ(camera.ReadCommands(), 2);
    EXPECT_EQ(ui().cameraDialogsShown, 0);
    // A key during the readout: the frame was read but is not handed over.
    PressKeyAfterCommand(Command{4, 0, 0, 0, 0, 0, 0, 0}, 3);
    EXPECT_EQ(frames.NextFrame(), GuideFrame::Stopped);
    camera.onWrite = nullptr;
    camera.bulkAnswers.push_back({Status(StatusCode::IoError, "failed", 5), 0});
    EXPECT_EQ(frames.NextFrame(), GuideFrame::Failed);

    CaptureGuideFrames none(nullptr, GuideFrameKind::Training);
    EXPECT_EQ(none.NextFrame(), GuideFrame::Failed);
    EXPECT_EQ(ui().LastText(), kNoCameraText);
}

TEST_F(CaptureTest, AStopBetweenGuideFramesEndsTheCaptureAndPutsBackWhatItChanged) {
    Session().continuousCapture = true;
    Session().camera.exposureUnit = 'h';
    Session().camera.exposureValue = 10;
    Session().pickGuideStarMode = true;
    Session().focusWindowX = 7;
    CaptureGuideFrames frames(&device, GuideFrameKind::Guiding);
    ASSERT_EQ(frames.NextFrame(), GuideFrame::Delivered);
    EXPECT_FALSE(Session().pickGuideStarMode);  // suspended while the capture runs
    frames.Stop();
    EXPECT_TRUE(Session().pickGuideStarMode);
    EXPECT_EQ(Session().focusWindowX, 586);
    EXPECT_EQ(frames.NextFrame(), GuideFrame::Stopped);
    EXPECT_EQ(camera.ReadCommands(), 1);
    EXPECT_EQ(ui().progressOpened, ui().progressClosed);

    // A readout that fails ends the capture too.
    camera.bulkAnswers.push_back({Status(StatusCode::IoError, "failed", 5), 0});
    CaptureGuideFrames failing(&device, GuideFrameKind::Guiding);
    EXPECT_EQ(failing.NextFrame(), GuideFrame::Failed);
    EXPECT_EQ(failing.NextFrame(), GuideFrame::Stopped);
    EXPECT_EQ(camera.ReadCommands(), 2);
}

TEST_F(CaptureTest, AutoProcessingWritesTheCalibrationLinesItself) {
    WriteTq("c:\\dark.def", kFullSampleCount, 10);
    Session().darkFrameOn = true;
    Session().applyAutoProcessing = true;
    Session().autoSaveImage = true;
    Expose('h', 10);
    Capture();
    EXPECT_STREQ(Session().historyLines[0].data(), "Dark Frame Subtracted");
    EXPECT_EQ(Session().historyLines[1][0], '\0');
    EXPECT_TRUE(fs::exists(AutosaveFile(1)));
}

}  // namespace
}  // namespace vexa::test
