// `vexaq4-cli guide [--simulator] [--star X,Y] [--train] [--frames N]`: picks the guide star
// on a first frame, trains the guider when asked, then guides for N frames and prints what
// "Guiding Info" shows for each and the run's RMS errors.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "processing/brightest_star.h"
#include "session/session_state.h"

namespace vexa::cli {

constexpr const char* kGuideSynopsis = "guide [--simulator] [--star X,Y] [--train] [--frames N]";

int RunGuideCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
