#include "telescope/telescope_dialog_services.h"

namespace vexa {

namespace {
TelescopeDialogServices* installed = nullptr;
}  // namespace

TelescopeDialogServices& TelescopeDialogs() {
    static TelescopeDialogServices closing;
    return installed ? *installed : closing;
}

void SetTelescopeDialogs(TelescopeDialogServices* services) {
    installed = services;
}

}  // namespace vexa
