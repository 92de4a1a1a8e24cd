// `vexaq4-cli process IN OUT [--to FORMAT] OPERATION...`: the Contrast, Filters and Merging
// menus, Mirror, Label, auto-processing and Undo run on a file, each with its dialog answered
// by the values on the command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

constexpr const char* kProcessSynopsis = "process IN OUT [--to FORMAT] OPERATION...";

int RunProcessCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
