// Where the guider's frames come from: each call takes one new frame into currentImage, through
// the capture's whole end-of-frame step (calibration, auto-processing, autosave), and says how
// it went. The capture sequence provides the real source; tests provide their own.
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
};

}  // namespace vexa
