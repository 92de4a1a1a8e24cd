// Reading a command's arguments: options written "--name VALUE" or "--name=VALUE", whole
// numbers within limits, comma-separated lists of them, and the usage message.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vexa::cli {

// True when the arguments ask for the command's help ("--help" or "-h").
bool WantsHelp(const std::vector<std::string>& args);

// "vexaq4-cli COMMAND: PROBLEM" and the command's usage line on err; returns kExitUsage.
int UsageError(std::ostream& err, const std::string& command, const std::string& synopsis,
               const std::string& problem);

// arg is the option `name`, alone or as "name=VALUE".
bool Named(const std::string& arg, const std::string& name);
// The value of the option at args[i] named `name`: the part after '=' or the next argument
// (i then moves past it); nothing when a separate value is missing.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, size_t& i,
                                       const std::string& name);

// A decimal whole number (an optional '-' and digits, nothing else) within [low, high].
std::optional<long> ParseInteger(const std::string& text, long low, long high);
// Exactly `count` whole numbers separated by commas, each within [low, high].
std::optional<std::vector<long>> ParseIntegerList(const std::string& text, size_t count, long low,
                                                  long high);
// A finite real number in C notation (e.g. "2", "2.0", "0.5"), nothing else in the text.
std::optional<double> ParseReal(const std::string& text);

}  // namespace vexa::cli
