// `vexaq4-cli scope [--simulator | --port DEVICE] [--type lx200|box] ACTION`: opens the
// telescope line as the telescope command does and performs one action of the telescope
// dialogs, through the same dialog rules.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "telescope/serial_line.h"

namespace vexa::cli {

constexpr const char* kScopeSynopsis =
    "scope [--simulator | --port DEVICE] [--type lx200|box] ACTION";

int RunScopeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same on the device lines deviceLines makes (the terminal backend when null), for tests on
// a scripted line.
int RunScopeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const SerialLineMaker& deviceLines);

}  // namespace vexa::cli
