#include "telescope/serial_settings.h"

#include <array>
#include <cctype>
#include <charconv>

namespace vexa {

namespace {

constexpr int kMaxBaudRate = 4000000;
constexpr int kMinDataBits = 5;
constexpr int kMaxDataBits = 8;
constexpr size_t kFieldCount = 4;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// A whole field of decimal digits and nothing else.
bool ParseNumber(std::string_view field, int& value) {
    if (field.empty()) return false;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc() && end == field.data() + field.size();
}

Status Invalid(std::string_view what, std::string_view text) {
    return Status(StatusCode::InvalidArgument,
                  "bad " + std::string(what) + " in line settings \"" + std::string(text) + "\"");
}

}  // namespace

Status ParseSerialSettings(std::string_view text, SerialSettings& settings) {
    SerialSettings parsed;
    std::string_view rest = text;
    if (size_t colon = rest.find(':'); colon != std::string_view::npos) {
        parsed.portName = std::string(Trim(rest.substr(0, colon)));
        rest.remove_prefix(colon + 1);
    }

    std::array<std::string_view, kFieldCount> fields;
    size_t count = 0;
    while (true) {
        size_t comma = rest.find(',');
        if (count == kFieldCount) return Invalid("field count", text);
        fields[count++] = Trim(rest.substr(0, comma));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (count != kFieldCount) return Invalid("field count", text);

    if (!ParseNumber(fields[0], parsed.baudRate) || parsed.baudRate <= 0 ||
        parsed.baudRate > kMaxBaudRate) {
        return Invalid("baud rate", text);
    }
    if (fields[1].size() != 1) return Invalid("parity", text);
    parsed.parity = static_cast<char>(std::tolower(static_cast<unsigned char>(fields[1][0])));
    if (std::string_view("neoms").find(parsed.parity) == std::string_view::npos) {
        return Invalid("parity", text);
    }
    if (!ParseNumber(fields[2], parsed.dataBits) || parsed.dataBits < kMinDataBits ||
        parsed.dataBits > kMaxDataBits) {
        return Invalid("data bits", text);
    }
    if (!ParseNumber(fields[3], parsed.stopBits) ||
        (parsed.stopBits != 1 && parsed.stopBits != 2)) {
        return Invalid("stop bits", text);
    }
    settings = std::move(parsed);
    return Status::Ok();
}

}  // namespace vexa
