#include "devices/usb_id.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

struct ParseCase {
    const char* text;
    std::optional<UsbId> expected;
};

TEST(UsbIdTest, ParsesHexPairsAndRejectsAnythingElse) {
    const ParseCase cases[] = {
        {"04b4:8613", UsbId{0x04b4, 0x8613}},
        {"4B4:8613", UsbId{0x04b4, 0x8613}},
        {"1:ffff", UsbId{0x0001, 0xffff}},
        {"", std::nullopt},
        {"04b4", std::nullopt},
        {"04b4:", std::nullopt},
        {":8613", std::nullopt},
        {"12345:1", std::nullopt},
        {"0x4b4:8613", std::nullopt},
        {"04b4:86g3", std::nullopt},
        {"04b4:8613:1", std::nullopt},
        {" 04b4:8613", std::nullopt},
        {"-1:2", std::nullopt},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(ParseUsbId(c.text), c.expected) << c.text;
    }
}

TEST(UsbIdTest, FormatsAsLsusbShowsItAndParsesBack) {
    const UsbId id{0x04b4, 0x0a13};
    EXPECT_EQ(FormatUsbId(id), "04b4:0a13");
    EXPECT_EQ(ParseUsbId(FormatUsbId(id)), id);
}

}  // namespace
}  // namespace vexa
