// The guider's frames from the camera, taken by the capture's own steps without its dialog.
// The source sets the capture settings its kind needs while it lasts and puts the user's back
// when it stops.
#pragma once

#include <cstdint>
#include <optional>

#include "camera/capture_run.h"
#include "camera/guide_frame_source.h"

namespace vexa {

class Camera;

enum class GuideFrameKind {
    // Each frame is a capture of its own, from the camera search to the focus window put back:
    // one exposure, Continuous Mode off.
    Training,
    // The frames are the passes of one continuous capture (Continuous Mode on, no pause
    // between exposures), prepared at the first frame: each pass's exposure, readout,
    // calibration, auto-processing, end-of-frame step with autosave and the two-second moment
    // in which a key ends the capture. The capture ends when a key or click stops it, its
    // readout fails, or Stop is asked for.
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
    // Continuous Mode off until the user's settings come back; the capture under way ends
    // with its own abort rules.
    void RequestStop() override;

  private:
    GuideFrame TrainingFrame();
    GuideFrame GuidingFrame();
    GuideFrame EndCapture();
    void PutSettingsBack();

    Camera* camera_;
    GuideFrameKind kind_;
    ProgressWindowView progress_;
    std::optional<CaptureRun> capture_;  // the continuous capture of a guide run
    bool stopped_ = false;
    bool stopRequested_ = false;
    // The user's capture settings, back at Stop.
    bool userContinuous_;
    int16_t userPauseMinutes_;
    bool settingsBack_ = false;
};

}  // namespace vexa
