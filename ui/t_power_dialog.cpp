#include "ui/t_power_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

TPowerDialog::TPowerDialog(PowerDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(kPowerLawTitle);
    bar_ = NewStepBar(this, kPowerBarMin, kPowerBarMax, 200);
    edit_ = NewShowingEdit(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(NewBarRow(bar_, edit_));
    layout->addWidget(NewOkCancelHelp(this, [this] { model_.ShowHelp(); }));

    // Only the arrows move the exponent; the bar goes back to where the exponent puts it.
    FollowArrowSteps(
        this, bar_, [this] { model_.StepLeft(); }, [this] { model_.StepRight(); },
        [this] { return model_.BarPosition(); }, [this] { ShowModel(); });
    ShowModel();
}

void TPowerDialog::ShowModel() {
    const QSignalBlocker block(bar_);
    bar_->setValue(model_.BarPosition());
    edit_->setText(QString::fromStdString(model_.ExponentText()));
}

}  // namespace vexa
