#include "ui/t_cv_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

namespace {

constexpr int kArrowsHeight = 34;  // two arrows and next to no trough
constexpr int kStretchBarWidth = 160;
constexpr int kNameEditWidth = 220;

// A vertical bar that works as a pair of scroll arrows: up lowers the value, down raises it.
QScrollBar* NewArrows(QWidget* parent) {
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setFixedHeight(kArrowsHeight);
    return bar;
}

// A labelled value: the label, the read-only edit showing it, and its arrows.
QHBoxLayout* ValueRow(QWidget* parent, const char* label, QLineEdit* edit, QScrollBar* arrows) {
    auto* row = new QHBoxLayout;
    auto* text = new QLabel(QString::fromLatin1(label), parent);
    text->setBuddy(edit);
    row->addWidget(text, 1);
    row->addWidget(edit);
    row->addWidget(arrows);
    return row;
}

void SetBar(QScrollBar* bar, int low, int high, int value) {
    const QSignalBlocker block(bar);
    bar->setRange(low, high);
    bar->setValue(value);
}

}  // namespace

TCVDialog::TCVDialog(CameraDialogModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromLatin1(kCameraDialogTitle));

    // ---- exposure unit ----
    units_ = new QButtonGroup(this);
    auto* unitBox = new QGroupBox(QStringLiteral("Exposure"), this);
    auto* unitLayout = new QVBoxLayout(unitBox);
    const struct {
        char unit;
        const char* text;
    } radios[] = {{'h', "Hundredth's"}, {'t', "Tenth's"}, {'s', "Seconds"}, {'m', "Minutes"}};
    for (const auto& radio : radios) {
        auto* button = new QRadioButton(QString::fromLatin1(radio.text), unitBox);
        units_->addButton(button, radio.unit);
        unitLayout->addWidget(button);
    }

    // ---- values with arrows ----
    exposureEdit_ = NewShowingEdit(this);
    countEdit_ = NewShowingEdit(this);
    pauseEdit_ = NewShowingEdit(this);
    exposureArrows_ = NewArrows(this);
    countArrows_ = NewArrows(this);
    pauseArrows_ = NewArrows(this);
    auto* values = new QVBoxLayout;
    values->addLayout(ValueRow(this, "Exposure Value", exposureEdit_, exposureArrows_));
    values->addLayout(ValueRow(this, "No of Exposures", countEdit_, countArrows_));
    values->addLayout(ValueRow(this, "Delay between exposures (mins)", pauseEdit_, pauseArrows_));

    // ---- the data bit depth ----
    stretchBar_ = NewStepBar(this, kFewestStretchBits, kMostStretchBits, kStretchBarWidth);
    stretchEdit_ = NewShowingEdit(this);
    auto* stretchRow = new QHBoxLayout;
    stretchRow->addWidget(new QLabel(QStringLiteral("Stretch"), this));
    stretchRow->addWidget(new QLabel(QStringLiteral("12 bit"), this));
    stretchRow->addWidget(stretchBar_, 1);
    stretchRow->addWidget(new QLabel(QStringLiteral("16 bit"), this));
    stretchRow->addWidget(stretchEdit_);

    // ---- options ----
    const struct {
        CameraOption option;
        const char* text;
    } boxes[] = {
        {CameraOption::AverageMultiple, "Average Multiple Exposures"},
        {CameraOption::AlternativeSlew, "Alternative Slew Method"},
        {CameraOption::AutoSave, "Auto Save Image"},
        {CameraOption::DelayBeforeExposure, "Delay before exposure"},
        {CameraOption::Continuous, "Continuous Mode"},
        {CameraOption::BinImage, "Bin Image 2X2"},
        {CameraOption::AutoProcessing, "Apply Auto-Processing"},
        {CameraOption::StretchAllImages, "Set Stretch for all Images"},
        {CameraOption::AutochangeExposure, "Autochange Exposure"},
        {CameraOption::RemoveDark, "Auto-Remove Dark Frame"},
        {CameraOption::ApplyFlat, "Auto-Apply Flatfield"},
    };
    auto* optionGrid = new QGridLayout;
    int index = 0;
    for (const auto& box : boxes) {
        auto* check = new QCheckBox(QString::fromLatin1(box.text), this);
        options_[box.option] = check;
        if (box.option != CameraOption::RemoveDark && box.option != CameraOption::ApplyFlat) {
            optionGrid->addWidget(check, index / 2, index % 2);
            ++index;
        }
        connect(check, &QCheckBox::clicked, this, [this, option = box.option] {
            model_.Toggle(option);
            ShowModel();
        });
    }
    darkName_ = NewShowingEdit(this, kNameEditWidth);
    flatName_ = NewShowingEdit(this, kNameEditWidth);
    auto* references = new QGridLayout;
    references->addWidget(options_[CameraOption::RemoveDark], 0, 0);
    references->addWidget(darkName_, 0, 1);
    references->addWidget(options_[CameraOption::ApplyFlat], 1, 0);
    references->addWidget(flatName_, 1, 1);
    lastFileEdit_ = NewShowingEdit(this);
    auto* lastFileRow = new QHBoxLayout;
    lastFileRow->addWidget(new QLabel(QStringLiteral("Last file no."), this));
    lastFileRow->addWidget(lastFileEdit_);
    lastFileRow->addStretch(1);

    // ---- focus mode ----
    auto* focusBox = new QGroupBox(QStringLiteral("Focus Mode"), this);
    start_ = new QPushButton(QStringLiteral("Start"), focusBox);
    stop_ = new QPushButton(QStringLiteral("Stop"), focusBox);
    start_->setAutoDefault(false);
    stop_->setAutoDefault(false);
    maxValueEdit_ = NewShowingEdit(focusBox, 70);
    halfFluxEdit_ = NewShowingEdit(focusBox, 70);
    focusWindow_ = new QLabel(focusBox);
    focusWindow_->setFixedSize(kFrameSide, kFrameSide);
    focusWindow_->setFrameShape(QFrame::Box);
    focusWindow_->setToolTip(QStringLiteral("Focus Window"));
    auto* focusGrid = new QGridLayout(focusBox);
    focusGrid->addWidget(start_, 0, 0);
    focusGrid->addWidget(stop_, 1, 0);
    focusGrid->addWidget(new QLabel(QStringLiteral("Max Value"), focusBox), 2, 0);
    focusGrid->addWidget(maxValueEdit_, 2, 1);
    focusGrid->addWidget(new QLabel(QStringLiteral("HFD (pixels)"), focusBox), 3, 0);
    focusGrid->addWidget(halfFluxEdit_, 3, 1);
    focusGrid->addWidget(new QLabel(QStringLiteral("Focus Window"), focusBox), 0, 2);
    focusGrid->addWidget(focusWindow_, 1, 2, 3, 1);

    // ---- buttons ----
    takePhoto_ = new QPushButton(QStringLiteral("Take Photo"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    takePhoto_->setDefault(true);
    cancel->setAutoDefault(false);
    help->setAutoDefault(false);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(takePhoto_);
    buttonRow->addWidget(cancel);
    buttonRow->addWidget(help);

    auto* top = new QHBoxLayout;
    top->addWidget(unitBox);
    top->addLayout(values, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(stretchRow);
    layout->addLayout(optionGrid);
    layout->addLayout(references);
    layout->addLayout(lastFileRow);
    layout->addWidget(focusBox);
    layout->addLayout(buttonRow);

    // ---- wiring: each control acts through the model, then everything is shown again ----
    connect(units_, &QButtonGroup::idClicked, this, [this](int unit) {
        model_.ChooseUnit(static_cast<char>(unit));
        ShowModel();
    });
    FollowArrowSteps(
        this, exposureArrows_, [this] { model_.ExposureUp(); }, [this] { model_.ExposureDown(); },
        [this] { return static_cast<int>(model_.ExposureValue()); }, [this] { ShowModel(); });
    FollowArrowSteps(
        this, countArrows_, [this] { model_.CountUp(); }, [this] { model_.CountDown(); },
        [this] { return static_cast<int>(model_.ExposureCount()); }, [this] { ShowModel(); });
    FollowArrowSteps(
        this, pauseArrows_, [this] { model_.PauseUp(); }, [this] { model_.PauseDown(); },
        [this] { return static_cast<int>(model_.PauseMinutes()); }, [this] { ShowModel(); });
    connect(stretchBar_, &QAbstractSlider::actionTriggered, this, &TCVDialog::OnStretchAction);
    connect(start_, &QPushButton::clicked, this, [this] {
        model_.StartFocus();
        ShowModel();
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        model_.StopFocus();
        ShowModel();
    });
    connect(takePhoto_, &QPushButton::clicked, this, [this] {
        model_.TakePhoto();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &TCVDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        model_.ShowHelp();
        ShowModel();
    });
    model_.SetFocusFrameListener([this] {
        ShowModel();
        ShowFocusFrame();
    });
    ShowModel();
}

TCVDialog::~TCVDialog() {
    model_.SetFocusFrameListener(nullptr);
}

void TCVDialog::reject() {
    model_.Cancel();
    QDialog::reject();
}

void TCVDialog::OnStretchAction(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            model_.ScrollStretch(BitDepthBarAction::LineLeft);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            model_.ScrollStretch(BitDepthBarAction::LineRight);
            break;
        case QAbstractSlider::SliderPageStepSub:
        case QAbstractSlider::SliderToMinimum:
            model_.ScrollStretch(BitDepthBarAction::PageLeft);
            break;
        case QAbstractSlider::SliderPageStepAdd:
        case QAbstractSlider::SliderToMaximum:
            model_.ScrollStretch(BitDepthBarAction::PageRight);
            break;
        case QAbstractSlider::SliderMove:
            model_.ScrollStretch(BitDepthBarAction::Thumb, stretchBar_->sliderPosition());
            break;
        default:
            break;
    }
    // The bar applies its own step after this signal; the position set here is the one used.
    stretchBar_->setSliderPosition(model_.StretchBits());
    ShowModel();
}

void TCVDialog::ShowModel() {
    if (QAbstractButton* unit = units_->button(model_.Unit())) unit->setChecked(true);
    SetBar(exposureArrows_, 1, Session().camera.exposureMaximum, model_.ExposureValue());
    SetBar(countArrows_, 1, kMostExposures, model_.ExposureCount());
    SetBar(pauseArrows_, 0, kLongestPauseMinutes, model_.PauseMinutes());
    SetBar(stretchBar_, kFewestStretchBits, kMostStretchBits, model_.StretchBits());
    exposureEdit_->setText(QString::fromStdString(model_.ExposureValueText()));
    countEdit_->setText(QString::fromStdString(model_.ExposureCountText()));
    pauseEdit_->setText(QString::fromStdString(model_.PauseText()));
    stretchEdit_->setText(QString::fromStdString(model_.StretchText()));
    for (const auto& [option, box] : options_) {
        const QSignalBlocker block(box);
        box->setChecked(model_.Checked(option));
    }
    darkName_->setText(QString::fromStdString(model_.DarkFileName()));
    flatName_->setText(QString::fromStdString(model_.FlatFileName()));
    lastFileEdit_->setText(QString::fromStdString(model_.LastFileNumberText()));
    maxValueEdit_->setText(QString::fromStdString(model_.MaxValueText()));
    halfFluxEdit_->setText(QString::fromStdString(model_.HalfFluxText()));
}

void TCVDialog::ShowFocusFrame() {
    const QPixmap frame(QString::fromStdString(model_.FocusBitmapHostPath()));
    if (!frame.isNull()) focusWindow_->setPixmap(frame);
    // The loop is between pump passes: show the frame now, not at the next pass.
    focusWindow_->repaint();
    maxValueEdit_->repaint();
    halfFluxEdit_->repaint();
}

}  // namespace vexa
