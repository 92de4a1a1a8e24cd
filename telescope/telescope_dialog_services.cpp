#include "telescope/telescope_dialog_services.h"

#include "session/role_slot.h"

namespace vexa {

namespace {
constinit RoleSlot<TelescopeDialogServices> slot;
}  // namespace

TelescopeDialogServices& TelescopeDialogs() {
    return slot.Active();
}

void SetTelescopeDialogs(TelescopeDialogServices* services) {
    slot.Install(services);
}

}  // namespace vexa
