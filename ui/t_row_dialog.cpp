#include "ui/t_row_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"
#include "ui/t_hist_dialog.h"

namespace vexa {

namespace {

constexpr int kCanvasWidth = kRowClearRect.right + 2;
constexpr int kCanvasHeight = kRowClearRect.bottom + 2;
constexpr int kRowEditWidth = 60;

}  // namespace

RowCanvas::RowCanvas(RowDialogModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setFixedSize(kCanvasWidth, kCanvasHeight);
}

QSize RowCanvas::sizeHint() const {
    return {kCanvasWidth, kCanvasHeight};
}

void RowCanvas::paintEvent(QPaintEvent*) {
    const std::vector<PlotPoint> profile = model_.Profile();
    QPolygon polyline;
    polyline.reserve(static_cast<int>(profile.size()));
    for (const PlotPoint& p : profile) polyline << QPoint(p.x, p.y);
    QPainter painter(this);
    const PlotRect& r = kRowClearRect;
    painter.fillRect(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)), Qt::white);
    painter.setPen(QPen(PlotPenColour(PlotPen::First), 0));
    painter.drawPolyline(polyline);
}

TRowDialog::TRowDialog(RowDialogModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    setModal(false);
    rowEdit_ = new QLineEdit(this);
    MarkReadOnly(rowEdit_);
    rowEdit_->setFixedWidth(kRowEditWidth);
    canvas_ = new RowCanvas(model_, this);
    finished_ = new QPushButton("Finished", this);
    help_ = new QPushButton("Help", this);
    finished_->setAutoDefault(false);
    help_->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(kRowLabel, this));
    bottom->addWidget(rowEdit_);
    bottom->addStretch();
    bottom->addWidget(finished_);
    bottom->addWidget(help_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(canvas_);
    layout->addLayout(bottom);
    connect(finished_, &QPushButton::clicked, this, [this] {
        model_.Finished();
        close();
    });
    connect(help_, &QPushButton::clicked, this, [this] { model_.Help(); });
    Redraw();
}

void TRowDialog::Redraw() {
    rowEdit_->setText(QString::fromStdString(model_.RowText()));
    canvas_->update();
}

void TRowDialog::reject() {
    model_.Finished();
    QDialog::reject();
}

}  // namespace vexa
