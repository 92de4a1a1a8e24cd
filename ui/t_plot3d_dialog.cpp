#include "ui/t_plot3d_dialog.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/t_hist_dialog.h"

namespace vexa {

namespace {

constexpr int kCanvasMargin = 8;
constexpr int kCanvasWidth = kPlot3DWidth + kCanvasMargin;
constexpr int kCanvasHeight = kPlot3DHeight + kCanvasMargin;

}  // namespace

Plot3DCanvas::Plot3DCanvas(Plot3DDialogModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setFixedSize(kCanvasWidth, kCanvasHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    builder_ = new QTimer(this);
    builder_->setInterval(0);
    connect(builder_, &QTimer::timeout, this, [this] {
        DrawNextLine();
        update();
        if (Complete()) {
            builder_->stop();
            emit completed();
        }
    });
}

QSize Plot3DCanvas::sizeHint() const {
    return {kCanvasWidth, kCanvasHeight};
}

void Plot3DCanvas::StartPicture() {
    picture_ = QImage(size(), QImage::Format_RGB32);
    picture_.fill(Qt::white);
    next_ = 0;
    // Later lines come from the event loop, so the window stays alive while the plot
    // builds up in front of the user.
    builder_->start();
}

void Plot3DCanvas::DrawNextLine() {
    if (Complete()) return;
    const std::vector<Plot3DLine>& lines = model_.Lines();
    if (static_cast<size_t>(next_) < lines.size()) {
        QPainter painter(&picture_);
        DrawPlotSegments(painter, lines[static_cast<size_t>(next_)]);
    }
    ++next_;
}

void Plot3DCanvas::DrawRemainingLines() {
    if (picture_.isNull()) StartPicture();
    while (!Complete()) DrawNextLine();
    builder_->stop();
    update();
    emit completed();
}

void Plot3DCanvas::Rebuild() {
    // Before the first paint there is nothing to redo: that paint starts the picture.
    if (picture_.isNull()) return;
    StartPicture();
    update();
}

void Plot3DCanvas::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) {
        StartPicture();
        DrawNextLine();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

TPlot3DDialog::TPlot3DDialog(Plot3DDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    setModal(false);
    canvas_ = new Plot3DCanvas(model_, this);
    finished_ = new QPushButton("Finished", this);
    help_ = new QPushButton("Help", this);
    finished_->setAutoDefault(false);
    help_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(finished_);
    buttons->addWidget(help_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(canvas_);
    layout->addLayout(buttons);
    connect(finished_, &QPushButton::clicked, this, [this] {
        model_.Finished();
        close();
    });
    connect(help_, &QPushButton::clicked, this, [this] { model_.Help(); });
}

void TPlot3DDialog::reject() {
    model_.Finished();
    QDialog::reject();
}

}  // namespace vexa
