#include "session/printable_text.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(PrintableTextTest, BytesThatCouldDriveATerminalAreEscaped) {
    using namespace std::string_literals;
    struct Case {
        std::string text;
        std::string alsoEscaped;
        std::string expected;
    } cases[] = {
        {"M42 ~ Orion", "", "M42 ~ Orion"},
        {"\x1b[2J\a", "", "\\x1b[2J\\x07"},
        {"a\0b"s, "", "a\\x00b"},
        {"\x7f\x80\x9b\xff", "", "\\x7f\\x80\\x9b\\xff"},
        {"tab\there\r\n", "", "tab\\x09here\\x0d\\x0a"},
        {"say \"c:\\x\"", "\"\\", "say \\x22c:\\x5cx\\x22"},
        {"", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(EscapeBytes(c.text, c.alsoEscaped), c.expected) << c.text;
}

}  // namespace
}  // namespace vexa
