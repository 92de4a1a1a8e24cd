// `vexaq4-cli simulate-mount --link PATH [--type lx200|box] [--refuse-spaced]`: runs the simulated
// mount on a new pseudo-terminal, makes PATH a symbolic link to it, and serves until Ctrl+C or
// SIGTERM.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

constexpr const char* kSimulateMountSynopsis =
    "simulate-mount --link PATH [--type lx200|box] [--refuse-spaced]";

int RunSimulateMountCommand(const std::vector<std::string>& args, std::ostream& out,
                            std::ostream& err);

}  // namespace vexa::cli
