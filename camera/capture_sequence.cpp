#include "camera/capture_sequence.h"

#include <algorithm>

#include "camera/camera_commands.h"
#include "camera/camera_dialog_model.h"
#include "camera/camera_dialog_services.h"
#include "camera/camera_usb.h"
#include "camera/slew_and_sum.h"
#include "files/autosave.h"
#include "files/file_names.h"
#include "processing/auto_processing.h"
#include "processing/calibration.h"
#include "session/display_refresh.h"
#include "session/history_lines.h"
#include "session/long_operation.h"
#include "session/message_catalogue.h"
#include "session/message_pump.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "session/timed_waits.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

GuideCorrectionStep guideStep = nullptr;

constexpr const char* kDefaultDarkFile = "c:\\dark.def";
constexpr const char* kDefaultFlatFile = "c:\\flat.def";
constexpr int kSecondsForSixSteps = 5;
constexpr int kSecondsForTwentySteps = 13;
constexpr int kFewSteps = 2;
constexpr int kSomeSteps = 6;
constexpr int kManySteps = 20;
constexpr int16_t kAbortWholeSeries = 1;
constexpr int16_t kAbortRemaining = 0;

// True once the clock has reached the deadline (the difference taken as signed, so a deadline
// across the wrap of the 32-bit clock still works).
bool Reached(uint32_t now, uint32_t deadline) {
    return static_cast<int32_t>(now - deadline) >= 0;
}

uint32_t RemainingMs(uint32_t now, uint32_t deadline) {
    return Reached(now, deadline) ? 0 : deadline - now;
}

void ShowStatus(const std::string& text) {
    Session().camera.statusText = text;
    Ui().SetProgressTitle(text);
}

void SetProgress(int position) {
    Session().camera.progressPosition = position;
    Ui().SetProgressPosition(position);
}

void OpenProgress() {
    Ui().OpenProgressWindow();
    SetProgress(0);
}

// The state a capture changes around itself, put back however it ends.
class CaptureScope {
  public:
    CaptureScope() : pickMode_(Session().pickGuideStarMode) { Session().pickGuideStarMode = false; }
    ~CaptureScope() {
        Session().pickGuideStarMode = pickMode_;
        ClearDriftReference();
    }
    CaptureScope(const CaptureScope&) = delete;
    CaptureScope& operator=(const CaptureScope&) = delete;

  private:
    bool pickMode_;
};

void CountdownBeforeExposure() {
    OpenProgress();
    for (int left = kDelaySeconds; left >= 1; --left) {
        ShowStatus(StatusWithCount(kDelayStatus, left));
        (void)WaitWithMessages(1);  // a key only shortens this second
        SetProgress(Session().camera.progressPosition + kDelayProgressStep);
        Ui().Beep();
    }
    Ui().CloseProgressWindow();
}

// The exposure wait. Hundredths and tenths: no messages, a tick on every pass when long.
// Seconds and minutes: a tick on every sixth pass, the bar in `steps` steps, and messages
// (abort mode 1) on every pass; an abort ends the wait at once.
void WaitForExposure(uint32_t exposureMs, int steps, const std::string& status) {
    SessionState& s = Session();
    const char unit = s.camera.exposureUnit;
    const uint32_t start = TheClock().Milliseconds();
    s.exposureDeadlineMs = start + exposureMs;
    if (unit == 'h' || unit == 't') {
        WaitWithoutMessages(exposureMs, [exposureMs] {
            if (exposureMs > kTickFreeExposureMs) ExposureTick();
        });
        return;
    }
    const uint32_t stepMs = exposureMs / static_cast<uint32_t>(steps);
    uint32_t boundary = start + stepMs;
    int pass = 0;
    for (;;) {
        const uint32_t now = TheClock().Milliseconds();
        if (Reached(now, s.exposureDeadlineMs)) break;
        ++pass;
        if (pass > 1 && pass % kTickEveryPasses == 1) ExposureTick();
        if (Reached(now, boundary)) {
            boundary += stepMs;
            SetProgress(s.camera.progressPosition + kProgressFull / steps);
            ShowStatus(status);
        }
        PumpMessages(kAbortWholeSeries,
                     std::min(RemainingMs(now, s.exposureDeadlineMs), kPumpIdleWaitMs));
    }
}

// The pause between exposures: 16 steps on the bar, messages in abort mode 0; an abort ends it.
void PauseBetweenExposures(uint32_t pauseMs) {
    SessionState& s = Session();
    OpenProgress();
    ShowStatus(kPauseStatus);
    const uint32_t start = TheClock().Milliseconds();
    const uint32_t stepMs = pauseMs / kPauseSteps;
    uint32_t boundary = start + stepMs;
    s.exposureDeadlineMs = start + pauseMs;
    for (;;) {
        const uint32_t now = TheClock().Milliseconds();
        if (Reached(now, s.exposureDeadlineMs)) break;
        if (Reached(now, boundary)) {
            boundary += stepMs;
            SetProgress(s.camera.progressPosition + kProgressFull / kPauseSteps);
        }
        PumpMessages(kAbortRemaining,
                     std::min(RemainingMs(now, s.exposureDeadlineMs), kPumpIdleWaitMs));
    }
    Ui().CloseProgressWindow();
}

// False when a reference could not be applied (reported).
bool ApplyCalibration() {
    SessionState& s = Session();
    CameraState& c = s.camera;
    bool applied = true;
    if (s.darkFrameOn) {
        const int result = CaptureDarkStep(c.darkLoaded, s.darkFrameFileName);
        if (result == kCaptureFileNotOpened) {
            ShowMessage(MessageCode::DarkFrameOpenFailed);
            applied = false;
        } else if (result == kCaptureFileWrongSize) {
            ShowMessage(MessageCode::DarkFrameNotTq);
            applied = false;
        } else {
            c.darkLoaded = true;
        }
    }
    if (s.flatFieldOn) {
        const int result = CaptureFlatStep(c.flatLoaded, s.flatFieldFileName);
        if (result == kCaptureFileNotOpened) {
            ShowMessage(MessageCode::FlatFieldOpenFailed);
            applied = false;
        } else if (result == kCaptureFileWrongSize) {
            ShowMessage(MessageCode::FlatFieldNotTq);
            applied = false;
        } else {
            c.flatLoaded = true;
        }
    }
    return applied;
}

// False when the sum fell back to the frames so far (reported); the series ends.
bool SlewAndSum() {
    SessionState& s = Session();
    const int result = s.camera.alternativeSlew ? AlternativeSlewAndSum() : StandardSlewAndSum();
    if (result == kSlewStarLost) {
        s.seriesCount = 1;
        ShowMessage(MessageCode::GuideStarLost);
    } else if (result == kSlewNoSuitableStar) {
        s.seriesCount = 1;
        ShowMessage(MessageCode::NoSuitableGuideStar);
    }
    return result == kSlewSummed;
}

void AutoProcess() {
    const SessionState& s = Session();
    ClearHistory();
    if (s.darkFrameOn) AppendHistory(kDarkFrameHistoryLine);
    if (s.flatFieldOn) AppendHistory(kFlatFieldHistoryLine);
    RunAutoProcessing();
}

// The end-of-frame step, and the word to the front end. False when its autosave failed.
bool FinishCapturedFrame(int& framesFinished) {
    SessionState& s = Session();
    const bool saved = FinishFrame();
    FinishedFrame frame;
    frame.number = ++framesFinished;
    frame.saved = s.autoSaveImage && saved;
    if (frame.saved) {
        frame.savedHostPath =
            ResolveUserPath(AutosaveFileName(s.settings.autosaveNumber), true).string();
    }
    CameraDialogs().CaptureFrameFinished(frame);
    return saved;
}

// Stop the series and the continuous passes after this exposure.
void StopSequence() {
    SessionState& s = Session();
    s.seriesCount = 0;
    s.continuousRunning = 0;
}

}  // namespace

std::string StatusWithCount(const char* status, int remaining) {
    return std::string(status) + " (Left - " + std::to_string(remaining) + ")";
}

int ProgressSteps(char unit, uint16_t value) {
    if (unit == 'm') return kManySteps;
    if (unit == 's' && value >= kSecondsForTwentySteps) return kManySteps;
    if (unit == 's' && value >= kSecondsForSixSteps) return kSomeSteps;
    return kFewSteps;
}

bool FindCameraIfNeeded() {
    SessionState& s = Session();
    if (s.cameraPresent) return true;
    if (LoadSettings() != 0) ShowMessage(MessageCode::NoIniFile);
    DeviceTable table{};
    (void)OpenUSBdevices(table);
    // Nothing to end on a camera that was not found: the command would only fail again.
    if (s.cameraPresent) EndExposure();
    if (!s.cameraPresent) {
        ShowMessage(MessageCode::CallerText, kNoCameraText);
        return false;
    }
    return true;
}

void SetGuideCorrectionStep(GuideCorrectionStep step) {
    guideStep = step;
}

void StopCaptureOnAbort(int16_t stopSeries) {
    SessionState& s = Session();
    if (stopSeries == kAbortWholeSeries) {
        s.seriesCount = 1;
        s.abortRequested = 1;
    } else {
        s.seriesCount = 0;
    }
    s.continuousRunning = 0;
    s.exposureDeadlineMs = TheClock().Milliseconds();
    ResetFocusWindow();
}

CaptureOutcome RunCaptureSequence(CaptureFaults* faults) {
    SessionState& s = Session();
    CameraState& c = s.camera;
    const CaptureAbortScope abortRules;
    const CaptureScope scope;
    CaptureFaults unasked;
    CaptureFaults& seen = faults != nullptr ? *faults : unasked;
    seen = CaptureFaults{};

    // Reference names, pixel size, per-capture flags.
    if (s.darkFrameFileName.empty()) s.darkFrameFileName = kDefaultDarkFile;
    if (s.flatFieldFileName.empty()) s.flatFieldFileName = kDefaultFlatFile;
    s.pixelWidth = kCapturePixelSizeMm;
    s.pixelHeight = kCapturePixelSizeMm;
    c.darkLoaded = false;
    c.autosavedMark = false;
    s.abortRequested = 0;

    // The camera.
    if (!FindCameraIfNeeded()) return CaptureOutcome::NoCamera;

    // The dialog.
    ClearDriftReference();
    s.seriesCount = 1;
    if (!s.guidingDuringCapture) {
        CameraDialogModel model(s);
        if (!CameraDialogs().RunCameraDialog(model)) {
            if (c.refreshNeeded) {
                const WaitCursor wait;
                RefreshDisplay();
            }
            c.refreshNeeded = false;
            return CaptureOutcome::Cancelled;
        }
    }
    c.refreshNeeded = false;

    // Geometry, exposure time, title.
    const bool binned = c.binImage;
    s.geometryMode = binned ? 1 : 0;
    ApplyGeometry();
    const uint32_t exposureMs = ExposureMilliseconds(c.exposureUnit, c.exposureValue);
    s.exposureSeconds = 0.0;
    Ui().SetCursor(CursorKind::Wait);
    const std::string title = kCaptureImageTitle;
    SetTitleFile(&title);
    const bool multiple = s.seriesCount >= 2;

    // The audible countdown.
    if (c.delayBeforeExposure) CountdownBeforeExposure();
    Ui().RepaintView(false);

    // The series.
    c.exposuresInSequence = s.seriesCount;
    s.continuousRunning = s.continuousCapture ? 1 : 0;
    const int steps = ProgressSteps(c.exposureUnit, c.exposureValue);
    int framesFinished = 0;
    bool transferFailed = false;

    // Passes: one, or one after another while continuous.
    do {
        s.exposureStart = UtNow();
        bool frameRead = false;
        do {
            // Expose.
            const double seconds = exposureMs * 0.001;
            s.exposureSeconds = s.continuousCapture ? seconds : s.exposureSeconds + seconds;
            const std::string exposing = s.seriesCount >= 2
                                             ? StatusWithCount(kExposingStatus, s.seriesCount)
                                             : std::string(kExposingStatus);
            OpenProgress();
            ShowStatus(exposing);
            ExposureTick();
            StartExposure();
            WaitForExposure(exposureMs, steps, exposing);

            // Read out, unless the exposure was aborted.
            frameRead = false;
            if (s.abortRequested == 0) {
                std::string reading = kReadingStatus;
                if (s.seriesCount >= 2) {
                    reading = StatusWithCount(kReadingStatus, s.seriesCount);
                } else {
                    reading += binned ? kBinnedReadTime : kFullReadTime;
                }
                ShowStatus(reading);
                SetProgress(kReadingProgress);
                EndExposure();
                // Interrupt masking during the readout has no equivalent on this host: the
                // setting is kept and nothing is masked.
                const Status readout = binned ? ReadBinnedFrame() : ReadFullFrame();
                frameRead = readout.ok();
                transferFailed = !readout.ok();
                PumpMessages(kAbortRemaining);
            }

            // A frame that was read: calibration and the drift-compensated sum.
            if (frameRead) {
                if (!ApplyCalibration()) seen.calibration = true;
                if (multiple && !s.continuousCapture && !SlewAndSum()) seen.sum = true;
            }

            // The exposure is done.
            Ui().CloseProgressWindow();
            Ui().RepaintView(false);
            if (s.seriesCount > 0) --s.seriesCount;
            if (multiple && s.continuousRunning != 0 && s.seriesCount == 0) {
                s.continuousRunning = 0;
                c.autosavedMark = false;
            }
            if (transferFailed) {
                // The failed frame is neither processed, saved nor guided on; what the buffer
                // received is shown, and the camera must be found again.
                StopSequence();
                Ui().SetCursor(ModeCursor());
                RefreshDisplay();
            }

            // Auto-processing.
            if (frameRead && s.applyAutoProcessing) AutoProcess();

            // Continuous passes: save each frame, a moment to stop, the pause.
            if (frameRead && s.continuousRunning != 0) {
                c.autosavedMark = true;
                if (!FinishCapturedFrame(framesFinished)) {
                    // The disk is full or the folder unwritable (reported): stop here.
                    seen.save = true;
                    StopSequence();
                } else if (WaitWithMessages(kContinuousSettleSeconds)) {
                    StopSequence();
                }
            }
            const bool anotherFollows = s.continuousRunning != 0 || s.seriesCount >= 1;
            if (c.pauseMinutes >= 1 && anotherFollows && !transferFailed) {
                PauseBetweenExposures(static_cast<uint32_t>(c.pauseMinutes) * kMinuteMs);
            }

            EndExposure();
        } while (s.seriesCount >= 1);

        // The frame of a single or summed capture.
        if (s.abortRequested == 0 && !c.autosavedMark && frameRead &&
            !FinishCapturedFrame(framesFinished)) {
            seen.save = true;
        }
        // Guiding corrects on every new frame.
        if (s.guidingDuringCapture && frameRead && guideStep != nullptr) guideStep();
    } while (s.continuousRunning != 0);

    ResetFocusWindow();
    Ui().SetCursor(ModeCursor());
    if (transferFailed) return CaptureOutcome::TransferFailed;
    if (s.abortRequested != 0) return CaptureOutcome::Aborted;
    return CaptureOutcome::Finished;
}

void CmdCameraInterface() {
    const LongOperation running(LongOperationKind::Capture);
    (void)RunCaptureSequence();
}

}  // namespace vexa
