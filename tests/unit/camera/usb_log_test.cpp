#include "camera/usb_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "camera/camera.h"
#include "camera/camera_commands.h"
#include "session/host_paths.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/recording_camera.h"

namespace vexa::test {
namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(UsbLog, OneLinePerOperationStampedWithTheProgramClock) {
    SessionFixture fixture;
    RecordingCamera camera;
    const std::string path = fixture.root + "/usb.log";
    {
        UsbLogTransport log(camera, path);
        ASSERT_TRUE(log.Ok());
        Camera device(log);
        DeviceTable table{};
        Session().settings.showInterfaceDetails = false;
        (void)device.OpenUSBdevices(table);
        fixture.clock.SetMilliseconds(1234);
        (void)device.StartExposure();
        fixture.clock.SetMilliseconds(1300);
        camera.bulkAnswers.push_back(
            {Status(StatusCode::ShortTransfer, "received 100 of 40448 bytes"), 100});
        (void)device.ReadFocusWindow();
        camera.writeAnswers.push_back(Status(StatusCode::IoError, "stalled\npipe"));
        (void)device.EndExposure();
        uint8_t data[3];
        (void)device.ReadUSBdevice(data, 3);
    }
    const std::vector<std::string> lines = Lines(path);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "1234 hid-out 00 02 01 00 00 00 00 00 00");
    EXPECT_EQ(lines[1], "1300 hid-out 00 04 00 00 0f 13 95 b2 01");
    EXPECT_EQ(lines[2], "1300 bulk-in 40448 100 error received 100 of 40448 bytes");
    EXPECT_EQ(lines[3], "1300 hid-out 00 02 03 00 00 00 00 00 00 error stalled pipe");
    EXPECT_EQ(lines[4], "1300 hid-in 00 09 08 07");

    // A second log on the same file appends.
    UsbLogTransport again(camera, path);
    size_t delivered = 0;
    std::vector<uint8_t> dest(8);
    (void)again.ReadBulk(dest, delivered, 10);
    EXPECT_EQ(Lines(path).back(), "1300 bulk-in 8 8 ok");
}

TEST(UsbLog, AnUnwritableLogIsNotOkAndChangesNothingOnTheWire) {
    RecordingCamera camera;
    UsbLogTransport log(camera, "/nonexistent-folder/usb.log");
    EXPECT_FALSE(log.Ok());
    const uint8_t report[2] = {0, 7};
    EXPECT_TRUE(log.WriteReport(report).ok());
    EXPECT_EQ(camera.reports.size(), 1u);
}

}  // namespace
}  // namespace vexa::test
