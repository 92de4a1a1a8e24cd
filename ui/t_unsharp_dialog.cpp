#include "ui/t_unsharp_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

namespace {
constexpr int kBarWidth = 160;
}

TUnsharpDialog::TUnsharpDialog(UnsharpDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    radiusBar_ = NewStepBar(this, kUnsharpBarMin, kUnsharpBarMax, kBarWidth);
    powerBar_ = NewStepBar(this, kUnsharpBarMin, kUnsharpBarMax, kBarWidth);
    radiusEdit_ = NewShowingEdit(this);
    powerEdit_ = NewShowingEdit(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(NewRadiusPowerGrid(this, radiusBar_, radiusEdit_, powerBar_, powerEdit_));
    layout->addWidget(NewOkCancelHelp(this, [this] { model_.ShowHelp(); }));

    const auto show = [this] { ShowModel(); };
    FollowFilterBar(
        this, radiusBar_, [this](FilterBarAction a, int p) { model_.ScrollRadius(a, p); },
        [this] { return model_.Radius(); }, show);
    FollowFilterBar(
        this, powerBar_, [this](FilterBarAction a, int p) { model_.ScrollPower(a, p); },
        [this] { return model_.Power(); }, show);
    ShowModel();
}

void TUnsharpDialog::ShowModel() {
    const QSignalBlocker blockRadius(radiusBar_);
    const QSignalBlocker blockPower(powerBar_);
    radiusBar_->setValue(model_.Radius());
    powerBar_->setValue(model_.Power());
    radiusEdit_->setText(QString::fromStdString(model_.RadiusText()));
    powerEdit_->setText(QString::fromStdString(model_.PowerText()));
}

}  // namespace vexa
