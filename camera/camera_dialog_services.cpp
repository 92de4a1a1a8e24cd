#include "camera/camera_dialog_services.h"

#include "session/role_slot.h"

namespace vexa {

namespace {
constinit RoleSlot<CameraDialogServices> slot;
}  // namespace

CameraDialogServices& CameraDialogs() {
    return slot.Active();
}

void SetCameraDialogs(CameraDialogServices* services) {
    slot.Install(services);
}

}  // namespace vexa
