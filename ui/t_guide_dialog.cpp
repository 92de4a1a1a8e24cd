#include "ui/t_guide_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

namespace {

constexpr int kFieldWidth = 70;
constexpr int kRmsDecimals = 2;

QLineEdit* AddField(QGridLayout* grid, int row, int column, const char* label, QWidget* parent) {
    grid->addWidget(new QLabel(QString::fromUtf8(label), parent), row, column);
    QLineEdit* edit = NewShowingEdit(parent, kFieldWidth);
    grid->addWidget(edit, row, column + 1);
    return edit;
}

}  // namespace

TGuideDialog::TGuideDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Guiding Info"));
    auto* layout = new QVBoxLayout(this);

    auto* star = new QGridLayout;
    x_ = AddField(star, 0, 0, "x", this);
    y_ = AddField(star, 1, 0, "y", this);
    dx_ = AddField(star, 0, 2, "dx", this);
    dy_ = AddField(star, 1, 2, "dy", this);
    layout->addLayout(star);

    auto* run = new QGroupBox(QStringLiteral("RMS this run (pixels)"), this);
    auto* rms = new QGridLayout(run);
    rmsX_ = AddField(rms, 0, 0, "dx", run);
    rmsY_ = AddField(rms, 0, 2, "dy", run);
    rmsTotal_ = AddField(rms, 1, 0, "total", run);
    frames_ = new QLabel(run);
    rms->addWidget(frames_, 1, 2, 1, 2);
    layout->addWidget(run);
}

void TGuideDialog::ShowInfo(const GuidingInfo& info) {
    x_->setText(QString::fromStdString(info.x));
    y_->setText(QString::fromStdString(info.y));
    dx_->setText(QString::fromStdString(info.dx));
    dy_->setText(QString::fromStdString(info.dy));
    rmsX_->setText(QString::number(info.rmsXPx, 'f', kRmsDecimals));
    rmsY_->setText(QString::number(info.rmsYPx, 'f', kRmsDecimals));
    rmsTotal_->setText(QString::number(info.rmsTotalPx, 'f', kRmsDecimals));
    frames_->setText(QStringLiteral("%1 frames").arg(info.frames));
}

}  // namespace vexa
