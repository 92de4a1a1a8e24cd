// Turns samples into what the view shows: display levels (high bytes), the background level
// and display histogram, and the 256-entry colour table from the palette options.
#pragma once

#include <cstdint>

#include "files/view_bitmap.h"

namespace vexa {

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
