// `vexaq4-cli scope [--simulator | --port DEVICE] [--type lx200|box] ACTION`: opens the
// telescope line as the telescope command does and performs one action of the telescope
// dialogs, through the same dialog rules.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

constexpr const char* kScopeSynopsis =
    "scope [--simulator | --port DEVICE] [--type lx200|box] ACTION";

int RunScopeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
