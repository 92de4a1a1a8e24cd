// A scroll bar used as a pair of arrow buttons that act while held: pressing an arrow starts
// something, releasing the mouse stops it. The slider stays in the middle; the trough and the
// slider do nothing.
#pragma once

#include <Qt>
#include <functional>

class QScrollBar;
class QWidget;

namespace vexa {

// towardEnd is true for the right or lower arrow. press runs on the arrow's first action and
// again on each repeat while it is held (the model ignores a press while its run is on);
// release runs when the mouse button comes up; show redraws the dialog after either.
QScrollBar* NewArrowBar(QWidget* parent, Qt::Orientation orientation,
                        std::function<void(bool towardEnd)> press, std::function<void()> release,
                        std::function<void()> show);

}  // namespace vexa
