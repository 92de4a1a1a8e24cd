#include "files/file_dialog_services.h"

namespace vexa {

namespace {
FileDialogServices* installed = nullptr;
}  // namespace

FileDialogServices& FileDialogs() {
    static FileDialogServices cancelling;
    return installed ? *installed : cancelling;
}

void SetFileDialogs(FileDialogServices* services) {
    installed = services;
}

}  // namespace vexa
