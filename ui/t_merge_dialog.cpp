#include "ui/t_merge_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
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

constexpr int kEditWidth = 60;

// The radio buttons show the phase; the user cannot change it.
QRadioButton* NewShowingRadio(const char* text, QWidget* parent) {
    auto* radio = new QRadioButton(text, parent);
    radio->setAttribute(Qt::WA_TransparentForMouseEvents);
    radio->setFocusPolicy(Qt::NoFocus);
    radio->setAutoExclusive(false);
    return radio;
}

}  // namespace

TMergeDialog::TMergeDialog(MergeDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    setModal(false);
    original_ = NewShowingRadio(kMergeOriginalRadio, this);
    second_ = NewShowingRadio(kMergeSecondRadio, this);
    x1_ = NewShowingEdit(this, kEditWidth);
    y1_ = NewShowingEdit(this, kEditWidth);
    x2_ = NewShowingEdit(this, kEditWidth);
    y2_ = NewShowingEdit(this, kEditWidth);
    average_ = new QCheckBox(kMergeAverageBox, this);
    superimpose_ = new QCheckBox(kMergeSuperimposeBox, this);
    merge_ = new QPushButton("Merge", this);
    cancel_ = new QPushButton("Cancel", this);
    help_ = new QPushButton("Help", this);
    merge_->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(kMergeColumnHeader, this), 0, 1, 1, 2);
    grid->addWidget(original_, 1, 0);
    grid->addWidget(x1_, 1, 1);
    grid->addWidget(y1_, 1, 2);
    grid->addWidget(second_, 2, 0);
    grid->addWidget(x2_, 2, 1);
    grid->addWidget(y2_, 2, 2);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(average_);
    boxes->addWidget(superimpose_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(merge_);
    buttons->addWidget(cancel_);
    buttons->addWidget(help_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(boxes);
    layout->addLayout(buttons);

    connect(average_, &QCheckBox::clicked, this, [this] {
        model_.ToggleAverage();
        ShowModel();
    });
    connect(superimpose_, &QCheckBox::clicked, this, [this] {
        model_.ToggleSuperimpose();
        ShowModel();
    });
    connect(merge_, &QPushButton::clicked, this, [this] {
        // Before the second image is opened the button does nothing and the dialog stays.
        if (model_.Merge()) hide();
    });
    connect(cancel_, &QPushButton::clicked, this, &TMergeDialog::reject);
    connect(help_, &QPushButton::clicked, this, [this] { model_.ShowHelp(); });
    ShowModel();
}

void TMergeDialog::ShowModel() {
    const QSignalBlocker blockAverage(average_);
    const QSignalBlocker blockSuperimpose(superimpose_);
    original_->setChecked(model_.OriginalImageChecked());
    second_->setChecked(model_.MergeImageChecked());
    x1_->setText(QString::fromStdString(model_.X1Text()));
    y1_->setText(QString::fromStdString(model_.Y1Text()));
    x2_->setText(QString::fromStdString(model_.X2Text()));
    y2_->setText(QString::fromStdString(model_.Y2Text()));
    average_->setChecked(model_.AverageChecked());
    superimpose_->setChecked(model_.SuperimposeChecked());
}

void TMergeDialog::reject() {
    // Cancel leaves merging (once: it does nothing when merging has already ended).
    model_.Cancel();
    QDialog::reject();
}

}  // namespace vexa
