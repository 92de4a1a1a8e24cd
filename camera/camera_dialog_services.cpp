#include "camera/camera_dialog_services.h"

namespace vexa {

namespace {
CameraDialogServices* installed = nullptr;
}  // namespace

CameraDialogServices& CameraDialogs() {
    static CameraDialogServices cancelling;
    return installed ? *installed : cancelling;
}

void SetCameraDialogs(CameraDialogServices* services) {
    installed = services;
}

}  // namespace vexa
