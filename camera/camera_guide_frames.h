// The guider's frames from the camera, taken by the capture's own steps without its dialog and
// with the capture settings as they stand (the guider sets Continuous Mode for its kind).
#pragma once

#include <optional>

#include "camera/capture_run.h"
#include "camera/guide_frame_source.h"

namespace vexa {

class Camera;

enum class GuideFrameKind {
    // Each frame is a capture of its own, from the camera search to the focus window put back:
    // one exposure while Continuous Mode is off.
    Training,
    // The frames are the passes of one continuous capture, prepared at the first frame: each
    // pass's exposure, readout, calibration, auto-processing, end-of-frame step with autosave
    // and the two-second moment in which a key ends the capture. The capture ends when a key
    // or click stops it, its readout fails, or Stop is asked for.
    Guiding,
};

class CaptureGuideFrames : public GuideFrameSource {
  public:
    // Without a camera every frame fails with "Sorry, No camera found on USB".
    CaptureGuideFrames(Camera* camera, GuideFrameKind kind);
    ~CaptureGuideFrames() override;
    CaptureGuideFrames(const CaptureGuideFrames&) = delete;
    CaptureGuideFrames& operator=(const CaptureGuideFrames&) = delete;

    GuideFrame NextFrame() override;
    void Stop() override;

  private:
    GuideFrame TrainingFrame();
    GuideFrame GuidingFrame();
    GuideFrame EndCapture();

    Camera* camera_;
    GuideFrameKind kind_;
    ProgressWindowView progress_;
    std::optional<CaptureRun> capture_;  // the continuous capture of a guide run
    bool stopped_ = false;
};

}  // namespace vexa
