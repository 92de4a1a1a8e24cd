#include "indi/driver_ui.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace vexa::indi {
namespace {

TEST(DriverUi, AMessageBoxBecomesOneLineAndAStopBoxAnError) {
    std::vector<std::pair<MessageLevel, std::string>> sent;
    DriverUi ui(
        [&sent](MessageLevel level, const std::string& text) { sent.emplace_back(level, text); });
    ui.MessageBox("VEXA_Q4_USB", "Camera Found, Hid =    101\nO/S =    0.   0");
    ui.StopMessageBox("Error", "Could not open HID device\r\npermission denied on /dev/hidraw3");
    ui.MessageBox("VEXA_Q4_USB", "Error 0 trying to read BlockIO data from USB \n\n gone\x1b");
    const std::vector<std::pair<MessageLevel, std::string>> expected{
        {MessageLevel::Info, "Camera Found, Hid =    101; O/S =    0.   0"},
        {MessageLevel::Error, "Could not open HID device; permission denied on /dev/hidraw3"},
        {MessageLevel::Info, "Error 0 trying to read BlockIO data from USB;  gone\\x1b"},
    };
    EXPECT_EQ(sent, expected);
}

}  // namespace
}  // namespace vexa::indi
