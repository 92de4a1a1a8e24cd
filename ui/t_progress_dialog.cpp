#include "ui/t_progress_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace vexa {

TProgressDialog::TProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Filter Progress");
    setModal(false);
    bar_ = new QProgressBar(this);
    bar_->setOrientation(Qt::Horizontal);
    bar_->setRange(0, kProgressBarMaximum);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(240);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(new QLabel("0%", this));
    layout->addWidget(bar_, 1);
    layout->addWidget(new QLabel("100%", this));
}

void TProgressDialog::SetPosition(int position) {
    bar_->setValue(std::clamp(position, 0, kProgressBarMaximum));
    if (isVisible()) bar_->repaint();
}

void TProgressDialog::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
    if (isVisible()) repaint();
}

}  // namespace vexa
