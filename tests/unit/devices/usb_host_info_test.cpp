#include "devices/usb_host_info.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(UsbHostInfoTest, ReadsMajorAndMinorFromAKernelRelease) {
    struct Case {
        const char* release;
        int major;
        int minor;
    };
    const Case cases[] = {{"6.1.0-18-amd64", 6, 1},
                          {"5.15", 5, 15},
                          {"4.19.0", 4, 19},
                          {"6", 6, 0},
                          {"6.x", 6, 0},
                          {"abc", 0, 0},
                          {"", 0, 0}};
    for (const Case& c : cases) {
        const KernelVersion version = ParseKernelRelease(c.release);
        EXPECT_EQ(version.major, c.major) << c.release;
        EXPECT_EQ(version.minor, c.minor) << c.release;
    }
    EXPECT_GT(RunningKernelVersion().major, 0);
}

TEST(UsbHostInfoTest, ListsADescriptorOpenOnACharacterDeviceUntilItCloses) {
    const std::vector<int> before = OpenCharDeviceFds();
    const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::vector<int> during = OpenCharDeviceFds();
    EXPECT_EQ(SoleNewFd(before, during), fd);
    ::close(fd);
    const std::vector<int> after = OpenCharDeviceFds();
    EXPECT_EQ(std::count(after.begin(), after.end(), fd), 0);
}

TEST(UsbHostInfoTest, ANewDescriptorCountsOnlyWhenItIsTheOnlyOne) {
    EXPECT_EQ(SoleNewFd({3, 4}, {3, 4, 9}), 9);
    EXPECT_EQ(SoleNewFd({3, 4}, {3, 4}), -1);
    EXPECT_EQ(SoleNewFd({3}, {3, 8, 9}), -1);
    EXPECT_EQ(SoleNewFd({3, 4}, {4, 7}), 7);
}

TEST(UsbHostInfoTest, NumbersOnlyHidrawNodes) {
    EXPECT_EQ(HidrawNumber("/dev/hidraw0"), 0);
    EXPECT_EQ(HidrawNumber("/dev/hidraw17"), 17);
    EXPECT_EQ(HidrawNumber("/dev/hidraw"), -1);
    EXPECT_EQ(HidrawNumber("/dev/hidraw-1"), -1);
    EXPECT_EQ(HidrawNumber("/dev/hidraw3x"), -1);
    EXPECT_EQ(HidrawNumber("/dev/ttyUSB0"), -1);
}

}  // namespace
}  // namespace vexa
