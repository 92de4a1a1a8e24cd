#include "devices/usb_id.h"

#include <charconv>
#include <cstdio>

namespace vexa {

namespace {

constexpr size_t kMaxHexDigits = 4;
constexpr int kHexBase = 16;

std::optional<uint16_t> ParseHex16(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxHexDigits) return std::nullopt;
    uint16_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, kHexBase);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<UsbId> ParseUsbId(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto vendor = ParseHex16(text.substr(0, colon));
    const auto product = ParseHex16(text.substr(colon + 1));
    if (!vendor || !product) return std::nullopt;
    return UsbId{*vendor, *product};
}

std::string FormatUsbId(UsbId id) {
    char text[sizeof "ffff:ffff"];
    std::snprintf(text, sizeof text, "%04x:%04x", id.vendorId, id.productId);
    return text;
}

}  // namespace vexa
