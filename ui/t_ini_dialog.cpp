#include "ui/t_ini_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <functional>
#include <initializer_list>
#include <utility>

#include "session/telescope_type.h"
#include "session/ui_services.h"
#include "ui/window_serial_lines.h"

namespace vexa {

namespace {

struct RadioChoice {
    const char* label;
    int id;
};

// A titled box of radio buttons laid out in the given number of columns; the buttons join
// group under the choice's id.
QGroupBox* RadioBox(const char* title, std::initializer_list<RadioChoice> choices, int columns,
                    QButtonGroup* group) {
    auto* box = new QGroupBox(QString::fromLatin1(title));
    auto* grid = new QGridLayout(box);
    int index = 0;
    for (const RadioChoice& choice : choices) {
        auto* button = new QRadioButton(QString::fromLatin1(choice.label), box);
        group->addButton(button, choice.id);
        grid->addWidget(button, index / columns, index % columns);
        ++index;
    }
    return box;
}

QCheckBox* CheckBox(const char* label, QWidget* parent) {
    return new QCheckBox(QString::fromLatin1(label), parent);
}

}  // namespace

TINIDialog::TINIDialog(SettingsDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QStringLiteral("Set Program Defaults"));

    maskRadius_ = new QButtonGroup(this);
    delayAdjustment_ = new QButtonGroup(this);
    commPort_ = new QButtonGroup(this);
    trainingTime_ = new QButtonGroup(this);
    background_ = new QButtonGroup(this);
    telescope_ = new QButtonGroup(this);

    auto* grid = new QGridLayout;
    grid->addWidget(RadioBox("Radius of Guide Star Mask",
                             {{"7 Pixels", 7},
                              {"8 Pixels", 8},
                              {"9 Pixels", 9},
                              {"11 Pixels", 11},
                              {"13 Pixels", 13},
                              {"15 Pixels", 15}},
                             2, maskRadius_),
                    0, 0);
    QGroupBox* telescopeBox =
        RadioBox("Telescope Guiding",
                 {{"None", TelescopeTypeLetter(TelescopeType::None)},
                  {"Meade LX200 (Tm)", TelescopeTypeLetter(TelescopeType::Lx200)},
                  {"Via Control Box", TelescopeTypeLetter(TelescopeType::ControlBox)},
                  {"INDI Mount", TelescopeTypeLetter(TelescopeType::Indi)}},
                 1, telescope_);
    // The INDI server under its choice: the host, its port and the mount device (empty: the
    // first telescope the server offers).
    indiServer_ = new QWidget(telescopeBox);
    auto* indiGrid = new QGridLayout(indiServer_);
    indiGrid->setContentsMargins(0, 0, 0, 0);
    const auto indiEdit = [this, indiGrid](const char* label, int row) {
        auto* edit = new QLineEdit(indiServer_);
        auto* text = new QLabel(QString::fromLatin1(label), indiServer_);
        text->setBuddy(edit);
        indiGrid->addWidget(text, row, 0);
        indiGrid->addWidget(edit, row, 1);
        return edit;
    };
    indiHost_ = indiEdit("Host", 0);
    indiPort_ = indiEdit("Port", 1);
    indiDevice_ = indiEdit("Device", 2);
    indiPort_->setMaxLength(5);
    indiDevice_->setPlaceholderText(QStringLiteral("first telescope"));
    static_cast<QGridLayout*>(telescopeBox->layout())->addWidget(indiServer_, 4, 0);
    grid->addWidget(telescopeBox, 0, 1);
    grid->addWidget(RadioBox("Window Background", {{"Lt Gray", 'l'}, {"Red", 'r'}, {"Gray", 'g'}},
                             1, background_),
                    0, 2);
    grid->addWidget(RadioBox("Default Delay Adjustment", {{"Normal", 1}, {"Half", 2}, {"Third", 3}},
                             3, delayAdjustment_),
                    1, 0);
    QGroupBox* commBox = RadioBox("Comm Port", {{"Com1", '1'}, {"Com2", '2'}}, 2, commPort_);
    // The devices the two port names stand for (--com1, --com2), shown, not edited.
    auto* portPaths = new QLabel(QString::fromStdString("Com1: " + SerialPortShownName('1') +
                                                        "\nCom2: " + SerialPortShownName('2')),
                                 commBox);
    portPaths->setObjectName(QStringLiteral("commPortPaths"));
    portPaths->setTextInteractionFlags(Qt::TextSelectableByMouse);
    static_cast<QGridLayout*>(commBox->layout())->addWidget(portPaths, 1, 0, 1, 2);
    grid->addWidget(commBox, 1, 1);
    grid->addWidget(RadioBox("Default Guide Training Time",
                             {{"1 Sec", 1}, {"2 Sec", 2}, {"4 Sec", 4}}, 3, trainingTime_),
                    1, 2);

    auto* direction = new QGroupBox(QStringLiteral("Telescope Drive Direction"));
    auto* directionLayout = new QVBoxLayout(direction);
    swapNorthSouth_ = CheckBox("Swap n/s direction", direction);
    swapEastWest_ = CheckBox("Swap e/w direction", direction);
    directionLayout->addWidget(swapNorthSouth_);
    directionLayout->addWidget(swapEastWest_);
    grid->addWidget(direction, 2, 0);

    auto* interrupts = new QGroupBox(QStringLiteral("Disable Interrupts"));
    auto* interruptsLayout = new QVBoxLayout(interrupts);
    disableInterrupts_ = CheckBox("during Download", interrupts);
    disableInterrupts_->setToolTip(QString::fromLatin1(kDisableInterruptsHelp));
    disableInterrupts_->setWhatsThis(QString::fromLatin1(kDisableInterruptsHelp));
    interruptsLayout->addWidget(disableInterrupts_);
    interruptsLayout->addStretch();
    grid->addWidget(interrupts, 2, 1);

    auto* options = new QVBoxLayout;
    focusDelay_ = CheckBox("1 sec delay when focussing", this);
    ignoreDrift_ = CheckBox("Ignore drift < 1 pixel", this);
    unsignedFits_ = CheckBox("Unsigned Int FITs Format", this);
    interfaceDetails_ = CheckBox("Show Interface Details", this);
    for (QCheckBox* box : {focusDelay_, ignoreDrift_, unsignedFits_, interfaceDetails_})
        options->addWidget(box);
    grid->addLayout(options, 2, 2);

    // The six edits in two columns (RA beside Dec), the button that takes them below.
    auto* slew = new QGridLayout;
    constexpr std::array<const char*, kSlewEditCount> kEditLabels{
        "RA pixels per sec", "Dec pixels per sec",      "RA Backlash",
        "Dec Backlash",      "Hysteresis in RA (0-10)", "Hysteresis in Dec (0-20)"};
    for (int i = 0; i < kSlewEditCount; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setMaxLength(6);
        edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 8);
        auto* label = new QLabel(QString::fromLatin1(kEditLabels[i]), this);
        label->setBuddy(edit);
        const int row = i / 2;
        const int column = (i % 2) * 3;  // RA in columns 0-1, Dec in 3-4
        slew->addWidget(label, row, column);
        slew->addWidget(edit, row, column + 1);
        slewEdits_[i] = edit;
    }
    slew->setColumnMinimumWidth(2, 16);
    slew->setColumnStretch(5, 1);
    auto* setSlew = new QPushButton(QStringLiteral("Set slew values"), this);
    setSlew->setAutoDefault(false);
    slew->addWidget(setSlew, 2, 6);
    grid->addLayout(slew, 3, 0, 1, 3);

    auto* save = new QPushButton(QStringLiteral("Save Changes"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    save->setDefault(true);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    const auto onChoice = [this](QButtonGroup* group, std::function<void(int)> choose) {
        connect(group, &QButtonGroup::idClicked, this, [this, choose](int id) {
            choose(id);
            Redisplay();
        });
    };
    onChoice(maskRadius_,
             [this](int id) { model_.ChooseGuideStarMaskRadius(static_cast<int16_t>(id)); });
    onChoice(delayAdjustment_,
             [this](int id) { model_.ChooseDelayAdjustment(static_cast<int16_t>(id)); });
    onChoice(commPort_, [this](int id) { model_.ChooseCommPort(static_cast<char>(id)); });
    onChoice(trainingTime_, [this](int id) { model_.ChooseGuideTrainingSeconds(id); });
    onChoice(background_, [this](int id) { model_.ChooseBackground(static_cast<char>(id)); });
    onChoice(telescope_, [this](int id) { model_.ChooseTelescopeType(static_cast<char>(id)); });

    const std::pair<QCheckBox*, void (SettingsDialogModel::*)()> toggles[] = {
        {focusDelay_, &SettingsDialogModel::ToggleFocusDelay},
        {ignoreDrift_, &SettingsDialogModel::ToggleIgnoreSmallDrift},
        {disableInterrupts_, &SettingsDialogModel::ToggleDisableInterrupts},
        {swapNorthSouth_, &SettingsDialogModel::ClickSwapNorthSouth},
        {swapEastWest_, &SettingsDialogModel::ClickSwapEastWest},
        {unsignedFits_, &SettingsDialogModel::ToggleUnsignedIntFits},
        {interfaceDetails_, &SettingsDialogModel::ToggleShowInterfaceDetails},
    };
    for (const auto& [box, toggle] : toggles) {
        connect(box, &QCheckBox::clicked, this, [this, toggle = toggle] {
            (model_.*toggle)();
            Redisplay();
        });
    }

    connect(setSlew, &QPushButton::clicked, this, [this] {
        SlewTexts texts;
        for (int i = 0; i < kSlewEditCount; ++i) texts[i] = slewEdits_[i]->text().toStdString();
        // A refused value leaves the edits as typed, for the user to put right.
        const std::string refusal = model_.SetSlewValues(texts);
        if (!refusal.empty()) {
            Ui().MessageBox(kSettingsDialogCaption, refusal);
            return;
        }
        ShowSlewValues();
        Redisplay();
    });
    connect(save, &QPushButton::clicked, this, &TINIDialog::SaveChanges);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    ShowSlewValues();
    ShowIndiServer();
    Redisplay();
}

void TINIDialog::ShowIndiServer() {
    const IndiServerTexts texts = model_.ShownIndiServer();
    indiHost_->setText(QString::fromStdString(texts.host));
    indiPort_->setText(QString::fromStdString(texts.port));
    indiDevice_->setText(QString::fromStdString(texts.device));
}

void TINIDialog::SaveChanges() {
    if (model_.IndiServerEnabled()) {
        // A refused server leaves the dialog open with the edits as typed.
        const std::string refusal =
            model_.TakeIndiServer({indiHost_->text().toStdString(), indiPort_->text().toStdString(),
                                   indiDevice_->text().toStdString()});
        if (!refusal.empty()) {
            Ui().MessageBox(kSettingsDialogCaption, refusal);
            return;
        }
    }
    accept();
}

void TINIDialog::CheckById(QButtonGroup* group, int value) {
    // A non-exclusive group may show no button checked, for a value none of them stands for.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) {
        const QSignalBlocker blocker(button);
        button->setChecked(group->id(button) == value);
    }
    group->setExclusive(true);
}

void TINIDialog::ShowSlewValues() {
    const SlewTexts texts = model_.ShownSlewValues();
    for (int i = 0; i < kSlewEditCount; ++i)
        slewEdits_[i]->setText(QString::fromStdString(texts[i]));
}

void TINIDialog::Redisplay() {
    CheckById(maskRadius_, model_.ShownGuideStarMaskRadius());
    CheckById(delayAdjustment_, model_.ShownDelayAdjustment());
    CheckById(commPort_, model_.ShownCommPort());
    CheckById(trainingTime_, model_.ShownGuideTrainingSeconds());
    CheckById(background_, model_.ShownBackground());
    CheckById(telescope_, model_.ShownTelescopeType());
    for (QAbstractButton* button : commPort_->buttons())
        button->setEnabled(model_.CommPortEnabled());
    indiServer_->setEnabled(model_.IndiServerEnabled());
    const std::pair<QCheckBox*, bool> checks[] = {
        {focusDelay_, model_.FocusDelayChecked()},
        {ignoreDrift_, model_.IgnoreSmallDriftChecked()},
        {disableInterrupts_, model_.DisableInterruptsChecked()},
        {swapNorthSouth_, model_.SwapNorthSouthChecked()},
        {swapEastWest_, model_.SwapEastWestChecked()},
        {unsignedFits_, model_.UnsignedIntFitsChecked()},
        {interfaceDetails_, model_.ShowInterfaceDetailsChecked()},
    };
    for (const auto& [box, checked] : checks) {
        const QSignalBlocker blocker(box);
        box->setChecked(checked);
    }
}

}  // namespace vexa
