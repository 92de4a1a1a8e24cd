// `vexaq4-cli centre FILE X Y [--box H] [--passes N] [--subpixel]`: loads FILE and runs the
// star centre finder N times from (X, Y), each pass from the previous result, then prints the
// centre found.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

constexpr const char* kCentreSynopsis = "centre FILE X Y [--box H] [--passes N] [--subpixel]";

int RunCentreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
