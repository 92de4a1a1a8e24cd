// The rules of the "Stretch Palette" dialog: the palette-stretch bit depth (12 to 16) on a
// horizontal scroll bar, and the switch that applies the stretch to every image.
#pragma once

#include <cstdint>
#include <string>

#include "session/session_state.h"

namespace vexa {

constexpr int kStretchBitsMin = 12;
constexpr int kStretchBitsMax = 16;

enum class PaletteBarAction { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, ThumbPosition };

// Like the program's other dialogs it writes the session as the user clicks; Revert() puts
// back what the session held when the dialog opened (Cancel).
class StretchPaletteDialogModel {
  public:
    explicit StretchPaletteDialogModel(SessionState& session = Session());

    int32_t Bits() const { return session_.paletteStretchBits; }
    bool SelectedForAllImages() const { return session_.paletteStretch; }
    // The read-only edit box's text.
    std::string BitsText() const { return std::to_string(Bits()); }

    // A scroll-bar action; thumbPosition counts only for the thumb actions.
    void Scroll(PaletteBarAction action, int thumbPosition = 0);
    void SetSelectedForAllImages(bool on);
    void Revert();

  private:
    SessionState& session_;
    int32_t openingBits_;
    bool openingSelected_;
};

}  // namespace vexa
