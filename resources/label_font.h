// The built-in 8 x 10 pixel font that labels are burnt into images with: 66 glyphs for the
// letters, digits, "/", blank, "-" and ":". Each glyph is ten row values, top row first, with
// bit 7 the left-most pixel.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vexa {

constexpr int kLabelGlyphWidth = 8;
constexpr int kLabelGlyphRows = 10;
constexpr int kLabelGlyphCount = 66;

struct LabelGlyph {
    char character;
    std::array<uint8_t, kLabelGlyphRows> rows;
};

// Every glyph of the font.
std::span<const LabelGlyph> LabelFont();
// The glyph of a character; nullptr for characters the font lacks.
const LabelGlyph* FindLabelGlyph(char character);

}  // namespace vexa
