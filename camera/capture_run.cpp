#include "camera/capture_run.h"

#include <algorithm>

#include "camera/camera.h"
#include "camera/camera_dialog_model.h"
#include "camera/camera_dialog_services.h"
#include "camera/slew_and_sum.h"
#include "files/autosave.h"
#include "files/file_names.h"
#include "processing/auto_processing.h"
#include "processing/calibration.h"
#include "session/display_refresh.h"
#include "session/history_lines.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/timed_waits.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

constexpr const char* kDefaultDarkFile = "c:\\dark.def";
constexpr const char* kDefaultFlatFile = "c:\\flat.def";
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

// "TEXT (Left - n)" while two or more exposures remain, else TEXT.
std::string CountedStatus(const char* status) {
    const int16_t remaining = Session().seriesCount;
    return remaining >= 2 ? StatusWithCount(status, remaining) : std::string(status);
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

// Stop the series and the continuous passes after this exposure.
void StopSequence() {
    SessionState& s = Session();
    s.seriesCount = 0;
    s.continuousRunning = 0;
}

}  // namespace

void ProgressWindowView::Open() {
    Ui().OpenProgressWindow();
    SetPosition(0);
}

void ProgressWindowView::Close() {
    Ui().CloseProgressWindow();
}

void ProgressWindowView::ShowStatus(const std::string& text) {
    Session().camera.statusText = text;
    Ui().SetProgressTitle(text);
}

void ProgressWindowView::SetPosition(int position) {
    Session().camera.progressPosition = position;
    Ui().SetProgressPosition(position);
}

int ProgressWindowView::Position() const {
    return Session().camera.progressPosition;
}

CaptureRun::CaptureRun(Camera& camera, CaptureProgressView& progress, CaptureFaults* faults)
    : abortRules_([this](int16_t stopSeries) {
          StopCaptureOnAbort(stopSeries);
          stopRequested_ = true;
      }),
      camera_(camera),
      progress_(progress),
      faults_(faults != nullptr ? *faults : unasked_),
      pickMode_(Session().pickGuideStarMode) {
    Session().pickGuideStarMode = false;
    faults_ = CaptureFaults{};
}

CaptureRun::~CaptureRun() {
    Session().pickGuideStarMode = pickMode_;
    ClearDriftReference();
}

CaptureOutcome CaptureRun::Run(CaptureDialog dialog) {
    if (!Prepare(dialog)) return outcome_;
    do {
        (void)Pass();
    } while (Continues());
    return Finish();
}

bool CaptureRun::Prepare(CaptureDialog dialog) {
    SessionState& s = Session();
    if (s.darkFrameFileName.empty()) s.darkFrameFileName = kDefaultDarkFile;
    if (s.flatFieldFileName.empty()) s.flatFieldFileName = kDefaultFlatFile;
    s.pixelWidth = kCapturePixelSizeMm;
    s.pixelHeight = kCapturePixelSizeMm;
    s.camera.darkLoaded = false;
    s.camera.autosavedMark = false;
    s.abortRequested = 0;
    if (!FindCameraIfNeeded(camera_)) {
        outcome_ = CaptureOutcome::NoCamera;
        return false;
    }
    if (!ChooseSettings(dialog)) {
        outcome_ = CaptureOutcome::Cancelled;
        return false;
    }
    SetUpExposures();
    return true;
}

// The dialog, when shown; false when it was closed without "Take Photo".
bool CaptureRun::ChooseSettings(CaptureDialog dialog) {
    SessionState& s = Session();
    CameraState& c = s.camera;
    ClearDriftReference();
    s.seriesCount = 1;
    if (dialog == CaptureDialog::Shown) {
        CameraDialogModel model(&camera_, s);
        if (!CameraDialogs().RunCameraDialog(model)) {
            if (c.refreshNeeded) {
                const WaitCursor wait;
                RefreshDisplay();
            }
            c.refreshNeeded = false;
            return false;
        }
    }
    c.refreshNeeded = false;
    return true;
}

// Geometry, exposure time, title, the countdown and the series as the settings now stand.
void CaptureRun::SetUpExposures() {
    SessionState& s = Session();
    CameraState& c = s.camera;
    binned_ = c.binImage;
    s.geometryMode = binned_ ? 1 : 0;
    ApplyGeometry();
    exposureMs_ = ExposureMilliseconds(c.exposureUnit, c.exposureValue);
    s.exposureSeconds = 0.0;
    Ui().SetCursor(CursorKind::Wait);
    const std::string title = kCaptureImageTitle;
    SetTitleFile(&title);
    multiple_ = s.seriesCount >= 2;

    if (c.delayBeforeExposure) CountdownBeforeExposure();
    Ui().RepaintView(false);

    c.exposuresInSequence = s.seriesCount;
    s.continuousRunning = s.continuousCapture ? 1 : 0;
    steps_ = ProgressSteps(c.exposureUnit, c.exposureValue);
}

void CaptureRun::CountdownBeforeExposure() {
    progress_.Open();
    for (int left = kDelaySeconds; left >= 1; --left) {
        progress_.ShowStatus(StatusWithCount(kDelayStatus, left));
        (void)WaitWithMessages(1);  // a key only shortens this second
        progress_.Advance(kDelayProgressStep);
        Ui().Beep();
    }
    progress_.Close();
}

bool CaptureRun::Pass() {
    SessionState& s = Session();
    s.exposureStart = UtNow();
    bool frameRead = false;
    do {
        frameRead = TakeExposure();
    } while (s.seriesCount >= 1);
    // The frame of a single or summed capture.
    if (s.abortRequested == 0 && !s.camera.autosavedMark && frameRead && !FinishCapturedFrame()) {
        faults_.save = true;
    }
    return frameRead;
}

bool CaptureRun::Continues() const {
    return Session().continuousRunning != 0;
}

CaptureOutcome CaptureRun::Finish() {
    ResetFocusWindow();
    Ui().SetCursor(ModeCursor());
    if (transferFailed_) {
        outcome_ = CaptureOutcome::TransferFailed;
    } else if (Session().abortRequested != 0) {
        outcome_ = CaptureOutcome::Aborted;
    } else {
        outcome_ = CaptureOutcome::Finished;
    }
    return outcome_;
}

// One exposure: exposed, read out unless aborted, finished, and what comes before the next.
bool CaptureRun::TakeExposure() {
    Expose();
    const bool frameRead = Session().abortRequested == 0 && ReadOut();
    BetweenFrames(FinishFrame(frameRead));
    return frameRead;
}

void CaptureRun::Expose() {
    SessionState& s = Session();
    const double seconds = exposureMs_ * 0.001;
    s.exposureSeconds = s.continuousCapture ? seconds : s.exposureSeconds + seconds;
    const std::string exposing = CountedStatus(kExposingStatus);
    progress_.Open();
    progress_.ShowStatus(exposing);
    (void)camera_.ExposureTick();
    (void)camera_.StartExposure();
    WaitForExposure(exposing);
}

// The exposure wait. Hundredths and tenths: no messages, a tick on every pass when long.
// Seconds and minutes: a tick on every sixth pass, the bar in steps_ steps, and messages
// (abort mode 1) on every pass; an abort ends the wait at once.
void CaptureRun::WaitForExposure(const std::string& status) {
    SessionState& s = Session();
    const char unit = s.camera.exposureUnit;
    const uint32_t start = TheClock().Milliseconds();
    s.exposureDeadlineMs = start + exposureMs_;
    if (unit == 'h' || unit == 't') {
        WaitWithoutMessages(exposureMs_, [this] {
            if (exposureMs_ > kTickFreeExposureMs) (void)camera_.ExposureTick();
        });
        return;
    }
    const uint32_t stepMs = exposureMs_ / static_cast<uint32_t>(steps_);
    uint32_t boundary = start + stepMs;
    int pass = 0;
    for (;;) {
        const uint32_t now = TheClock().Milliseconds();
        if (Reached(now, s.exposureDeadlineMs)) break;
        ++pass;
        if (pass > 1 && pass % kTickEveryPasses == 1) (void)camera_.ExposureTick();
        if (Reached(now, boundary)) {
            boundary += stepMs;
            progress_.Advance(kProgressFull / steps_);
            progress_.ShowStatus(status);
        }
        PumpMessages(kAbortWholeSeries,
                     std::min(RemainingMs(now, s.exposureDeadlineMs), kPumpIdleWaitMs));
    }
}

// The readout into the capture buffer; false when its transfer failed (reported).
bool CaptureRun::ReadOut() {
    std::string reading = CountedStatus(kReadingStatus);
    if (Session().seriesCount < 2) reading += binned_ ? kBinnedReadTime : kFullReadTime;
    progress_.ShowStatus(reading);
    progress_.SetPosition(kReadingProgress);
    (void)camera_.EndExposure();
    // Interrupt masking during the readout has no equivalent on this host: the setting is kept
    // and nothing is masked.
    const Status readout = binned_ ? camera_.ReadBinnedFrame() : camera_.ReadFullFrame();
    transferFailed_ = !readout.ok();
    PumpMessages(kAbortRemaining);
    return readout.ok();
}

// The exposure's frame: calibrated and summed when it was read, the progress window closed,
// the exposure counted, auto-processing, and in a continuous capture the end-of-frame step.
// True when a continuous frame was saved, so that a moment to stop follows.
bool CaptureRun::FinishFrame(bool frameRead) {
    const SessionState& s = Session();
    if (frameRead) {
        if (!ApplyCalibration()) faults_.calibration = true;
        if (multiple_ && !s.continuousCapture && !SlewAndSum()) faults_.sum = true;
    }
    progress_.Close();
    Ui().RepaintView(false);
    CountExposureDone();
    if (transferFailed_) StopAfterFailedTransfer();
    if (frameRead && s.applyAutoProcessing) AutoProcess();
    return frameRead && s.continuousRunning != 0 && SaveContinuousFrame();
}

// One exposure fewer to take; a continuous series of several ends with its last.
void CaptureRun::CountExposureDone() {
    SessionState& s = Session();
    if (s.seriesCount > 0) --s.seriesCount;
    if (multiple_ && s.continuousRunning != 0 && s.seriesCount == 0) {
        s.continuousRunning = 0;
        s.camera.autosavedMark = false;
    }
}

// The failed frame is neither processed, saved nor guided on; what the buffer received is
// shown, and the camera must be found again.
void CaptureRun::StopAfterFailedTransfer() {
    StopSequence();
    Ui().SetCursor(ModeCursor());
    RefreshDisplay();
}

// False when the autosave failed: the disk is full or the folder unwritable (reported), and
// the capture stops here.
bool CaptureRun::SaveContinuousFrame() {
    Session().camera.autosavedMark = true;
    if (FinishCapturedFrame()) return true;
    faults_.save = true;
    StopSequence();
    return false;
}

// The end-of-frame step, and the word to the front end. False when its autosave failed.
bool CaptureRun::FinishCapturedFrame() {
    const SessionState& s = Session();
    const bool saved = vexa::FinishFrame();  // the end-of-frame step with its autosave
    FinishedFrame frame;
    frame.number = ++framesFinished_;
    frame.saved = s.autoSaveImage && saved;
    if (frame.saved) {
        frame.savedHostPath =
            ResolveUserPath(AutosaveFileName(s.settings.autosaveNumber), true).string();
    }
    CameraDialogs().CaptureFrameFinished(frame);
    return saved;
}

// Between frames: after a saved continuous frame a moment in which a key stops the capture,
// the pause before another exposure, and the exposure's end.
void CaptureRun::BetweenFrames(bool settle) {
    const SessionState& s = Session();
    if (settle && WaitWithMessages(kContinuousSettleSeconds)) StopSequence();
    const bool anotherFollows = s.continuousRunning != 0 || s.seriesCount >= 1;
    if (s.camera.pauseMinutes >= 1 && anotherFollows && !transferFailed_) {
        PauseBetweenExposures(static_cast<uint32_t>(s.camera.pauseMinutes) * kMinuteMs);
    }
    (void)camera_.EndExposure();
}

// The pause between exposures: 16 steps on the bar, messages in abort mode 0; an abort ends it.
void CaptureRun::PauseBetweenExposures(uint32_t pauseMs) {
    SessionState& s = Session();
    progress_.Open();
    progress_.ShowStatus(kPauseStatus);
    const uint32_t start = TheClock().Milliseconds();
    const uint32_t stepMs = pauseMs / kPauseSteps;
    uint32_t boundary = start + stepMs;
    s.exposureDeadlineMs = start + pauseMs;
    for (;;) {
        const uint32_t now = TheClock().Milliseconds();
        if (Reached(now, s.exposureDeadlineMs)) break;
        if (Reached(now, boundary)) {
            boundary += stepMs;
            progress_.Advance(kProgressFull / kPauseSteps);
        }
        PumpMessages(kAbortRemaining,
                     std::min(RemainingMs(now, s.exposureDeadlineMs), kPumpIdleWaitMs));
    }
    progress_.Close();
}

}  // namespace vexa
