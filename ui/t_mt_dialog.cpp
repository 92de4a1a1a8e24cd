#include "ui/t_mt_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/arrow_bar.h"

namespace vexa {

namespace {

constexpr int kNumberEditChars = 6;
constexpr int kBarLengthPx = 120;
constexpr int kPlanetColumns = 4;

QLineEdit* NumberEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(kNumberEditChars);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    return edit;
}

QPushButton* Button(const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TMTDialog::TMTDialog(MoveTelescopeDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    auto show = [this] { Redisplay(); };

    // ---- catalogue objects and planets ----
    auto* objects = new QGroupBox(QStringLiteral("GoTo"), this);
    auto* objectGrid = new QGridLayout(objects);
    messier_ = NumberEdit(objects);
    cngc_ = NumberEdit(objects);
    objectGrid->addWidget(new QLabel(QStringLiteral("Messier Object"), objects), 0, 0);
    objectGrid->addWidget(messier_, 0, 1);
    objectGrid->addWidget(new QLabel(QStringLiteral("CNGC Object"), objects), 1, 0);
    objectGrid->addWidget(cngc_, 1, 1);
    gotoObject_ = Button("GoTo Object", objects);
    objectGrid->addWidget(gotoObject_, 0, 2, 2, 1);
    connect(gotoObject_, &QPushButton::clicked, this, [this] {
        TakeEdits();
        model_.GotoObject();
        Redisplay();
    });
    auto* planetGrid = new QGridLayout;
    for (int i = 0; i < kPlanetCount; ++i) {
        const auto planet = static_cast<Planet>(i);
        planets_[i] = Button(PlanetName(planet), objects);
        planetGrid->addWidget(planets_[i], i / kPlanetColumns, i % kPlanetColumns);
        connect(planets_[i], &QPushButton::clicked, this, [this, planet] {
            model_.GotoPlanet(planet);
            Redisplay();
        });
    }
    objectGrid->addLayout(planetGrid, 2, 0, 1, 3);

    // ---- co-ordinates ----
    auto* coordinates = new QGroupBox(QStringLiteral("Co-ordinates"), this);
    auto* coordinateGrid = new QGridLayout(coordinates);
    raHours_ = NumberEdit(coordinates);
    raMinutes_ = NumberEdit(coordinates);
    decDegrees_ = NumberEdit(coordinates);
    decMinutes_ = NumberEdit(coordinates);
    coordinateGrid->addWidget(new QLabel(QStringLiteral("R.A."), coordinates), 0, 0);
    coordinateGrid->addWidget(raHours_, 0, 1);
    coordinateGrid->addWidget(new QLabel(QStringLiteral("hrs"), coordinates), 0, 2);
    coordinateGrid->addWidget(raMinutes_, 0, 3);
    coordinateGrid->addWidget(new QLabel(QStringLiteral("mins"), coordinates), 0, 4);
    coordinateGrid->addWidget(new QLabel(QStringLiteral("Dec."), coordinates), 1, 0);
    coordinateGrid->addWidget(decDegrees_, 1, 1);
    coordinateGrid->addWidget(new QLabel(QStringLiteral("Deg"), coordinates), 1, 2);
    coordinateGrid->addWidget(decMinutes_, 1, 3);
    coordinateGrid->addWidget(new QLabel(QStringLiteral("mins"), coordinates), 1, 4);
    gotoCoordinates_ = Button("Go To ", coordinates);
    coordinateGrid->addWidget(gotoCoordinates_, 0, 5, 2, 1);
    connect(gotoCoordinates_, &QPushButton::clicked, this, [this] {
        TakeEdits();
        model_.GotoCoordinates();
        Redisplay();
    });

    // ---- slewing ----
    auto* slewing = new QGroupBox(QStringLiteral("Slew Rate"), this);
    auto* slewLayout = new QHBoxLayout(slewing);
    auto* rates = new QVBoxLayout;
    slewRates_ = new QButtonGroup(this);
    constexpr std::array<std::pair<const char*, SlewRate>, 4> kRates{{{"Slew", SlewRate::Slew},
                                                                      {"Find", SlewRate::Find},
                                                                      {"Centre", SlewRate::Centre},
                                                                      {"Guide", SlewRate::Guide}}};
    for (const auto& [label, rate] : kRates) {
        auto* radio = new QRadioButton(QString::fromLatin1(label), slewing);
        slewRates_->addButton(radio, static_cast<int>(rate));
        rates->addWidget(radio);
    }
    connect(slewRates_, &QButtonGroup::idClicked, this, [this](int id) {
        model_.ChooseSlewRate(static_cast<SlewRate>(id));
        Redisplay();
    });
    slewLayout->addLayout(rates);
    eastWest_ = NewArrowBar(
        slewing, Qt::Horizontal,
        [this](bool right) { model_.PressMoveArrow(right ? MoveArrow::Right : MoveArrow::Left); },
        [this] { model_.ReleaseMoveArrow(); }, show);
    northSouth_ = NewArrowBar(
        slewing, Qt::Vertical,
        [this](bool down) { model_.PressMoveArrow(down ? MoveArrow::Down : MoveArrow::Up); },
        [this] { model_.ReleaseMoveArrow(); }, show);
    eastWest_->setMinimumWidth(kBarLengthPx);
    northSouth_->setMinimumHeight(kBarLengthPx);
    slewLayout->addWidget(eastWest_, 0, Qt::AlignVCenter);
    slewLayout->addWidget(northSouth_);

    // ---- focuser ----
    auto* focusBox = new QGroupBox(QStringLiteral("Focus"), this);
    auto* focusLayout = new QHBoxLayout(focusBox);
    focus_ = NewArrowBar(
        focusBox, Qt::Vertical, [this](bool down) { model_.PressFocusArrow(!down); },
        [this] { model_.ReleaseFocusArrow(); }, show);
    focus_->setMinimumHeight(kBarLengthPx);
    focusLayout->addWidget(focus_);
    auto* speeds = new QVBoxLayout;
    focusSpeeds_ = new QButtonGroup(this);
    auto* fast = new QRadioButton(QStringLiteral("Fast"), focusBox);
    auto* slow = new QRadioButton(QStringLiteral("Slow"), focusBox);
    focusSpeeds_->addButton(fast, 1);
    focusSpeeds_->addButton(slow, 0);
    speeds->addWidget(fast);
    speeds->addWidget(slow);
    focusLayout->addLayout(speeds);
    connect(focusSpeeds_, &QButtonGroup::idClicked, this, [this](int id) {
        model_.ChooseFocusSpeed(id == 1);
        Redisplay();
    });

    // ---- information, help, finished ----
    auto* infoRow = new QHBoxLayout;
    infoRow->addWidget(new QLabel(QStringLiteral("Info from Scope"), this));
    info_ = new QLineEdit(this);
    info_->setReadOnly(true);
    info_->setMinimumWidth(info_->fontMetrics().horizontalAdvance(QString(34, QChar('M'))));
    infoRow->addWidget(info_, 1);
    auto* help = Button("Help", this);
    auto* finished = Button("Finished", this);
    connect(help, &QPushButton::clicked, this, [this] {
        model_.Help();
        Redisplay();
    });
    connect(finished, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(help);
    buttons->addWidget(finished);

    auto* grid = new QGridLayout(this);
    grid->addWidget(objects, 0, 0);
    grid->addWidget(coordinates, 0, 1);
    grid->addWidget(slewing, 1, 0);
    grid->addWidget(focusBox, 1, 1);
    grid->addLayout(infoRow, 2, 0, 1, 2);
    grid->addLayout(buttons, 3, 0, 1, 2);

    Redisplay();
}

void TMTDialog::TakeEdits() {
    model_.messierText = messier_->text().toStdString();
    model_.cngcText = cngc_->text().toStdString();
    model_.raHoursText = raHours_->text().toStdString();
    model_.raMinutesText = raMinutes_->text().toStdString();
    model_.decDegreesText = decDegrees_->text().toStdString();
    model_.decMinutesText = decMinutes_->text().toStdString();
}

void TMTDialog::Redisplay() {
    if (QAbstractButton* rate = slewRates_->button(static_cast<int>(model_.ShownSlewRate()))) {
        rate->setChecked(true);
    }
    if (QAbstractButton* speed = focusSpeeds_->button(model_.ShownFocusFast() ? 1 : 0)) {
        speed->setChecked(true);
    }
    info_->setText(QString::fromLatin1(model_.InfoText()));
    setWindowTitle(QString::fromLatin1(model_.Title()));
}

}  // namespace vexa
