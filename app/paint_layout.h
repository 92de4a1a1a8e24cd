// Where the view draws the display bitmap and the background: 1:1 with scrolling, centred in
// the client area, or stretched to fit it. The Qt view draws what these functions decide.
#pragma once

#include <vector>

namespace vexa {

struct ScrollRanges {
    int horizontal = 0;
    int vertical = 0;
};

struct ViewRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ViewRect&) const = default;
};

struct PaintLayout {
    bool hasBitmap = false;        // false: the whole client area is background
    bool stretchToClient = false;  // fit to window (or minimized): whole bitmap onto client
    ViewRect source;               // part of the display bitmap to draw (empty: none visible)
    ViewRect target;               // where it goes in client coordinates
    int centreOffsetX = 0;         // centring margins (ox, oy) before scrolling
    int centreOffsetY = 0;
    std::vector<ViewRect> backgroundStrips;  // filled with the background brush
};

// Scroll ranges for a client area of the given size (0 while fit to window is on).
ScrollRanges ComputeScrollRanges(int clientWidth, int clientHeight);
// The layout for the current display state; scroll offsets come from scrollX and scrollY.
// At 1:1 the bitmap's visible part is copied unscaled and the strips cover exactly the rest
// of the client area, whatever the scroll position.
PaintLayout ComputePaintLayout(int clientWidth, int clientHeight, bool minimized);

}  // namespace vexa
