#include "telescope/telescope_command.h"

#include "session/session_state.h"
#include "telescope/control_box.h"
#include "telescope/telescope_dialog_models.h"
#include "telescope/telescope_dialog_services.h"
#include "telescope/telescope_link.h"

namespace vexa {

namespace {
constexpr char kControlBox = 'b';
}  // namespace

void CmdTelescopeControl() {
    if (!ConnectTelescope()) return;
    if (Session().settings.telescopeType == kControlBox) {
        ControlBoxDialogModel model;
        model.Report(InitialiseControlBox());
        TelescopeDialogs().RunControlBoxDialog(model);
        model.Finish();
    } else {
        MoveTelescopeDialogModel model;
        TelescopeDialogs().RunMoveTelescopeDialog(model);
        model.Finish();
    }
}

}  // namespace vexa
