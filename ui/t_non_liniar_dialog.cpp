#include "ui/t_non_liniar_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vexa {

TNonLiniarDialog::TNonLiniarDialog(NonLinearDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(kNonLinearTitle);
    bar_ = new QScrollBar(Qt::Horizontal, this);
    bar_->setRange(kNonLinearMin, kNonLinearMax);
    bar_->setSingleStep(1);
    bar_->setPageStep(1);
    bar_->setMinimumWidth(200);
    edit_ = new QLineEdit(this);
    edit_->setReadOnly(true);  // shows the power; only the arrows change it
    edit_->setMaximumWidth(50);
    auto* note = new QLabel(kNonLinearNote, this);
    note->setWordWrap(true);

    auto* row = new QHBoxLayout;
    row->addWidget(bar_, 1);
    row->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(row);
    layout->addWidget(buttons);

    connect(bar_, &QAbstractSlider::actionTriggered, this, &TNonLiniarDialog::OnBarAction);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { model_.ShowHelp(); });
    ShowModel();
}

void TNonLiniarDialog::OnBarAction(int action) {
    if (action == QAbstractSlider::SliderSingleStepSub) model_.StepLeft();
    if (action == QAbstractSlider::SliderSingleStepAdd) model_.StepRight();
    bar_->setSliderPosition(model_.Power());
    ShowModel();
}

void TNonLiniarDialog::ShowModel() {
    const QSignalBlocker block(bar_);
    bar_->setValue(model_.Power());
    edit_->setText(QString::fromStdString(model_.PowerText()));
}

}  // namespace vexa
