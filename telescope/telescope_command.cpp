#include "telescope/telescope_command.h"

#include "session/session_state.h"
#include "telescope/control_box.h"
#include "telescope/mount_link.h"
#include "telescope/telescope_dialog_models.h"
#include "telescope/telescope_dialog_services.h"

namespace vexa {

void CmdTelescopeControl(MountLink& mount) {
    if (!mount.Connect()) return;
    if (mount.Type() == TelescopeType::ControlBox) {
        ControlBoxDialogModel model(mount.Line());
        model.Report(InitialiseControlBox(mount.Line()));
        TelescopeDialogs().RunControlBoxDialog(model);
        model.Finish();
    } else {
        MoveTelescopeDialogModel model(mount.Operations());
        TelescopeDialogs().RunMoveTelescopeDialog(model);
        model.Finish();
    }
}

}  // namespace vexa
