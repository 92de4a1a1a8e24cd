#include "ui/t_auto_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vexa {

namespace {

// Control ids of the stretch radio buttons.
constexpr int kNoStretchId = 101;
constexpr int kWeakStretchId = 102;
constexpr int kStrongStretchId = 103;
constexpr int kUserStretchId = 104;

int IdOf(AutoStretchChoice choice) {
    switch (choice) {
        case AutoStretchChoice::Weak:
            return kWeakStretchId;
        case AutoStretchChoice::Strong:
            return kStrongStretchId;
        case AutoStretchChoice::User:
            return kUserStretchId;
        case AutoStretchChoice::None:
            break;
    }
    return kNoStretchId;
}

AutoStretchChoice ChoiceOf(int id) {
    switch (id) {
        case kWeakStretchId:
            return AutoStretchChoice::Weak;
        case kStrongStretchId:
            return AutoStretchChoice::Strong;
        case kUserStretchId:
            return AutoStretchChoice::User;
        default:
            return AutoStretchChoice::None;
    }
}

QLineEdit* NumberEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaximumWidth(40);
    return edit;
}

}  // namespace

TAutoDialog::TAutoDialog(AutoDialogModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle(kAutoDialogTitle);

    stretch_ = new QButtonGroup(this);
    auto* stretchLayout = new QGridLayout;
    const struct {
        int id;
        const char* text;
    } radios[] = {{kNoStretchId, "No Auto Stretch"},
                  {kWeakStretchId, "Apply Weak Stretch"},
                  {kStrongStretchId, "Apply Strong Stretch"},
                  {kUserStretchId, "Auto Stretch - User"}};
    int row = 0;
    for (const auto& radio : radios) {
        auto* button = new QRadioButton(radio.text, this);
        stretch_->addButton(button, radio.id);
        stretchLayout->addWidget(button, row++, 0);
    }
    userLevel_ = NumberEdit(this);
    stretchLayout->addWidget(userLevel_, row - 1, 1);
    stretchLayout->setColumnStretch(2, 1);  // the edit sits beside its radio button

    removeBackground_ = new QCheckBox("Remove Background", this);
    highPass_ = new QCheckBox("High Pass Low Power", this);
    unsharp_ = new QCheckBox("Unsharp Mask", this);
    diameter_ = NumberEdit(this);
    power_ = NumberEdit(this);
    auto* diameterLabel = new QLabel("dia.", this);
    auto* powerLabel = new QLabel("power", this);
    diameterLabel->setBuddy(diameter_);
    powerLabel->setBuddy(power_);
    auto* unsharpRow = new QHBoxLayout;
    unsharpRow->addWidget(unsharp_);
    unsharpRow->addWidget(diameterLabel);
    unsharpRow->addWidget(diameter_);
    unsharpRow->addWidget(powerLabel);
    unsharpRow->addWidget(power_);
    unsharpRow->addStretch(1);

    save_ = new QPushButton("Save", this);
    save_->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    auto* help = new QPushButton("Help", this);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(save_);
    buttonRow->addWidget(cancel);
    buttonRow->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(kAutoPlanetaryNote, this));
    layout->addLayout(stretchLayout);
    layout->addWidget(new QLabel(kAutoAstroNote, this));
    layout->addWidget(removeBackground_);
    layout->addWidget(new QLabel(kAutoCrispenNote, this));
    layout->addWidget(highPass_);
    layout->addLayout(unsharpRow);
    layout->addLayout(buttonRow);

    connect(stretch_, &QButtonGroup::idClicked, this, [this](int id) {
        model_.ChooseStretch(ChoiceOf(id));
        ShowChoices();
    });
    connect(removeBackground_, &QCheckBox::clicked, this, [this] {
        model_.ToggleRemoveBackground();
        ShowChoices();
    });
    connect(highPass_, &QCheckBox::clicked, this, [this] {
        model_.ToggleHighPass();
        ShowChoices();
    });
    connect(unsharp_, &QCheckBox::clicked, this, [this] {
        model_.ToggleUnsharp();
        ShowChoices();
    });
    connect(save_, &QPushButton::clicked, this, &TAutoDialog::OnSave);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { model_.ShowHelp(); });

    ShowChoices();
    ShowNumbers();
}

void TAutoDialog::OnSave() {
    model_.SetUserLevelText(userLevel_->text().toStdString());
    model_.SetUnsharpDiameterText(diameter_->text().toStdString());
    model_.SetUnsharpPowerText(power_->text().toStdString());
    const bool taken = model_.Save();
    ShowNumbers();
    if (taken) accept();
}

void TAutoDialog::ShowChoices() {
    if (QAbstractButton* button = stretch_->button(IdOf(model_.Stretch()))) {
        button->setChecked(true);
    }
    const QSignalBlocker b1(removeBackground_);
    const QSignalBlocker b2(highPass_);
    const QSignalBlocker b3(unsharp_);
    removeBackground_->setChecked(model_.RemoveBackground());
    highPass_->setChecked(model_.HighPass());
    unsharp_->setChecked(model_.Unsharp());
}

void TAutoDialog::ShowNumbers() {
    userLevel_->setText(QString::fromStdString(model_.UserLevelText()));
    diameter_->setText(QString::fromStdString(model_.UnsharpDiameterText()));
    power_->setText(QString::fromStdString(model_.UnsharpPowerText()));
}

}  // namespace vexa
