// What the telescope and guiding commands ask of the user interface: the two modal telescope
// dialogs and the modeless "Guiding Info" window. A front end implements it and installs it
// with SetTelescopeDialogs; until one does, each dialog closes at once as if "Finished" were
// pressed and the guiding figures go nowhere.
#pragma once

#include <string>

namespace vexa {

class MoveTelescopeDialogModel;
class ControlBoxDialogModel;

// What "Guiding Info" shows after each guide frame: the star's place in the guide window and
// its error (each "%1.1f", pixels), and the running RMS of the errors over this run (pixels).
struct GuidingInfo {
    std::string x;
    std::string y;
    std::string dx;
    std::string dy;
    double dxPx = 0.0;
    double dyPx = 0.0;
    double rmsXPx = 0.0;
    double rmsYPx = 0.0;
    double rmsTotalPx = 0.0;
    int frames = 0;  // guide frames measured in this run
};

class TelescopeDialogServices {
  public:
    virtual ~TelescopeDialogServices() = default;

    // "Vexa_Q4_USB Move Telescope": shows and drives the model until "Finished".
    virtual void RunMoveTelescopeDialog(MoveTelescopeDialogModel&) {}
    // The control box's "Move Telescope", likewise.
    virtual void RunControlBoxDialog(ControlBoxDialogModel&) {}
    // "Guiding Info": opened at the first guide frame, refreshed after every frame, closed
    // when guiding ends.
    virtual void OpenGuidingInfo() {}
    virtual void ShowGuidingInfo(const GuidingInfo&) {}
    virtual void CloseGuidingInfo() {}
};

// The installed implementation (a front end's), else one whose dialogs close at once.
TelescopeDialogServices& TelescopeDialogs();
void SetTelescopeDialogs(TelescopeDialogServices* services);

}  // namespace vexa
