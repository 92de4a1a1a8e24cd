// The modeless measuring dialogs: photometry (opened beside the image), histogram, 3-D
// intensity plot and row profile.
// Each deletes itself when closed; the pointers then clear themselves.
#include <QScreen>

#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/screen_fit.h"
#include "ui/t_hist_dialog.h"
#include "ui/t_ph_dialog.h"
#include "ui/t_plot3d_dialog.h"
#include "ui/t_row_dialog.h"

namespace vexa {

namespace {
template <typename Dialog, typename Model>
bool OpenModeless(QPointer<Dialog>& slot, Model& model, QWidget* parent) {
    if (slot) slot->close();
    slot = new Dialog(model, parent);
    slot->setAttribute(Qt::WA_DeleteOnClose);
    slot->show();
    return true;
}

template <typename Dialog>
void CloseModeless(QPointer<Dialog>& slot) {
    if (slot) slot->close();
}
}  // namespace

bool QtUiServices::OpenPhotometryDialog(PhotometryDialogModel& model) {
    if (photometryDialog_) photometryDialog_->close();
    photometryDialog_ = new TPHDialog(model, DialogParent());
    photometryDialog_->setAttribute(Qt::WA_DeleteOnClose);
    // The user clicks the stars next: open beside the image rather than over its middle.
    if (view_ && photometryDialog_->screen()) {
        photometryDialog_->adjustSize();
        const QWidget* frame = view_->window();
        const QSize decorations = frame->frameGeometry().size() - frame->geometry().size();
        photometryDialog_->move(BesideArea(view_->ShownImageArea(),
                                           photometryDialog_->size() + decorations,
                                           photometryDialog_->screen()->availableGeometry()));
    }
    photometryDialog_->show();
    return true;
}
void QtUiServices::ClosePhotometryDialog() {
    CloseModeless(photometryDialog_);
}

bool QtUiServices::OpenHistogramDialog(HistogramDialogModel& model) {
    return OpenModeless(histogramDialog_, model, DialogParent());
}
void QtUiServices::CloseHistogramDialog() {
    CloseModeless(histogramDialog_);
}

bool QtUiServices::OpenPlot3DDialog(Plot3DDialogModel& model) {
    return OpenModeless(plot3DDialog_, model, DialogParent());
}
void QtUiServices::ClosePlot3DDialog() {
    CloseModeless(plot3DDialog_);
}

bool QtUiServices::OpenRowDialog(RowDialogModel& model) {
    return OpenModeless(rowDialog_, model, DialogParent());
}
void QtUiServices::CloseRowDialog() {
    CloseModeless(rowDialog_);
}

void QtUiServices::PhotometryChanged() {
    if (photometryDialog_) photometryDialog_->ShowModel();
}

void QtUiServices::RowPlotChanged() {
    if (rowDialog_) rowDialog_->Redraw();
}

void QtUiServices::AnalysisImageChanged() {
    if (histogramDialog_) histogramDialog_->Canvas()->update();
    if (plot3DDialog_) plot3DDialog_->Canvas()->Rebuild();
    if (rowDialog_) rowDialog_->Redraw();
}

}  // namespace vexa
