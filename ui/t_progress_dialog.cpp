#include "ui/t_progress_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>

#include "ui/screen_fit.h"

namespace vexa {

namespace {

// Centred on the parent's window (on the screen without one), inside the available area.
QRect CentredFrame(const QWidget* parent, QSize clientSize, const QScreen* screen) {
    const QRect available = screen ? screen->availableGeometry() : QRect();
    QSize outer = clientSize;
    QPoint centre = available.center();
    if (parent) {
        const QWidget* window = parent->window();
        // The parent window's decorations stand for the ones this window will get.
        outer += window->frameGeometry().size() - window->geometry().size();
        centre = window->frameGeometry().center();
    }
    const QRect frame(centre - QPoint(outer.width() / 2, outer.height() / 2), outer);
    return KeptOnScreen(frame, available);
}

}  // namespace

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
    adjustSize();
    frame_ = CentredFrame(parent, size(), screen());
    move(frame_.topLeft());
}

QRect TProgressDialog::PlacedFrame(QWidget* parent) {
    const TProgressDialog probe(parent);
    return probe.frame_;
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
