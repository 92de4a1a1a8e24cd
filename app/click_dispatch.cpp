// Clicks on the view mean what the interaction mode says: a row for the row profile, a
// reference star for merging, a guide star, the focus window's place, or a photometry
// measurement. Every image read here is bounded by the image itself, not only by the click
// checks, so a click however far outside never reads outside the plane.
#include "app/click_dispatch.h"
#include "processing/measuring_dialog_services.h"
#include "processing/processing_dialog_services.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "processing/star_centre.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

// In pick mode the accepted click area is shifted by this many pixels right and down.
constexpr int64_t kPickClickMargin = 25;
constexpr int kSnapPasses = 3;

// Focus window placement: the clicked point becomes the window's centre, kept in the image.
constexpr int32_t kFocusCentreOffset = kFrameSide / 2;  // corner + 64 is the centre shown
constexpr int32_t kFocusLeftLimit = 66;
constexpr int32_t kFocusLeftCorner = 3;
constexpr int32_t kFocusColumnOffset = 65;
constexpr int32_t kFocusTopLimit = 64;
constexpr int32_t kFocusTopCorner = 1;
constexpr int32_t kFocusRowOffset = 64;
constexpr int32_t kFocusFarEdgeOffset = 65;

constexpr const char* kPositionFormat = "x position = %5d\ny position = %5d";

std::string PositionText(int32_t x, int32_t y) {
    char text[64];
    std::snprintf(text, sizeof text, kPositionFormat, x, y);
    return text;
}

bool InsideImage(int64_t column, int64_t row) {
    const ImageGeometry& g = Session().geometry;
    return column >= 0 && column <= g.lastColumn && row >= 0 && row <= g.lastRow;
}

bool InsideCentreFrame(int64_t column, int64_t row) {
    return column >= 0 && column < CentreFrameWidth() && row >= 0 && row < CentreFrameHeight();
}

// The cross cursor stays while any mode that measures a point on the image is on.
void CursorForModes() {
    const SessionState& s = Session();
    const bool pointing = s.photometryMode || s.pickGuideStarMode || s.focusCentrePickMode;
    Ui().SetCursor(pointing ? CursorKind::Cross : CursorKind::Arrow);
}

// Walks the click point (client pixels) onto the star with up to three finder passes, each
// from the previous result, moving the mouse pointer along. A pass that fails (the finder has
// said so) or lands outside the frame ends the walk at the last good point. Returns the number
// of passes that succeeded.
int SnapToStar(int64_t& x, int64_t& y, int32_t halfSize) {
    SessionState& s = Session();
    int good = 0;
    for (int pass = 0; pass < kSnapPasses; ++pass) {
        const int64_t column = s.scrollX + x;
        const int64_t row = s.scrollY + y;
        if (FindStarCentre(static_cast<int32_t>(column), static_cast<int32_t>(row), s.currentImage,
                           halfSize) != 0) {
            break;
        }
        if (!InsideCentreFrame(s.starCentreX, s.starCentreY)) break;
        const int64_t dx = s.starCentreX - column;
        const int64_t dy = s.starCentreY - row;
        x += dx;
        y += dy;
        Ui().MovePointerBy(static_cast<int>(dx), static_cast<int>(dy));
        ++good;
    }
    return good;
}

void PlaceFocusWindow(int64_t column, int64_t row) {
    SessionState& s = Session();
    const int64_t width = s.geometry.width;
    const int64_t height = s.geometry.height;
    int64_t fx = column - kFocusColumnOffset;
    if (column <= kFocusLeftLimit) {
        fx = kFocusLeftCorner;
    } else if (column > width - kFocusFarEdgeOffset) {
        fx = width - kFocusFarEdgeOffset;
    }
    int64_t fy = row - kFocusRowOffset;
    if (row <= kFocusTopLimit) {
        fy = kFocusTopCorner;
    } else if (row > height - kFocusFarEdgeOffset) {
        fy = height - kFocusFarEdgeOffset;
    }
    s.focusWindowX = static_cast<int32_t>(fx);
    s.focusWindowY = static_cast<int32_t>(fy);
    s.focusCentrePickMode = false;
    CursorForModes();
    ShowMessage(MessageCode::CallerText, PositionText(s.focusWindowX + kFocusCentreOffset,
                                                      s.focusWindowY + kFocusCentreOffset));
}

// Sums the (2b+1) x (2b+1) square around (column, row) for the photometry target.
void MeasurePhotometry(int64_t column, int64_t row, int64_t b) {
    SessionState& s = Session();
    const ImageGeometry& g = s.geometry;
    if (column - b < 0 || row - b < 0 || column + b > g.lastColumn || row + b > g.lastRow) {
        ShowMessage(MessageCode::OutsideImage);
        return;
    }
    int64_t total = 0;
    for (int64_t r = row - b; r <= row + b; ++r) {
        for (int64_t c = column - b; c <= column + b; ++c) total += s.currentImage[r * g.width + c];
    }
    const int32_t sum =
        static_cast<int32_t>(std::min<int64_t>(total, std::numeric_limits<int32_t>::max()));
    const int32_t x = static_cast<int32_t>(column);
    const int32_t y = static_cast<int32_t>(row);
    if (s.photometryTarget == 'o') {
        s.objectTotal = sum;
        s.objectX = x;
        s.objectY = y;
    } else if (s.photometryTarget == 'c') {
        s.comparisonTotal = sum;
        s.comparisonX = x;
        s.comparisonY = y;
    } else {
        s.skyTotal = sum;
        s.skyX = x;
        s.skyY = y;
    }
    MeasuringDialogs().PhotometryChanged();
}

}  // namespace

void OnLeftButtonUp(int clickX, int clickY) {
    SessionState& s = Session();
    s.guideStarPicked = 0;
    if (!s.photometryMode && !s.rowPlotMode && !s.mergingMode && !s.pickGuideStarMode &&
        !s.focusCentrePickMode) {
        return;
    }
    const int64_t m = s.pickGuideStarMode ? kPickClickMargin : 0;
    const int64_t b = s.measureBoxHalfSize;
    int64_t x = clickX;
    int64_t y = clickY;
    if (x < m + b || x > s.geometry.lastColumn + m - b || y < m + b ||
        y > s.geometry.lastRow + m - b) {
        ShowMessage(MessageCode::OutsideImage);
        return;
    }

    if (s.rowPlotMode) {
        const int64_t row = s.scrollY + y;
        if (row < 0 || row > s.geometry.lastRow) {
            ShowMessage(MessageCode::OutsideImage);
            return;
        }
        s.selectedRow = static_cast<int32_t>(row);
        MeasuringDialogs().RowPlotChanged();
        return;
    }

    if (!s.photometryMode && !s.pickGuideStarMode && !s.focusCentrePickMode) {
        const int64_t column = s.scrollX + x;
        const int64_t row = s.scrollY + y;
        if (!InsideImage(column, row)) {
            ShowMessage(MessageCode::OutsideImage);
            return;
        }
        if (s.mergeSecondPoint) {
            s.mergeX2 = static_cast<int32_t>(column);
            s.mergeY2 = static_cast<int32_t>(row);
        } else {
            s.mergeX1 = static_cast<int32_t>(column);
            s.mergeY1 = static_cast<int32_t>(row);
        }
        ProcessingDialogs().MergeMarksChanged();
        return;
    }

    // Every pick click snaps, not only the first one after the command: the pick takes the
    // centre found here, never one left over from an earlier search. A pending focus-window
    // click never snaps.
    int snapped = 0;
    const bool snap = s.snapToStar || (s.pickGuideStarMode && !s.focusCentrePickMode);
    if (snap) snapped = SnapToStar(x, y, s.measureBoxHalfSize);

    if (s.focusCentrePickMode) {
        PlaceFocusWindow(s.scrollX + x, s.scrollY + y);
        return;
    }

    s.snapToStar = false;

    if (s.pickGuideStarMode) {
        if (snapped == 0) return;  // the finder has told the user; nothing is picked
        s.guideStarX = static_cast<int32_t>(s.scrollX + x);
        s.guideStarY = static_cast<int32_t>(s.scrollY + y);
        s.guideStarPicked = 1;
        s.guideStarFound = true;
        ShowMessage(MessageCode::CallerText, PositionText(s.guideStarX, s.guideStarY));
        Ui().RepaintView(false);
        return;
    }

    MeasurePhotometry(s.scrollX + x, s.scrollY + y, b);
}

void OnRightButtonUp(int x, int y) {
    SessionState& s = Session();
    if (!s.photometryMode) return;
    s.snapToStar = true;
    OnLeftButtonUp(x, y);
}

void OnMouseMove(int x, int y) {
    SessionState& s = Session();
    if (!s.photometryMode) return;
    const ImageGeometry& g = s.geometry;
    if (!(1 < x && x < g.lastColumn && 1 < y && y < g.lastRow)) return;
    const int64_t column = s.scrollX + int64_t{x};
    const int64_t row = s.scrollY + int64_t{y};
    if (!InsideImage(column, row)) return;
    s.cursorX = static_cast<int32_t>(column);
    s.cursorY = static_cast<int32_t>(row);
    s.cursorValue = s.currentImage[row * g.width + column];
    MeasuringDialogs().PhotometryChanged();
}

void CmdPickGuideStar() {
    SessionState& s = Session();
    if (s.fitToWindow || s.centreImage) {
        ShowMessage(MessageCode::CannotPickStar);
        return;
    }
    s.pickGuideStarMode = !s.pickGuideStarMode;
    if (s.pickGuideStarMode) {
        s.snapToStar = true;
        s.measureBoxHalfSize = s.settings.guideStarMaskRadius;
    } else {
        // A snap armed for the pick must not carry over to the next photometry click.
        s.snapToStar = false;
    }
    CursorForModes();
}

void CmdFocusFrameCentre() {
    SessionState& s = Session();
    s.focusCentrePickMode = true;
    s.snapToStar = false;
    Ui().SetCursor(CursorKind::Cross);
}

void CmdDefaultFocusFrameCentre() {
    ResetFocusWindow();
}

}  // namespace vexa
