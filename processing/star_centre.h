// The star centre finder: the brightness centroid of a star in a small square around a point.
// Used by click snapping, slew-and-sum and guiding.
#pragma once

#include <cstdint>

#include "session/session_state.h"

namespace vexa {

constexpr const char* kFindCentreCaption = "Vexa_Q4_USB  - Find Centre";
constexpr const char* kFindCentreOutside = "Find centre failed - outside image area";

// Search plane around column x, row y with half-size h. 0 on success (results in
// starCentreX/Y and starTenthsX/Y of the session), 1 when the square leaves the frame
// (128 x 128 while the small-frame display is on, else the image), after a message box.
// The plane is addressed with the frame's width as row stride.
int FindStarCentre(int32_t x, int32_t y, const Plane& plane, int32_t h);

// The frame the finder searches: 128 x 128 while the small-frame display is on, else the image.
int32_t CentreFrameWidth();
int32_t CentreFrameHeight();

}  // namespace vexa
