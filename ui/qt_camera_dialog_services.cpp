// The camera control dialog as the window shows it.
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/t_cv_dialog.h"

namespace vexa {

bool QtUiServices::RunCameraDialog(CameraDialogModel& model) {
    TCVDialog dialog(model, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace vexa
