#include "camera/camera_guide_frames.h"

#include "camera/camera.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"

namespace vexa {

CaptureGuideFrames::CaptureGuideFrames(Camera* camera, GuideFrameKind kind)
    : camera_(camera),
      kind_(kind),
      userContinuous_(Session().continuousCapture),
      userPauseMinutes_(Session().camera.pauseMinutes) {
    SessionState& s = Session();
    s.continuousCapture = kind == GuideFrameKind::Guiding;
    if (kind == GuideFrameKind::Guiding) s.camera.pauseMinutes = 0;
}

CaptureGuideFrames::~CaptureGuideFrames() {
    Stop();
}

GuideFrame CaptureGuideFrames::NextFrame() {
    if (stopped_ || stopRequested_) return GuideFrame::Stopped;
    if (camera_ == nullptr) {
        ShowMessage(MessageCode::CallerText, kNoCameraText);
        return GuideFrame::Failed;
    }
    return kind_ == GuideFrameKind::Training ? TrainingFrame() : GuidingFrame();
}

void CaptureGuideFrames::Stop() {
    stopped_ = true;
    if (capture_) {
        (void)capture_->Finish();
        capture_.reset();
    }
    PutSettingsBack();
}

void CaptureGuideFrames::RequestStop() {
    stopRequested_ = true;
    Session().continuousCapture = false;
}

void CaptureGuideFrames::PutSettingsBack() {
    if (settingsBack_) return;
    settingsBack_ = true;
    SessionState& s = Session();
    s.continuousCapture = userContinuous_;
    if (kind_ == GuideFrameKind::Guiding) s.camera.pauseMinutes = userPauseMinutes_;
}

GuideFrame CaptureGuideFrames::TrainingFrame() {
    CaptureRun capture(*camera_, progress_);
    const CaptureOutcome outcome = capture.Run(CaptureDialog::Skipped);
    if (outcome == CaptureOutcome::Finished && !capture.StopRequested()) {
        return GuideFrame::Delivered;
    }
    const bool failed =
        outcome == CaptureOutcome::NoCamera || outcome == CaptureOutcome::TransferFailed;
    return failed ? GuideFrame::Failed : GuideFrame::Stopped;
}

// The next pass of the continuous capture; a pass whose frame was not read or was stopped
// leads to the next while the capture goes on, as in the capture command's own loop.
GuideFrame CaptureGuideFrames::GuidingFrame() {
    if (!capture_) {
        capture_.emplace(*camera_, progress_);
        if (!capture_->Prepare(CaptureDialog::Skipped)) {
            capture_.reset();
            stopped_ = true;
            return GuideFrame::Failed;
        }
    } else if (!capture_->Continues()) {
        return EndCapture();
    }
    for (;;) {
        const bool frameRead = capture_->Pass();
        if (frameRead && !capture_->StopRequested()) return GuideFrame::Delivered;
        if (!capture_->Continues()) return EndCapture();
    }
}

GuideFrame CaptureGuideFrames::EndCapture() {
    const CaptureOutcome outcome = capture_->Finish();
    capture_.reset();
    stopped_ = true;
    return outcome == CaptureOutcome::TransferFailed ? GuideFrame::Failed : GuideFrame::Stopped;
}

}  // namespace vexa
