// The star centre finder: the brightness centroid of a star in a small square around a point.
// Used by click snapping, slew-and-sum and guiding.
#pragma once

#include <cstdint>
#include <optional>

#include "session/session_state.h"

namespace vexa {

constexpr const char* kFindCentreCaption = "Vexa_Q4_USB  - Find Centre";
constexpr const char* kFindCentreOutside = "Find centre failed - outside image area";

// A frame of samples: width x height samples, rows stride samples apart.
struct SampleFrame {
    const uint16_t* samples = nullptr;
    int32_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The centre found: whole pixels of the frame, and tenths (0 to 9) with sub-pixel centring.
struct StarCentre {
    int32_t x = 0;
    int32_t y = 0;
    int32_t tenthsX = 0;
    int32_t tenthsY = 0;
};

// The search itself, on any frame and with nothing else touched: the centroid in the square
// of half-size h around column x, row y. Nothing when the square leaves the frame (or h is
// negative). Without sub-pixel centring the centre is rounded to the nearest pixel and the
// tenths are 0; with it the centre is truncated and the tenths say how far past it lies.
std::optional<StarCentre> SearchStarCentre(const SampleFrame& frame, int32_t x, int32_t y,
                                           int32_t h, bool subPixel);

// The finder of the session: searches plane (addressed with the frame's width as row stride)
// within the frame below. 0 on success (results in starCentreX/Y and starTenthsX/Y of the
// session; sub-pixel when the session's subPixelCentring is set), 1 when the square leaves
// the frame, after a message box.
int FindStarCentre(int32_t x, int32_t y, const Plane& plane, int32_t h);

// The frame the finder searches: 128 x 128 while the small-frame display is on, else the image.
int32_t CentreFrameWidth();
int32_t CentreFrameHeight();

}  // namespace vexa
