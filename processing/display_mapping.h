// Turns samples into what the view shows: display levels (high bytes), the background level
// and display histogram, and the 256-entry colour table from the palette options.
#pragma once

#include <array>
#include <cstdint>

#include "files/view_bitmap.h"
#include "session/session_state.h"

namespace vexa {

// displayBytes[k] = currentImage[k] >> 8 for count samples.
void FillDisplayBytes(const uint16_t* samples, uint8_t* bytes, int count);
// backgroundLevel = the most frequent display level of samples 10,240 to 25,599 (the lowest
// level wins ties); their counts go to displayHistogram.
void ComputeAutoContrastThreshold();
using DisplayLevelCounts = std::array<uint32_t, 256>;

// How many samples of the image interior (rows 5 to height - 12, columns 10 to width - 11)
// have each display level: the display histogram that the background estimate counts.
DisplayLevelCounts CountInteriorLevels(const Plane& image, const ImageGeometry& geometry);
// backgroundLevel = mean of the three most frequent display levels of the image interior
// (rows 5 to height - 12, columns 10 to width - 11); their counts go to displayHistogram.
// The view runs it after every paint.
void EstimateBackgroundLevel();
// The colour of each display level for the palette options (grey or false colour, auto
// contrast with backgroundLevel as threshold, palette stretch by paletteStretchBits).
ColourTable BuildColourTable();

}  // namespace vexa
