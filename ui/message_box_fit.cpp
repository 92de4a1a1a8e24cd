#include "ui/message_box_fit.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

namespace vexa {

namespace {
// The window's icon and its minimise, maximise and close buttons.
constexpr int kTitleBarSlots = 4;
}  // namespace

int CaptionFitWidth(const QString& caption) {
    // The font Qt itself takes for title bars, bold as most window systems draw captions.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QFontMetrics metrics(font);
    // A title bar is about twice as high as its text, and its buttons about as wide as it is.
    const int slotWidth = 2 * metrics.height();
    return metrics.horizontalAdvance(caption) + kTitleBarSlots * slotWidth;
}

void FitMessageBoxToCaption(QMessageBox& box) {
    // The box fixes its own size from its layout whenever it is shown or its text changes; the
    // row of buttons spans the whole box, so its minimum width is the box's, less the margins.
    auto* buttons = box.findChild<QDialogButtonBox*>();
    if (!buttons) return;
    const QMargins margins = box.layout() ? box.layout()->contentsMargins() : QMargins();
    int width = CaptionFitWidth(box.windowTitle());
    if (const QScreen* screen = box.screen()) {
        width = std::min(width, screen->availableGeometry().width());
    }
    buttons->setMinimumWidth(std::max(0, width - margins.left() - margins.right()));
}

}  // namespace vexa
