// Turns currentImage into what the view shows: display levels (high bytes), the 256-entry
// colour table from the palette options, the display bitmap file, and the background level.
#pragma once

#include <array>
#include <cstdint>

namespace vexa {

// One colour-table entry as a bitmap file stores it.
struct ColourEntry {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
};
using ColourTable = std::array<ColourEntry, 256>;

// Rebuild the view from currentImage: display bytes, title, background level (auto contrast),
// the display bitmap file (messages 8, 9, 10), read back by the view (message 32), scroll bars.
void RefreshDisplay();
// displayBytes[k] = currentImage[k] >> 8 for count samples.
void FillDisplayBytes(const uint16_t* samples, uint8_t* bytes, int count);
// backgroundLevel = the most frequent display level of samples 10,240 to 25,599 (the lowest
// level wins ties); their counts go to displayHistogram.
void ComputeAutoContrastThreshold();
// backgroundLevel = mean of the three most frequent display levels of the image interior
// (rows 5 to height - 12, columns 10 to width - 11); their counts go to displayHistogram.
// The view runs it after every paint.
void EstimateBackgroundLevel();
// The colour of each display level for the palette options (grey or false colour, auto
// contrast with backgroundLevel as threshold, palette stretch by paletteStretchBits).
ColourTable BuildColourTable();

}  // namespace vexa
