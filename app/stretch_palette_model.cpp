#include "app/stretch_palette_model.h"

#include <algorithm>

namespace vexa {

StretchPaletteDialogModel::StretchPaletteDialogModel(SessionState& session)
    : session_(session),
      // A value outside the bar's range would leave the thumb nowhere.
      openingBits_(std::clamp(session.paletteStretchBits, kStretchBitsMin, kStretchBitsMax)),
      openingSelected_(session.paletteStretch) {
    session_.paletteStretchBits = openingBits_;
}

void StretchPaletteDialogModel::Scroll(PaletteBarAction action, int thumbPosition) {
    int32_t& bits = session_.paletteStretchBits;
    switch (action) {
        case PaletteBarAction::LineLeft:
            bits = std::max(kStretchBitsMin, bits - 1);
            break;
        case PaletteBarAction::LineRight:
            bits = std::min(kStretchBitsMax, bits + 1);
            break;
        case PaletteBarAction::PageLeft:
            bits = kStretchBitsMin;
            break;
        case PaletteBarAction::PageRight:
            bits = kStretchBitsMax;
            break;
        case PaletteBarAction::ThumbTrack:
        case PaletteBarAction::ThumbPosition:
            bits = std::clamp(thumbPosition, kStretchBitsMin, kStretchBitsMax);
            break;
    }
}

void StretchPaletteDialogModel::SetSelectedForAllImages(bool on) {
    session_.paletteStretch = on;
}

void StretchPaletteDialogModel::Revert() {
    session_.paletteStretchBits = openingBits_;
    session_.paletteStretch = openingSelected_;
}

}  // namespace vexa
