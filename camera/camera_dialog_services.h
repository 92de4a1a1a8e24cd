// What the camera command asks of the user interface: the modal camera control dialog "TQ
// Control Interface" (its focus mode included), and a word after every finished frame of a
// capture. A front end implements it and installs it with SetCameraDialogs; until one does,
// the dialog answers as cancelled.
#pragma once

#include <string>

namespace vexa {

class CameraDialogModel;

// One frame that went through the end-of-frame step.
struct FinishedFrame {
    int number = 0;  // 1 for the first frame of the capture
    bool saved = false;
    std::string savedHostPath;  // the autosave file, when saved
};

class CameraDialogServices {
  public:
    virtual ~CameraDialogServices() = default;

    // Shows the dialog until "Take Photo" (true) or "Cancel" (false). Every control acts
    // through the model at once; "Start" runs focus mode from inside the dialog.
    virtual bool RunCameraDialog(CameraDialogModel&) { return false; }
    // After the end-of-frame step of each captured frame.
    virtual void CaptureFrameFinished(const FinishedFrame&) {}
};

// The installed implementation (a front end's), else one that cancels the dialog.
CameraDialogServices& CameraDialogs();
void SetCameraDialogs(CameraDialogServices* services);

}  // namespace vexa
