#include "ui/screen_fit.h"

#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>

namespace vexa {

namespace {

// The start of a span of length inside [low, low + room), as near to wanted as it can be.
int KeptInside(int wanted, int length, int low, int room) {
    return std::max(low, std::min(wanted, low + room - length));
}

QRect InsideArea(QPoint place, QSize size, const QRect& available) {
    const QSize kept = size.boundedTo(available.size());
    return QRect(KeptInside(place.x(), kept.width(), available.left(), available.width()),
                 KeptInside(place.y(), kept.height(), available.top(), available.height()),
                 kept.width(), kept.height());
}

}  // namespace

QRect OpeningFrameGeometry(QPoint describedPlace, QSize describedSize, const QRect& available) {
    if (available.isEmpty()) return QRect(describedPlace, describedSize);
    return InsideArea(describedPlace, describedSize, available);
}

QRect KeptOnScreen(const QRect& frame, const QRect& available) {
    if (available.isEmpty()) return frame;
    return InsideArea(frame.topLeft(), frame.size(), available);
}

QPoint BesideArea(const QRect& area, QSize frame, const QRect& available) {
    const std::array<QPoint, 4> candidates{
        QPoint(area.right() + 1 + kBesideGap, area.top()),
        QPoint(area.left() - kBesideGap - frame.width(), area.top()),
        QPoint(area.left(), area.bottom() + 1 + kBesideGap),
        QPoint(area.left(), area.top() - kBesideGap - frame.height()),
    };
    for (const QPoint& place : candidates) {
        const QRect kept = InsideArea(place, frame, available);
        if (kept.size() == frame && !kept.intersects(area)) return kept.topLeft();
    }
    const QPoint corner(available.right() + 1 - frame.width(),
                        available.bottom() + 1 - frame.height());
    return InsideArea(corner, frame, available).topLeft();
}

void KeepOnScreen(QWidget* window) {
    if (window == nullptr || !window->isWindow() || window->screen() == nullptr) return;
    const QRect frame = window->frameGeometry();
    const QRect kept = KeptOnScreen(frame, window->screen()->availableGeometry());
    if (kept.size() != frame.size()) window->resize(window->size() - (frame.size() - kept.size()));
    if (kept.topLeft() != frame.topLeft()) window->move(kept.topLeft());
}

bool DialogScreenKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog != nullptr && dialog->isWindow()) KeepOnScreen(dialog);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vexa
