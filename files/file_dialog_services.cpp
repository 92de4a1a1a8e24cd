#include "files/file_dialog_services.h"

#include "session/role_slot.h"

namespace vexa {

namespace {
constinit RoleSlot<FileDialogServices> slot;
}  // namespace

FileDialogServices& FileDialogs() {
    return slot.Active();
}

void SetFileDialogs(FileDialogServices* services) {
    slot.Install(services);
}

}  // namespace vexa
