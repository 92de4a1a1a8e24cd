#include "devices/wide_text.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(WideTextTest, EncodesEveryCodePointLengthAndDropsNonCharacters) {
    const std::pair<const wchar_t*, std::string> cases[] = {
        {nullptr, ""},
        {L"", ""},
        {L"Maker Ltd.", "Maker Ltd."},
        {L"\u00e9", "\xc3\xa9"},
        {L"\u20ac", "\xe2\x82\xac"},
        {L"\U0001F52D", "\xf0\x9f\x94\xad"},
    };
    for (const auto& [wide, utf8] : cases) {
        EXPECT_EQ(WideToUtf8(wide), utf8);
    }
    const wchar_t broken[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000),
                              L'b', L'\0'};
    EXPECT_EQ(WideToUtf8(broken), "ab");
}

}  // namespace
}  // namespace vexa
