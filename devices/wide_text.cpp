#include "devices/wide_text.h"

#include <cstdint>

namespace vexa {

namespace {

constexpr uint32_t kOneByteLimit = 0x80;
constexpr uint32_t kTwoByteLimit = 0x800;
constexpr uint32_t kThreeByteLimit = 0x10000;
constexpr uint32_t kCodePointLimit = 0x110000;
constexpr uint32_t kSurrogateFirst = 0xD800;
constexpr uint32_t kSurrogateLast = 0xDFFF;
constexpr uint32_t kContinuation = 0x80;
constexpr uint32_t kSixBits = 0x3F;

char Continuation(uint32_t c, int shift) {
    return static_cast<char>(kContinuation | ((c >> shift) & kSixBits));
}

}  // namespace

std::string WideToUtf8(const wchar_t* text) {
    std::string out;
    if (text == nullptr) return out;
    for (; *text != L'\0'; ++text) {
        const auto c = static_cast<uint32_t>(*text);
        if (c < kOneByteLimit) {
            out += static_cast<char>(c);
        } else if (c < kTwoByteLimit) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += Continuation(c, 0);
        } else if (c < kThreeByteLimit) {
            if (c >= kSurrogateFirst && c <= kSurrogateLast) continue;
            out += static_cast<char>(0xE0 | (c >> 12));
            out += Continuation(c, 6);
            out += Continuation(c, 0);
        } else if (c < kCodePointLimit) {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += Continuation(c, 12);
            out += Continuation(c, 6);
            out += Continuation(c, 0);
        }
    }
    return out;
}

}  // namespace vexa
