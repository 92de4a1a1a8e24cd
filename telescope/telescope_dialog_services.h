// What the telescope command asks of the user interface: its two modal dialogs. A front end
// implements it and installs it with SetTelescopeDialogs; until one does, each dialog closes
// at once as if "Finished" were pressed.
#pragma once

namespace vexa {

class MoveTelescopeDialogModel;
class ControlBoxDialogModel;

class TelescopeDialogServices {
  public:
    virtual ~TelescopeDialogServices() = default;

    // "Vexa_Q4_USB Move Telescope": shows and drives the model until "Finished".
    virtual void RunMoveTelescopeDialog(MoveTelescopeDialogModel&) {}
    // The control box's "Move Telescope", likewise.
    virtual void RunControlBoxDialog(ControlBoxDialogModel&) {}
};

// The installed implementation (a front end's), else one whose dialogs close at once.
TelescopeDialogServices& TelescopeDialogs();
void SetTelescopeDialogs(TelescopeDialogServices* services);

}  // namespace vexa
