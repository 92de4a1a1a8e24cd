#include "ui/t_hist_dialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexa {

namespace {

// The listed levels must fit the 80-pixel wide list rectangle: a small fixed-width font.
constexpr int kListFontPixels = 9;
constexpr int kCanvasWidth = kHistogramListRect.right + 4;
constexpr int kCanvasHeight = kHistogramListRect.bottom + 4;

}  // namespace

void DrawPlotSegments(QPainter& painter, const std::vector<PlotSegment>& segments) {
    QPen pen(PlotPenColour(PlotPen::First), 0);
    PlotPen current = PlotPen::First;
    painter.setPen(pen);
    for (const PlotSegment& s : segments) {
        if (s.x0 == s.x1 && s.y0 == s.y1) continue;
        if (s.pen != current) {
            current = s.pen;
            pen.setColor(PlotPenColour(current));
            painter.setPen(pen);
        }
        painter.drawLine(s.x0, s.y0, s.x1, s.y1);
    }
}

HistogramCanvas::HistogramCanvas(HistogramDialogModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setFixedSize(kCanvasWidth, kCanvasHeight);
}

QSize HistogramCanvas::sizeHint() const {
    return {kCanvasWidth, kCanvasHeight};
}

void HistogramCanvas::paintEvent(QPaintEvent*) {
    const HistogramPicture picture = model_.Picture();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    DrawPlotSegments(painter, picture.axes);
    DrawPlotSegments(painter, picture.bars);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(kListFontPixels);
    painter.setFont(font);
    painter.setPen(PlotPenColour(PlotPen::First));
    const PlotRect& r = kHistogramListRect;
    painter.drawText(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top),
                     Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(picture.list));
}

THistDialog::THistDialog(HistogramDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    setModal(false);
    canvas_ = new HistogramCanvas(model_, this);
    close_ = new QPushButton("Close", this);
    help_ = new QPushButton("Help", this);
    close_->setAutoDefault(false);
    help_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close_);
    buttons->addWidget(help_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(canvas_);
    layout->addLayout(buttons);
    connect(close_, &QPushButton::clicked, this, [this] {
        model_.Close();
        close();
    });
    connect(help_, &QPushButton::clicked, this, [this] { model_.Help(); });
}

void THistDialog::reject() {
    model_.Close();
    QDialog::reject();
}

}  // namespace vexa
