#include "ui/t_median_dialog.h"

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

TMedianDialog::TMedianDialog(MedianDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    radiusEdit_ = NewShowingEdit(this);
    powerEdit_ = NewShowingEdit(this);
    radiusBar_ = NewStepBar(this, kMedianRadiusBarMin, kMedianRadiusBarMax, kBarWidth);
    powerBar_ = NewStepBar(this, kMedianPowerBarMin, kMedianPowerBarMax, kBarWidth);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(NewRadiusPowerGrid(this, radiusBar_, radiusEdit_, powerBar_, powerEdit_));
    layout->addWidget(NewOkCancelHelp(this, [this] { model_.ShowHelp(); }));

    const auto show = [this] { ShowModel(); };
    FollowFilterBar(
        this, radiusBar_, [this](FilterBarAction a, int p) { model_.ScrollRadius(a, p); },
        [this] { return model_.Radius(); }, show);
    FollowFilterBar(
        this, powerBar_, [this](FilterBarAction a, int p) { model_.ScrollPower(a, p); },
        [this] { return model_.PowerTenths(); }, show);
    ShowModel();
}

void TMedianDialog::ShowModel() {
    const QSignalBlocker blockRadius(radiusBar_);
    const QSignalBlocker blockPower(powerBar_);
    radiusBar_->setValue(model_.Radius());
    powerBar_->setValue(model_.PowerTenths());
    radiusEdit_->setText(QString::fromStdString(model_.RadiusText()));
    powerEdit_->setText(QString::fromStdString(model_.PowerText()));
}

}  // namespace vexa
