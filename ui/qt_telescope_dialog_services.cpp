// The telescope command's dialogs and the guider's "Guiding Info" as the window shows them:
// the figures are the guide run's, handed over after every guide frame.
#include <QScreen>

#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/screen_fit.h"
#include "ui/t_box_dialog.h"
#include "ui/t_guide_dialog.h"
#include "ui/t_mt_dialog.h"
#include "ui/t_progress_dialog.h"

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
    shownGuidingInfo_ = GuidingInfo{};
    if (!guidingDialog_) {
        QWidget* parent = DialogParent();
        guidingDialog_ = new TGuideDialog(parent);
        guidingDialog_->setAttribute(Qt::WA_DeleteOnClose);
        // Every guide frame opens the progress window: the figures stand beside it.
        if (const QScreen* screen = guidingDialog_->screen()) {
            guidingDialog_->adjustSize();
            QSize decorations;
            if (parent) {
                const QWidget* window = parent->window();
                decorations = window->frameGeometry().size() - window->geometry().size();
            }
            guidingDialog_->move(BesideArea(TProgressDialog::PlacedFrame(parent),
                                            guidingDialog_->size() + decorations,
                                            screen->availableGeometry()));
        }
    }
    guidingDialog_->show();
}

void QtUiServices::ShowGuidingInfo(const GuidingInfo& info) {
    shownGuidingInfo_ = info;
    if (guidingDialog_) guidingDialog_->ShowInfo(info);
}

TGuideDialog* QtUiServices::GuidingInfoDialog() const {
    return guidingDialog_;
}

void QtUiServices::CloseGuidingInfo() {
    if (guidingDialog_) guidingDialog_->close();
}

}  // namespace vexa
