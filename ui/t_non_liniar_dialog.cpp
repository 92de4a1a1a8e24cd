#include "ui/t_non_liniar_dialog.h"

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
constexpr const char* kNonLinearBarLabel = "Power";
}  // namespace

TNonLiniarDialog::TNonLiniarDialog(NonLinearDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(kNonLinearTitle);
    bar_ = NewStepBar(this, kNonLinearMin, kNonLinearMax, 200);
    edit_ = NewShowingEdit(this);  // shows the power; only the arrows change it
    auto* note = new QLabel(kNonLinearNote, this);
    note->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(NewLabelledBarRow(this, kNonLinearBarLabel, QString::number(kNonLinearMin),
                                        bar_, QString::number(kNonLinearMax), edit_));
    layout->addWidget(NewOkCancelHelp(this, [this] { model_.ShowHelp(); }));

    FollowArrowSteps(
        this, bar_, [this] { model_.StepLeft(); }, [this] { model_.StepRight(); },
        [this] { return model_.Power(); }, [this] { ShowModel(); });
    ShowModel();
}

void TNonLiniarDialog::ShowModel() {
    const QSignalBlocker block(bar_);
    bar_->setValue(model_.Power());
    edit_->setText(QString::fromStdString(model_.PowerText()));
}

}  // namespace vexa
