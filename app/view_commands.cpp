#include "app/view_commands.h"
#include "app/present_services.h"

#include <algorithm>
#include <cstring>

#include "app/display_refresh.h"
#include "app/stretch_palette_model.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

namespace {
// Rows of a burnt-in label, which the mirror leaves where they are.
constexpr int kLabelRows = 10;
}  // namespace

void CmdFitToWindow() {
    SessionState& s = Session();
    if (s.photometryMode) return;  // photometry measures at 1:1
    s.fitToWindow = !s.fitToWindow;
    if (s.fitToWindow) s.centreImage = false;
    Ui().UpdateScrollBars();
}

void CmdCentreImage() {
    SessionState& s = Session();
    if (s.photometryMode) return;
    s.centreImage = !s.centreImage;
    if (s.centreImage) s.fitToWindow = false;
    Ui().UpdateScrollBars();
}

void CmdFalseColour() {
    Session().falseColour = !Session().falseColour;
    RefreshDisplay();
    Ui().UpdateScrollBars();
}

void CmdAutoContrast() {
    Session().autoContrast = !Session().autoContrast;
    RefreshDisplay();
    Ui().UpdateScrollBars();
}

void CmdMaxPaletteStretch() {
    StretchPaletteDialogModel model;
    if (PresentUi().RunStretchPaletteDialog(model)) {
        RefreshDisplay();
    } else {
        // Cancel: the view and the settings keep agreeing with what is on screen.
        model.Revert();
    }
}

void CmdMirrorImage() {
    Ui().SetCursor(CursorKind::Wait);
    MirrorImage();
    RefreshDisplay();
    Ui().SetCursor(CursorKind::Arrow);
}

void MirrorImage() {
    SessionState& s = Session();
    const int width = s.geometry.width;
    const int height = std::min(s.geometry.height, kFullHeight);
    const int lastColumn = width - 1;
    const int firstRow = ImageIsLabelled(s.currentImage) ? kLabelRows : 0;
    for (int row = firstRow; row < height; ++row) {
        const uint16_t* src = s.currentImage.data() + static_cast<size_t>(row) * width;
        uint16_t* dst = s.workImage.data() + static_cast<size_t>(row) * width;
        for (int c = 0; c <= lastColumn; ++c) dst[lastColumn - c] = src[c];
    }
    // Only the image's own samples come back: in Half geometry the plane beyond the
    // 650 x 515 image keeps what it held.
    const size_t first = static_cast<size_t>(firstRow) * width;
    const size_t end = static_cast<size_t>(height) * width;
    if (end > first) {
        std::memcpy(s.currentImage.data() + first, s.workImage.data() + first,
                    (end - first) * sizeof(uint16_t));
    }
}

}  // namespace vexa
