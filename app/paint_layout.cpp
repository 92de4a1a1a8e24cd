#include "app/paint_layout.h"

#include <algorithm>

#include "session/session_state.h"

namespace vexa {

namespace {

void AddStrip(std::vector<ViewRect>& strips, int x0, int y0, int x1, int y1) {
    if (x1 > x0 && y1 > y0) strips.push_back({x0, y0, x1 - x0, y1 - y0});
}

}  // namespace

ScrollRanges ComputeScrollRanges(int clientWidth, int clientHeight) {
    const SessionState& s = Session();
    if (s.fitToWindow) return {};
    return {std::max(0, s.displayWidth - std::max(0, clientWidth)),
            std::max(0, s.displayHeight - std::max(0, clientHeight))};
}

PaintLayout ComputePaintLayout(int clientWidth, int clientHeight, bool minimized) {
    const SessionState& s = Session();
    const int cw = std::max(0, clientWidth);
    const int ch = std::max(0, clientHeight);
    PaintLayout layout;
    const int dw = s.displayWidth;
    const int dh = s.displayHeight;
    if (!s.displayBitmapExists || dw <= 0 || dh <= 0) {
        AddStrip(layout.backgroundStrips, 0, 0, cw, ch);
        return layout;
    }
    layout.hasBitmap = true;
    if (minimized || s.fitToWindow) {
        layout.stretchToClient = true;
        layout.source = {0, 0, dw, dh};
        layout.target = {0, 0, cw, ch};
        return layout;
    }

    // Centring margins; the odd pixel goes to the right (or bottom) margin.
    if (s.centreImage && cw > dw) layout.centreOffsetX = (cw - dw) / 2;
    if (s.centreImage && ch > dh) layout.centreOffsetY = (ch - dh) / 2;

    // The whole bitmap (its own size, so the Half view's 652 columns and the 128 x 128 frame
    // are drawn as they are) placed at the margins and moved by the scroll position, then
    // clipped to the client area.
    const int imageX = layout.centreOffsetX - s.scrollX;
    const int imageY = layout.centreOffsetY - s.scrollY;
    const int x0 = std::clamp(imageX, 0, cw);
    const int y0 = std::clamp(imageY, 0, ch);
    const int x1 = std::clamp(imageX + dw, 0, cw);
    const int y1 = std::clamp(imageY + dh, 0, ch);
    if (x1 > x0 && y1 > y0) {
        layout.target = {x0, y0, x1 - x0, y1 - y0};
        layout.source = {x0 - imageX, y0 - imageY, x1 - x0, y1 - y0};
    }

    // Background: full-height strips left and right of the image, and above and below it
    // only across the image's columns, so the strips neither overlap the image nor leave gaps.
    if (x1 > x0 && y1 > y0) {
        AddStrip(layout.backgroundStrips, x1, 0, cw, ch);   // right
        AddStrip(layout.backgroundStrips, 0, 0, x0, ch);    // left
        AddStrip(layout.backgroundStrips, x0, y1, x1, ch);  // below
        AddStrip(layout.backgroundStrips, x0, 0, x1, y0);   // above
    } else {
        AddStrip(layout.backgroundStrips, 0, 0, cw, ch);  // scrolled right off the image
    }
    return layout;
}

}  // namespace vexa
