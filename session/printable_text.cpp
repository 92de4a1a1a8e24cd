#include "session/printable_text.h"

namespace vexa {

namespace {
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7e;
constexpr char kHexDigits[] = "0123456789abcdef";
}  // namespace

std::string EscapeBytes(std::string_view text, std::string_view alsoEscaped) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= kFirstPrintable && byte <= kLastPrintable &&
            alsoEscaped.find(c) == std::string_view::npos) {
            escaped += c;
        } else {
            escaped += "\\x";
            escaped += kHexDigits[byte >> 4];
            escaped += kHexDigits[byte & 0x0f];
        }
    }
    return escaped;
}

}  // namespace vexa
