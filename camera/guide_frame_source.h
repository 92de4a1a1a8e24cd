// Where the guider's frames come from: each call takes one new frame into currentImage, through
// the capture's whole end-of-frame step (calibration, auto-processing, autosave), and says how
// it went. The camera's source is CaptureGuideFrames (camera_guide_frames.h); tests provide
// their own.
#pragma once

namespace vexa {

enum class GuideFrame {
    Delivered,  // a new frame is in currentImage
    Stopped,    // a key or click stopped it (or a stop was requested): no frame
    Failed,     // no camera, or the readout failed (reported): no frame
};

class GuideFrameSource {
  public:
    virtual ~GuideFrameSource() = default;
    virtual GuideFrame NextFrame() = 0;
    // The stop: the guide run wants no more frames. A source that keeps a capture going
    // between frames ends it here, before the run reports its end; later frames are Stopped.
    // Called inside the abort scopes the run set up for its frames.
    virtual void Stop() {}
    // A key or click stopped the guide run, perhaps while a frame is under way: the source
    // stops taking frames as soon as it can, the frame under way included, and ends at Stop.
    virtual void RequestStop() {}
};

}  // namespace vexa
