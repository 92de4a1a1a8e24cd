// `vexaq4-cli guide [--simulator] [--star X,Y] [--train] [--frames N]`: picks the guide star
// on a first frame, trains the guider when asked, then guides for N frames and prints what
// "Guiding Info" shows for each and the run's RMS errors.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "session/session_state.h"

namespace vexa::cli {

constexpr const char* kGuideSynopsis = "guide [--simulator] [--star X,Y] [--train] [--frames N]";

// The brightest star of a frame: the pixel whose 3 x 3 neighbourhood holds the most light, at
// least margin pixels from every edge. Nothing when the frame is smaller than that.
struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
};
bool FindBrightestStar(const Plane& plane, int32_t width, int32_t height, int32_t margin,
                       PixelPoint& found);

int RunGuideCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
