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

// The simulated mount of `guide --simulator`: a 19 ms training pulse moves the field this
// many pixels, so that training measures the rates the settings start with.
constexpr double kSimulatorPixelsPerTrainingPulse = 2.0;

int RunGuideCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
