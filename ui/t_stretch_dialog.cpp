#include "ui/t_stretch_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

namespace {

const QColor kColumnColour(0, 0, 160);  // histogram columns that fit
const QColor kCutColour(200, 0, 0);     // columns cut at the top of the drawing area
const QColor kAxisColour(0, 0, 0);

void Draw(QPainter& painter, const DialogLine& line) {
    painter.drawLine(line.x1, line.y1, line.x2, line.y2);
}

}  // namespace

StretchHistogramView::StretchHistogramView(const StretchDialogModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setFixedSize(kStretchCanvasWidth, kStretchCanvasHeight);
}

void StretchHistogramView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());

    for (const HistogramColumn& column : model_.HistogramColumns()) {
        if (column.height <= 0) continue;
        painter.setPen(column.cut ? kCutColour : kColumnColour);
        // height pixels, the lowest on the base line
        painter.drawLine(column.x, kHistogramBaseY, column.x, column.top + 1);
    }

    painter.setPen(kAxisColour);
    for (const DialogLine& axis : StretchDialogModel::AxisLines()) Draw(painter, axis);
    for (const DialogLine& tick : StretchDialogModel::TickLines()) Draw(painter, tick);

    const DialogRect& strip = kMarkerStrip;
    painter.fillRect(
        QRect(QPoint(strip.left, strip.top), QPoint(strip.right - 1, strip.bottom - 1)),
        palette().window());
    for (int x : {model_.BlackMarkerX(), model_.WhiteMarkerX()}) {
        for (const DialogLine& line : StretchDialogModel::MarkerLines(x)) Draw(painter, line);
    }
}

TStretchDialog::TStretchDialog(StretchDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(kNormalStretchTitle);

    view_ = new StretchHistogramView(model_, this);
    whiteBar_ = new QScrollBar(Qt::Horizontal, this);
    whiteBar_->setRange(kWhiteBarMin, kWhiteBarMax);
    blackBar_ = new QScrollBar(Qt::Horizontal, this);
    blackBar_->setRange(kBlackBarMin, kBlackBarMax);
    for (QScrollBar* bar : {whiteBar_, blackBar_}) {
        bar->setSingleStep(1);
        bar->setPageStep(kBarPageStep);
        bar->setMinimumWidth(kStretchCanvasWidth - 60);
    }
    // The edits show the levels; typing into them changes nothing.
    whiteEdit_ = new QLineEdit(this);
    blackEdit_ = new QLineEdit(this);
    for (QLineEdit* edit : {whiteEdit_, blackEdit_}) {
        MarkReadOnly(edit);
        edit->setMaximumWidth(50);
    }

    auto* grid = new QGridLayout;
    auto* blackLabel = new QLabel("Black", this);
    auto* whiteLabel = new QLabel("White", this);
    blackLabel->setBuddy(blackEdit_);
    whiteLabel->setBuddy(whiteEdit_);
    grid->addWidget(blackLabel, 0, 0);
    grid->addWidget(blackBar_, 0, 1);
    grid->addWidget(blackEdit_, 0, 2);
    grid->addWidget(whiteLabel, 1, 0);
    grid->addWidget(whiteBar_, 1, 1);
    grid->addWidget(whiteEdit_, 1, 2);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 0, Qt::AlignHCenter);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    connect(whiteBar_, &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnBarAction(whiteBar_, action); });
    connect(blackBar_, &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnBarAction(blackBar_, action); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { model_.ShowHelp(); });
    ShowModel();
}

void TStretchDialog::OnBarAction(QScrollBar* bar, int action) {
    const bool white = bar == whiteBar_;
    auto scroll = [&](StretchBarAction a, int position = 0) {
        if (white) {
            model_.ScrollWhite(a, position);
        } else {
            model_.ScrollBlack(a, position);
        }
    };
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            scroll(StretchBarAction::LineLeft);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            scroll(StretchBarAction::LineRight);
            break;
        case QAbstractSlider::SliderPageStepSub:
            scroll(StretchBarAction::PageLeft);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            scroll(StretchBarAction::PageRight);
            break;
        case QAbstractSlider::SliderMove:
            scroll(StretchBarAction::ThumbPosition, bar->sliderPosition());
            break;
        default:  // the bars have no rule for jumps to their ends
            break;
    }
    // The bar has already moved by its own step; the model's value is the one that counts.
    bar->setSliderPosition(white ? model_.White() : model_.Black());
    ShowModel();
}

void TStretchDialog::ShowModel() {
    const QSignalBlocker blockWhite(whiteBar_);
    const QSignalBlocker blockBlack(blackBar_);
    whiteBar_->setValue(model_.White());
    blackBar_->setValue(model_.Black());
    whiteEdit_->setText(QString::fromStdString(model_.WhiteText()));
    blackEdit_->setText(QString::fromStdString(model_.BlackText()));
    view_->update();
}

}  // namespace vexa
