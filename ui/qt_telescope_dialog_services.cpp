// The telescope command's dialogs as the window shows them.
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/t_box_dialog.h"
#include "ui/t_mt_dialog.h"

namespace vexa {

void QtUiServices::RunMoveTelescopeDialog(MoveTelescopeDialogModel& model) {
    TMTDialog dialog(model, DialogParent());
    dialog.exec();
}

void QtUiServices::RunControlBoxDialog(ControlBoxDialogModel& model) {
    TBoxDialog dialog(model, DialogParent());
    dialog.exec();
}

}  // namespace vexa
