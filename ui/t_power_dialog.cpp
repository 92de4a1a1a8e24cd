#include "ui/t_power_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

namespace {
constexpr const char* kPowerBarLabel = "Power";
}  // namespace

TPowerDialog::TPowerDialog(PowerDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(kPowerLawTitle);
    bar_ = NewStepBar(this, kPowerBarMin, kPowerBarMax, 200);
    edit_ = NewShowingEdit(this);

    auto* layout = new QVBoxLayout(this);
    // The bar's ends are the lowest and highest exponents it reaches.
    layout->addLayout(NewLabelledBarRow(this, kPowerBarLabel,
                                        QString::number(kPowerBarMin * kPowerStep, 'f', 1), bar_,
                                        QString::number(kPowerHighest, 'f', 1), edit_));
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
