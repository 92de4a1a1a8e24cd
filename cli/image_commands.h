// `vexaq4-cli info FILE` and `vexaq4-cli convert IN OUT --to FORMAT`: the same loaders and
// writers as the window's File menu, on files named on the command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

constexpr const char* kInfoSynopsis = "info FILE";
constexpr const char* kConvertSynopsis =
    "convert IN OUT --to tq|fits|fits8|tiff|bmp [--false-colour] [--auto-contrast] "
    "[--palette-stretch BITS]";

int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
