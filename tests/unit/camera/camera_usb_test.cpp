#include "camera/camera.h"

#include <gtest/gtest.h>

#include <cstring>

#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/recording_camera.h"

namespace vexa::test {
namespace {

class CameraUsbTest : public ::testing::Test {
  protected:
    int Discover() {
        int enumerated = -1;
        (void)device.OpenUSBdevices(table, &enumerated);
        return enumerated;
    }
    std::string Text(const std::array<char, kDeviceTextBytes>& field) { return field.data(); }

    SessionFixture fixture;
    RecordingCamera camera{&fixture.clock};
    Camera device{camera};
    DeviceTable table{};
};

TEST_F(CameraUsbTest, DiscoveryOpensTheCameraAndReportsItsInterfaces) {
    EXPECT_EQ(Discover(), 1);
    EXPECT_TRUE(device.Present());
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].text,
              "Camera Found, Hid =      5, BlockIO =      7\n"
              "O/S =    6.   1");

    // Without "Show Interface Details" the camera is found in silence.
    Session().settings.showInterfaceDetails = false;
    fixture.ui.messages.clear();
    EXPECT_EQ(Discover(), 1);
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(CameraUsbTest, DeviceTableHoldsEveryInterfaceWithTheBlockIoPassWritingOverTheHidPass) {
    camera.discovery.hidInterfaces = {{0x1111, 0x0001, "", "", "a"},
                                      {0x2222, 0x0002, "H2", "", "b"}};
    camera.discovery.blockIoInterfaces = {{0x3333, 0x0003, "B", "", "c"}};
    table[5].vendorId = 0x9999;  // left from an earlier search
    Discover();
    EXPECT_EQ(table[0].vendorId, 0x3333);
    EXPECT_EQ(Text(table[0].manufacturer), "B");
    EXPECT_EQ(Text(table[0].product), "");  // the BlockIO product is taken as it came
    // Each pass clears the vendor id of all 20 entries first: the HID pass's second entry
    // keeps everything but its vendor id.
    EXPECT_EQ(table[1].vendorId, 0);
    EXPECT_EQ(table[1].productId, 0x0002);
    EXPECT_EQ(Text(table[1].manufacturer), "H2");
    EXPECT_EQ(Text(table[1].product), kNotPresentText);
    EXPECT_EQ(table[5].vendorId, 0);
}

TEST_F(CameraUsbTest, TextsAreNarrowedToTheFirstZeroAndTo255Characters) {
    camera.discovery.hidInterfaces = {{1, 2, std::string("\0abc", 4), std::string(300, 'p'), "a"}};
    camera.discovery.blockIoInterfaces.clear();
    camera.discovery.blockIoOpen = false;
    Discover();
    EXPECT_EQ(Text(table[0].manufacturer), "");
    EXPECT_EQ(Text(table[0].product), std::string(255, 'p'));
}

TEST_F(CameraUsbTest, IncompleteDiscoveriesLeaveTheCameraAbsent) {
    struct Case {
        const char* name;
        bool hidListed, hidOpen, blockListed, blockOpen;
        int result;
    } cases[] = {
        {"no BlockIO interface", true, true, false, false, 1},
        {"nothing at all", false, false, false, false, 0},
        {"BlockIO without HID", false, false, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        camera = RecordingCamera(&fixture.clock);
        ASSERT_EQ(Discover(), 1);  // a camera found before
        if (!c.hidListed) camera.discovery.hidInterfaces.clear();
        if (!c.blockListed) camera.discovery.blockIoInterfaces.clear();
        camera.discovery.hidOpen = c.hidOpen;
        camera.discovery.blockIoOpen = c.blockOpen;
        fixture.ui.messages.clear();
        EXPECT_EQ(Discover(), c.result);
        EXPECT_FALSE(device.Present());
        EXPECT_EQ(fixture.ui.LastText(), kBlockIoNotFoundText);
    }
}

TEST_F(CameraUsbTest, EarlyDiscoveryFailuresSayWhyAndPermissionNamesTheUdevRule) {
    camera.discovery.hidOpen = camera.discovery.blockIoOpen = false;
    camera.discovery.status = Status(StatusCode::PermissionDenied,
                                     "permission denied on /dev/hidraw3: install the udev rule x");
    EXPECT_EQ(Discover(), 0);
    EXPECT_EQ(fixture.ui.stopBoxes, 1);
    EXPECT_EQ(fixture.ui.messages.back().caption, kErrorCaption);
    EXPECT_EQ(fixture.ui.LastText(), std::string(kOpenHidFailedText) +
                                         "\npermission denied on /dev/hidraw3: install the udev "
                                         "rule x");
    EXPECT_FALSE(device.Present());

    camera.discovery.status = Status(StatusCode::IoError, "USB device list unavailable");
    camera.discovery.deviceListUnavailable = true;
    EXPECT_EQ(Discover(), 0);
    EXPECT_EQ(fixture.ui.LastText(), std::string(kPnpNodeText) + "\nUSB device list unavailable");
    EXPECT_EQ(fixture.ui.stopBoxes, 1);
}

TEST_F(CameraUsbTest, NoCameraAmongTheDevicesSaysWhichWereSeen) {
    camera.discovery.hidOpen = camera.discovery.blockIoOpen = false;
    camera.discovery.status = Status(StatusCode::NotFound, "no camera; found 046d:c52b");
    EXPECT_EQ(Discover(), 1);
    EXPECT_EQ(fixture.ui.LastText(),
              std::string(kBlockIoNotFoundText) + "\nno camera; found 046d:c52b");
    EXPECT_FALSE(device.Present());
}

TEST_F(CameraUsbTest, SeveralCamerasAreNamedAndInterruptMaskingFollowsTheSystemVersion) {
    camera.discovery.notice = "2 cameras found; using the last one";
    camera.discovery.osMajor = 4;
    camera.discovery.osMinor = 1;
    Discover();
    EXPECT_EQ(fixture.ui.LastText(), "2 cameras found; using the last one");
    EXPECT_TRUE(Session().interruptMaskingPermitted);
    camera.discovery.osMinor = 0;
    Discover();
    EXPECT_FALSE(Session().interruptMaskingPermitted);
}

TEST_F(CameraUsbTest, OutputReportsCarryReportIdZeroAndAtMost254Bytes) {
    std::vector<uint8_t> payload(255, 0xAB);
    ASSERT_TRUE(device.WriteUSBdevice(payload.data(), 254).ok());
    ASSERT_EQ(camera.reports.size(), 1u);
    EXPECT_EQ(camera.reports[0].bytes.size(), 255u);
    EXPECT_EQ(camera.reports[0].bytes[0], 0);
    EXPECT_EQ(camera.reports[0].bytes[254], 0xAB);

    EXPECT_FALSE(device.WriteUSBdevice(payload.data(), 255).ok());
    EXPECT_EQ(camera.reports.size(), 1u);
    EXPECT_EQ(fixture.ui.LastText(), kWriteTooLongText);
}

TEST_F(CameraUsbTest, AFailedWriteIsReportedWithTheSystemError) {
    camera.writeAnswers.push_back(Status(StatusCode::IoError, "cannot write to /dev/hidraw3", 5));
    const uint8_t command[kCommandBytes] = {2, 2};
    EXPECT_FALSE(device.WriteUSBdevice(command, kCommandBytes).ok());
    EXPECT_EQ(fixture.ui.LastText(),
              "Error 5 trying to send command to USB \ncannot write to /dev/hidraw3");
    // The camera is still there: the next command goes out.
    EXPECT_TRUE(device.WriteUSBdevice(command, kCommandBytes).ok());
    EXPECT_EQ(camera.reports.size(), 2u);
}

TEST_F(CameraUsbTest, ACameraThatLeftIsReportedOnceAndThenNotAddressedUntilFoundAgain) {
    Discover();
    camera.writeAnswers.push_back(Status(StatusCode::Disconnected, "gone", 19));
    const uint8_t command[kCommandBytes] = {2, 3};
    fixture.ui.messages.clear();
    EXPECT_EQ(device.WriteUSBdevice(command, kCommandBytes).code(), StatusCode::Disconnected);
    EXPECT_FALSE(device.Present());
    EXPECT_EQ(device.WriteUSBdevice(command, kCommandBytes).code(), StatusCode::Disconnected);
    EXPECT_EQ(device.ReadBlockIOTransfer({}, kFocusWindowTransferBytes).code(),
              StatusCode::Disconnected);
    EXPECT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(camera.reports.size(), 1u);
    EXPECT_TRUE(camera.bulkRequests.empty());

    Discover();
    EXPECT_TRUE(device.WriteUSBdevice(command, kCommandBytes).ok());
    EXPECT_EQ(camera.reports.size(), 2u);
}

TEST_F(CameraUsbTest, InputReportsCheckTheirLengthAndCopyOnlyTheData) {
    uint8_t dest[4] = {1, 1, 1, 1};
    struct Case {
        int count;
        const char* message;
    } refused[] = {{0, kReadTooShortText}, {255, kReadTooLongText}, {-1, kReadTooShortText}};
    for (const Case& c : refused) {
        EXPECT_FALSE(device.ReadUSBdevice(dest, c.count).ok());
        EXPECT_EQ(fixture.ui.LastText(), c.message);
    }
    ASSERT_TRUE(device.ReadUSBdevice(dest, 3).ok());
    EXPECT_EQ(dest[0], 9);
    EXPECT_EQ(dest[2], 7);
    EXPECT_EQ(dest[3], 1);

    camera.inputStatus = Status(StatusCode::Timeout, "no report");
    uint8_t untouched[2] = {4, 4};
    EXPECT_FALSE(device.ReadUSBdevice(untouched, 2).ok());
    EXPECT_EQ(fixture.ui.LastText(), kInputReportFailedText);
    EXPECT_EQ(untouched[0], 4);
}

TEST_F(CameraUsbTest, BlockIoTransferSendsTheReadCommandThenReadsTheRequestedLength) {
    ASSERT_TRUE(
        device.ReadBlockIOTransfer({9, 0, 0, 1, 2, 3, 4, 5}, kBinnedFrameTransferBytes).ok());
    ASSERT_EQ(camera.reports.size(), 1u);
    EXPECT_EQ(camera.reports[0].bytes, (std::vector<uint8_t>{0, 4, 0, 0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(camera.bulkRequests.size(), 1u);
    EXPECT_EQ(camera.bulkRequests[0], kBinnedFrameTransferBytes);
    EXPECT_EQ(camera.bulkTimeouts[0], TransferTimeoutMs(kBinnedFrameTransferBytes));
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(CameraUsbTest, FailedShortOrUnsentTransfersAreReportedAndTheCameraMustBeFoundAgain) {
    struct Case {
        const char* name;
        std::optional<Status> writeAnswer;
        RecordingCamera::BulkAnswer bulk;
        StatusCode code;
        size_t bulkReads;
        const char* text;
    } cases[] = {
        {"short",
         std::nullopt,
         {Status(), 1000},
         StatusCode::ShortTransfer,
         1,
         "Error 0 trying to read BlockIO data from USB\nreceived 1000 of 40448 bytes"},
        {"failed",
         std::nullopt,
         {Status(StatusCode::IoError, "pipe error", 32), 0},
         StatusCode::IoError,
         1,
         "Error 32 trying to read BlockIO data from USB\npipe error"},
        {"timed out",
         std::nullopt,
         {Status(StatusCode::Timeout, "timed out", 110), 512},
         StatusCode::Timeout,
         1,
         "Error 110 trying to read BlockIO data from USB\ntimed out"},
        {"unplugged",
         std::nullopt,
         {Status(StatusCode::Disconnected, "no device", 19), 0},
         StatusCode::Disconnected,
         1,
         "Error 19 trying to read BlockIO data from USB\nno device"},
        {"command not sent",
         Status(StatusCode::IoError, "broken", 5),
         {},
         StatusCode::IoError,
         0,
         "Error 5 trying to send command to USB \nbroken"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        camera = RecordingCamera(&fixture.clock);
        Discover();
        if (c.writeAnswer) camera.writeAnswers.push_back(*c.writeAnswer);
        camera.bulkAnswers.push_back(c.bulk);
        EXPECT_EQ(device.ReadBlockIOTransfer({}, kFocusWindowTransferBytes).code(), c.code);
        EXPECT_EQ(camera.bulkRequests.size(), c.bulkReads);
        EXPECT_EQ(fixture.ui.LastText(), c.text);
        EXPECT_FALSE(device.Present());
    }
}

TEST_F(CameraUsbTest, ClosingClosesTheTransportAndForgetsTheCamera) {
    Discover();
    device.CloseUSBdevices();
    EXPECT_EQ(camera.closes, 1);
    EXPECT_FALSE(device.Present());
}

// A front end or a test may hold several cameras: each has its own transport, presence and
// lost link.
TEST_F(CameraUsbTest, CamerasKeepTheirOwnPresenceAndLink) {
    RecordingCamera other{&fixture.clock};
    Camera second(other);
    Discover();
    ASSERT_TRUE(second.OpenUSBdevices(table).ok());
    camera.writeAnswers.push_back(Status(StatusCode::Disconnected, "gone", 19));
    const uint8_t command[kCommandBytes] = {2, 3};
    EXPECT_FALSE(device.WriteUSBdevice(command, kCommandBytes).ok());
    EXPECT_FALSE(device.Present());
    EXPECT_TRUE(second.Present());
    EXPECT_TRUE(second.EndExposure().ok());
    EXPECT_EQ(other.reports.size(), 1u);
}

}  // namespace
}  // namespace vexa::test
