#include "ui/t_ph_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

namespace {

namespace id = photometry_id;

constexpr int kValueEditWidth = 70;
constexpr int kPositionEditWidth = 50;

}  // namespace

TPHDialog::TPHDialog(PhotometryDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    setModal(false);

    targets_ = new QButtonGroup(this);
    masks_ = new QButtonGroup(this);

    // One row per target: its radio button, then x, y and the mean value.
    auto* measures = new QGridLayout;
    measures->addWidget(new QLabel(kPhotometryXLabel, this), 0, 1, Qt::AlignHCenter);
    measures->addWidget(new QLabel(kPhotometryYLabel, this), 0, 2, Qt::AlignHCenter);
    measures->addWidget(new QLabel(kPhotometryValueLabel, this), 0, 3, Qt::AlignHCenter);
    const struct {
        int radio;
        const char* text;
        int x, y, value;
    } rows[] = {
        {id::kObject, "Object", id::kObjectX, id::kObjectY, id::kObjectValue},
        {id::kComparison, "Comparison", id::kComparisonX, id::kComparisonY, id::kComparisonValue},
        {id::kBackground, "Background", id::kSkyX, id::kSkyY, id::kBackgroundValue},
    };
    int line = 1;
    for (const auto& row : rows) {
        measures->addWidget(AddRadio(targets_, row.radio, row.text), line, 0);
        measures->addWidget(AddEdit(row.x, kPositionEditWidth), line, 1);
        measures->addWidget(AddEdit(row.y, kPositionEditWidth), line, 2);
        measures->addWidget(AddEdit(row.value, kValueEditWidth), line, 3);
        ++line;
    }
    measures->addWidget(new QLabel(kPhotometryMagnitudeLabel, this), line, 0, 1, 3, Qt::AlignRight);
    measures->addWidget(AddEdit(id::kMagnitude, kValueEditWidth), line, 3);

    auto* maskBox = new QGroupBox(kPhotometryMaskLabel, this);
    auto* maskLayout = new QGridLayout(maskBox);
    int index = 0;
    for (const MaskChoice& choice : kMaskChoices) {
        maskLayout->addWidget(AddRadio(masks_, choice.id, choice.text), index / 2, index % 2);
        ++index;
    }

    auto* cursorBox = new QGroupBox(kPhotometryCursorLabel, this);
    auto* cursorLayout = new QGridLayout(cursorBox);
    cursorLayout->addWidget(new QLabel(kPhotometryCursorColumns, this), 0, 0, 1, 3);
    cursorLayout->addWidget(AddEdit(id::kCursorX, kPositionEditWidth), 1, 0);
    cursorLayout->addWidget(AddEdit(id::kCursorY, kPositionEditWidth), 1, 1);
    cursorLayout->addWidget(AddEdit(id::kCursorValue, kValueEditWidth), 1, 2);

    finished_ = new QPushButton("Finished", this);
    help_ = new QPushButton("Help", this);
    finished_->setAutoDefault(false);
    help_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(finished_);
    buttons->addWidget(help_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(measures);
    layout->addWidget(maskBox);
    layout->addWidget(cursorBox);
    layout->addLayout(buttons);

    connect(targets_, &QButtonGroup::idClicked, this, &TPHDialog::OnChosen);
    connect(masks_, &QButtonGroup::idClicked, this, &TPHDialog::OnChosen);
    connect(finished_, &QPushButton::clicked, this, [this] {
        model_.Finished();
        close();
    });
    connect(help_, &QPushButton::clicked, this, [this] { model_.Help(); });
    ShowModel();
}

QLineEdit* TPHDialog::AddEdit(int editId, int width) {
    auto* edit = new QLineEdit(this);
    MarkReadOnly(edit);
    edit->setFixedWidth(width);
    edit->setAlignment(Qt::AlignRight);
    edits_.insert(editId, edit);
    return edit;
}

QRadioButton* TPHDialog::AddRadio(QButtonGroup* group, int radioId, const char* text) {
    auto* radio = new QRadioButton(text, this);
    group->addButton(radio, radioId);
    radios_.insert(radioId, radio);
    return radio;
}

void TPHDialog::OnChosen(int controlId) {
    model_.Choose(controlId);
    ShowModel();
}

void TPHDialog::ShowModel() {
    for (auto it = edits_.cbegin(); it != edits_.cend(); ++it)
        it.value()->setText(QString::fromStdString(model_.Text(it.key())));
    const QSignalBlocker blockTargets(targets_);
    const QSignalBlocker blockMasks(masks_);
    if (QAbstractButton* target = targets_->button(model_.CheckedTargetId()))
        target->setChecked(true);
    if (QAbstractButton* mask = masks_->button(model_.CheckedMaskId())) mask->setChecked(true);
}

void TPHDialog::reject() {
    model_.Finished();
    QDialog::reject();
}

}  // namespace vexa
