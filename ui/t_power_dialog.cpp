#include "ui/t_power_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vexa {

TPowerDialog::TPowerDialog(PowerDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(kPowerLawTitle);
    bar_ = new QScrollBar(Qt::Horizontal, this);
    bar_->setRange(kPowerBarMin, kPowerBarMax);
    bar_->setSingleStep(1);
    bar_->setPageStep(1);
    bar_->setMinimumWidth(200);
    edit_ = new QLineEdit(this);
    edit_->setReadOnly(true);  // shows the exponent; only the arrows change it
    edit_->setMaximumWidth(50);

    auto* row = new QHBoxLayout;
    row->addWidget(bar_, 1);
    row->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);

    connect(bar_, &QAbstractSlider::actionTriggered, this, &TPowerDialog::OnBarAction);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { model_.ShowHelp(); });
    ShowModel();
}

void TPowerDialog::OnBarAction(int action) {
    if (action == QAbstractSlider::SliderSingleStepSub) model_.StepLeft();
    if (action == QAbstractSlider::SliderSingleStepAdd) model_.StepRight();
    // Only the arrows move the exponent; the bar goes back to where the exponent puts it.
    bar_->setSliderPosition(model_.BarPosition());
    ShowModel();
}

void TPowerDialog::ShowModel() {
    const QSignalBlocker block(bar_);
    bar_->setValue(model_.BarPosition());
    edit_->setText(QString::fromStdString(model_.ExponentText()));
}

}  // namespace vexa
