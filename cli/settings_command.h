// `vexaq4-cli settings [--set NAME=VALUE ...]`: loads the settings file (creating the folder
// and a default file when missing), applies each --set by the setting's code name, writes
// the file when anything was set, and prints every persistent setting in file order.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

constexpr const char* kSettingsSynopsis = "settings [--set NAME=VALUE ...]";

int RunSettingsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
