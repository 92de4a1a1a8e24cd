// The brightest star of a frame, where a star search starts when none was picked: the command
// line's guide and capture commands, and the drift-compensated sum of a capture.
#pragma once

#include <cstdint>

#include "session/session_state.h"

namespace vexa {

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// The pixel whose 3 x 3 neighbourhood holds the most light (the first such in row order), at
// least margin pixels (and at least 1) from every edge of a width x height frame. False, and
// found untouched, when the frame is too small for that.
bool FindBrightestStar(const Plane& plane, int32_t width, int32_t height, int32_t margin,
                       PixelPoint& found);

}  // namespace vexa
