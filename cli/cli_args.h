// The values of options as the command line writes them: whole numbers within limits,
// comma-separated lists of them, real numbers.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vexa::cli {

// A decimal whole number (an optional '-' and digits, nothing else) within [low, high].
std::optional<long> ParseInteger(const std::string& text, long low, long high);
// Exactly `count` whole numbers separated by commas, each within [low, high].
std::optional<std::vector<long>> ParseIntegerList(const std::string& text, size_t count, long low,
                                                  long high);
// A finite real number in C notation (e.g. "2", "2.0", "0.5"), nothing else in the text.
std::optional<double> ParseReal(const std::string& text);

}  // namespace vexa::cli
