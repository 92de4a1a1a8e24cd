#include "cli/cli_args.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vexa::cli {

std::optional<long> ParseInteger(const std::string& text, long low, long high) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<std::vector<long>> ParseIntegerList(const std::string& text, size_t count, long low,
                                                  long high) {
    std::vector<long> values;
    size_t start = 0;
    while (values.size() < count) {
        const size_t comma = text.find(',', start);
        const bool last = values.size() + 1 == count;
        // The last number runs to the end; every other one ends at its comma.
        if (last != (comma == std::string::npos)) return std::nullopt;
        const size_t end = last ? text.size() : comma;
        const auto value = ParseInteger(text.substr(start, end - start), low, high);
        if (!value) return std::nullopt;
        values.push_back(*value);
        start = end + 1;
    }
    return values;
}

std::optional<double> ParseReal(const std::string& text) {
    if (text.empty() || text.find_first_not_of("+-0123456789.eE") != std::string::npos)
        return std::nullopt;
    char* stop = nullptr;
    const double value = std::strtod(text.c_str(), &stop);
    if (stop != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace vexa::cli
