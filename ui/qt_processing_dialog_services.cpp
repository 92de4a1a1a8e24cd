// The processing commands' dialogs as the window shows them, and the "Filter Progress"
// window of long passes.
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/t_auto_dialog.h"
#include "ui/t_median_dialog.h"
#include "ui/t_merge_dialog.h"
#include "ui/t_non_liniar_dialog.h"
#include "ui/t_power_dialog.h"
#include "ui/t_progress_dialog.h"
#include "ui/t_stretch_dialog.h"
#include "ui/t_unsharp_dialog.h"

namespace vexa {

namespace {
template <typename Dialog, typename Model>
bool RunModal(Model& model, QWidget* parent) {
    Dialog dialog(model, parent);
    return dialog.exec() == QDialog::Accepted;
}
}  // namespace

bool QtUiServices::RunStretchDialog(StretchDialogModel& model) {
    return RunModal<TStretchDialog>(model, DialogParent());
}
bool QtUiServices::RunPowerDialog(PowerDialogModel& model) {
    return RunModal<TPowerDialog>(model, DialogParent());
}
bool QtUiServices::RunNonLinearDialog(NonLinearDialogModel& model) {
    return RunModal<TNonLiniarDialog>(model, DialogParent());
}
bool QtUiServices::RunAutoProcessingDialog(AutoDialogModel& model) {
    return RunModal<TAutoDialog>(model, DialogParent());
}

bool QtUiServices::RunUnsharpDialog(UnsharpDialogModel& model) {
    return RunModal<TUnsharpDialog>(model, DialogParent());
}
bool QtUiServices::RunMedianDialog(MedianDialogModel& model) {
    return RunModal<TMedianDialog>(model, DialogParent());
}

// The merge dialog stays open while the user marks stars and opens the second image; it
// deletes itself when closed, which may happen from inside its own button handler.
void QtUiServices::OpenMergeDialog(MergeDialogModel& model) {
    if (mergeDialog_) mergeDialog_->close();
    mergeDialog_ = new TMergeDialog(model, DialogParent());
    mergeDialog_->setAttribute(Qt::WA_DeleteOnClose);
    mergeDialog_->show();
}

void QtUiServices::CloseMergeDialog() {
    if (mergeDialog_) mergeDialog_->close();
}

void QtUiServices::MergeMarksChanged() {
    if (mergeDialog_) mergeDialog_->ShowModel();
}

void QtUiServices::OpenProgressWindow() {
    CloseProgressWindow();
    progress_ = new TProgressDialog(DialogParent());
    progress_->show();
    progress_->repaint();
}

void QtUiServices::SetProgressTitle(const std::string& title) {
    if (progress_) progress_->SetTitle(title);
}

void QtUiServices::SetProgressPosition(int position) {
    if (progress_) progress_->SetPosition(position);
}

void QtUiServices::CloseProgressWindow() {
    delete progress_.data();
    progress_ = nullptr;
}

}  // namespace vexa
