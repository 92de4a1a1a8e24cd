// The File menu's dialogs as the window shows them: FITS details, the open and save file
// dialogs, and the delete confirmation.
#include "ui/file_dialogs.h"
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/t_delete_dialog.h"
#include "ui/t_fits_dialog.h"

namespace vexa {

bool QtUiServices::RunFitsDetailsDialog(FitsDetailsDialogModel& model) {
    return RunFitsDialog(model, DialogParent());
}

std::optional<std::string> QtUiServices::OpenFileDialog(const FileDialogRequest& request) {
    return RunOpenFileDialog(request, DialogParent());
}

std::optional<std::string> QtUiServices::SaveFileDialog(const FileDialogRequest& request) {
    return RunSaveFileDialog(request, DialogParent());
}

bool QtUiServices::RunConfirmDialog(const ConfirmDialogRequest& request) {
    return RunDeleteDialog(request, DialogParent());
}

}  // namespace vexa
