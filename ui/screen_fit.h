// Keeping windows on the screen: the main window's opening place and size within the screen's
// available area, dialogs moved (and shrunk where they can be) onto it when they show, and the
// place beside the image where a measuring dialog leaves the stars in view.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace vexa {

// Room left between a dialog and the image it is placed beside, in pixels.
constexpr int kBesideGap = 4;

// The frame's outer geometry for an opening size and place: as described where the available
// area allows, else the area's size, and moved just enough to lie inside the area.
QRect OpeningFrameGeometry(QPoint describedPlace, QSize describedSize, const QRect& available);

// A window's outer geometry moved (and cut to the area's size) so that it lies inside the
// available area; unchanged when it already does.
QRect KeptOnScreen(const QRect& frame, const QRect& available);

// Where a window of outer size frame goes so that it does not cover the area: right of it,
// else left of it, else below, else above, each top- or left-aligned with the area and kept
// inside the available area. When none of these has room, the corner of the available area
// farthest from the area's top-left, where the least of the image's first rows and columns
// is hidden.
QPoint BesideArea(const QRect& area, QSize frame, const QRect& available);

// An application-wide filter: every dialog that shows is kept on its screen's available area.
class DialogScreenKeeper : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Put a top-level widget's frame inside its screen's available area now.
void KeepOnScreen(QWidget* window);

}  // namespace vexa
