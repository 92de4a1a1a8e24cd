// The telescope command's dialogs and the guider's "Guiding Info" as the window shows them.
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/t_box_dialog.h"
#include "ui/t_guide_dialog.h"
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

void QtUiServices::OpenGuidingInfo() {
    if (!guidingDialog_) {
        guidingDialog_ = new TGuideDialog(DialogParent());
        guidingDialog_->setAttribute(Qt::WA_DeleteOnClose);
    }
    guidingDialog_->show();
}

void QtUiServices::ShowGuidingInfo(const GuidingInfo& info) {
    if (guidingDialog_) guidingDialog_->ShowInfo(info);
}

TGuideDialog* QtUiServices::GuidingInfoDialog() const {
    return guidingDialog_;
}

void QtUiServices::CloseGuidingInfo() {
    if (guidingDialog_) guidingDialog_->close();
}

}  // namespace vexa
