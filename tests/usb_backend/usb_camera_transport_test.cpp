#include "devices/usb_camera_transport.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera/camera_protocol.h"
#include "tests/usb_backend/fake_usb_bus.h"

namespace vexa {
namespace {

using test::BulkMode;
using test::FakeDevice;
using test::FakeUsbBus;
using test::PatternByte;

constexpr UsbId kCameraId{0x1234, 0x5678};
constexpr UsbId kSecondCameraId{0x1234, 0x5679};
const FakeDevice kKeyboard{{0x046d, 0xc31c}, 1, 2, "", "USB Keyboard", 0, false};
const FakeDevice kSerialAdapter{{0x0403, 0x6001}, 1, 3, "FTDI", "FT232R", -1, true};
const FakeDevice kCamera{kCameraId, 1, 4, "Vexa", "TQ Camera", 1, true};
const FakeDevice kUps{{0x051d, 0x0002}, 1, 9, "APC", "Back-UPS", 2, false};
const std::vector<uint8_t> kCommand{0, 4, 0, 0, 0, 0, 0, 0, 2};
constexpr FakeUsbBus::OpenCount kNothingOpen{0, 0};
constexpr FakeUsbBus::OpenCount kBothOpen{1, 1};

// A desk with a keyboard, a USB serial adapter (vendor-class bulk, no HID), the camera and a
// UPS: the camera's HID node is neither the first nor the last one.
class UsbCameraTransportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        keyboard = bus.Add(kKeyboard);
        serial = bus.Add(kSerialAdapter);
        camera = bus.Add(kCamera);
        ups = bus.Add(kUps);
    }
    void ExpectBystandersUntouched() {
        EXPECT_TRUE(bus.TakeHidOutput(keyboard).empty());
        EXPECT_TRUE(bus.TakeHidOutput(ups).empty());
        EXPECT_EQ(bus.ClaimCount(serial), 0);
        EXPECT_EQ(bus.OpenDescriptors(keyboard), kNothingOpen);
        EXPECT_EQ(bus.OpenDescriptors(ups), kNothingOpen);
    }
    Status Read(size_t bytes, std::vector<uint8_t>& dest, size_t& delivered) {
        dest.assign(bytes, 0);
        return transport.ReadBulk(dest, delivered, 0);
    }

    FakeUsbBus bus;
    int keyboard = 0, serial = 0, camera = 0, ups = 0;
    UsbCameraTransport transport;
};

TEST_F(UsbCameraTransportTest, DiscoveryTakesBothInterfacesOfTheCameraAndListsEveryInterface) {
    const CameraDiscovery found = transport.Discover();
    ASSERT_TRUE(found.status.ok()) << found.status.text();
    EXPECT_TRUE(found.hidOpen && found.blockIoOpen);
    EXPECT_EQ(found.blockIoHandle, kCamera.address);
    struct stat node {};
    ASSERT_EQ(::fstat(found.hidHandle, &node), 0) << "the hidraw descriptor is open";
    EXPECT_TRUE(S_ISCHR(node.st_mode));
    EXPECT_GT(found.osMajor, 0);
    EXPECT_TRUE(found.notice.empty());

    ASSERT_EQ(found.hidInterfaces.size(), 3u);
    const UsbInterfaceInfo& hid = found.hidInterfaces[1];
    EXPECT_EQ(hid.path, "/dev/hidraw1");
    EXPECT_EQ(hid.vendorId, kCameraId.vendorId);
    EXPECT_EQ(hid.productId, kCameraId.productId);
    EXPECT_EQ(hid.manufacturer, "Vexa");
    EXPECT_EQ(hid.product, "TQ Camera");
    EXPECT_EQ(found.hidInterfaces[0].manufacturer, "") << "the keyboard reports none";

    ASSERT_EQ(found.blockIoInterfaces.size(), 2u);
    EXPECT_EQ(found.blockIoInterfaces[0].vendorId, kSerialAdapter.id.vendorId);
    EXPECT_EQ(found.blockIoInterfaces[1].productId, kCameraId.productId);
    EXPECT_EQ(found.blockIoInterfaces[1].manufacturer, "Vexa");
    EXPECT_EQ(found.blockIoInterfaces[1].product, "TQ Camera");
    EXPECT_EQ(found.blockIoInterfaces[1].path, "/dev/bus/usb/001/004 interface 1");
    EXPECT_EQ(bus.ClaimCount(camera), 1);
    ExpectBystandersUntouched();
}

TEST_F(UsbCameraTransportTest, ACommandReachesOnlyTheCameraAsExactlyItsNineReportBytes) {
    ASSERT_TRUE(transport.Discover().status.ok());
    ASSERT_TRUE(transport.WriteReport(kCommand).ok());
    EXPECT_EQ(bus.TakeHidOutput(camera), kCommand);
    ExpectBystandersUntouched();
}

TEST_F(UsbCameraTransportTest, AnInputReportArrivesBehindReportIdZero) {
    ASSERT_TRUE(transport.Discover().status.ok());
    bus.SendHidInput(camera, {7, 0x0a, 0x0d, 0, 255});
    std::array<uint8_t, kCommandReportBytes> report{};
    report.fill(0xee);
    size_t delivered = 0;
    ASSERT_TRUE(transport.ReadReport(report, delivered, 1000).ok());
    EXPECT_EQ(delivered, 6u);
    EXPECT_EQ(std::vector<uint8_t>(report.begin(), report.begin() + 6),
              (std::vector<uint8_t>{0, 7, 0x0a, 0x0d, 0, 255}));

    const Status silent = transport.ReadReport(report, delivered, 20);
    EXPECT_EQ(silent.code(), StatusCode::Timeout);
    EXPECT_EQ(delivered, 0u);
}

TEST_F(UsbCameraTransportTest, AFullFrameArrivesWholeFromOneRequestOfExactlyItsLength) {
    ASSERT_TRUE(transport.Discover().status.ok());
    std::vector<uint8_t> frame;
    size_t delivered = 0;
    ASSERT_TRUE(Read(kFullFrameTransferBytes, frame, delivered).ok());
    EXPECT_EQ(delivered, kFullFrameTransferBytes);
    size_t wrong = 0;
    for (size_t i = 0; i < frame.size(); ++i) wrong += frame[i] != PatternByte(i);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(bus.BulkRequestLengths(camera),
              std::vector<int>{static_cast<int>(kFullFrameTransferBytes)});
    EXPECT_EQ(bus.BulkRequestEndpoints(camera), std::vector<uint8_t>{0x82});
}

struct CutShortCase {
    const char* name;
    BulkMode mode;
    size_t sent;
    StatusCode code;
};

TEST_F(UsbCameraTransportTest, ATransferCutShortReportsWhyAndTheBytesThatArrived) {
    const CutShortCase cases[] = {
        {"short", BulkMode::Short, 1000, StatusCode::ShortTransfer},
        {"nothing sent", BulkMode::Short, 0, StatusCode::ShortTransfer},
        {"time limit", BulkMode::Stall, 512, StatusCode::Timeout},
    };
    ASSERT_TRUE(transport.Discover().status.ok());
    for (const CutShortCase& c : cases) {
        bus.SetBulk(camera, c.mode, c.sent);
        std::vector<uint8_t> dest;
        size_t delivered = 99;
        const Status status = Read(kFocusWindowTransferBytes, dest, delivered);
        EXPECT_EQ(status.code(), c.code) << c.name << ": " << status.text();
        EXPECT_EQ(delivered, c.sent) << c.name;
        for (size_t i = 0; i < c.sent; ++i) ASSERT_EQ(dest[i], PatternByte(i)) << c.name;
    }
}

TEST_F(UsbCameraTransportTest, ACameraUnpluggedMidReadoutIsReportedGoneEverywhere) {
    ASSERT_TRUE(transport.Discover().status.ok());
    bus.SetBulk(camera, BulkMode::Vanish, 4096);
    std::vector<uint8_t> frame;
    size_t delivered = 0;
    const Status read = Read(kFullFrameTransferBytes, frame, delivered);
    EXPECT_EQ(read.code(), StatusCode::Disconnected) << read.text();
    EXPECT_EQ(delivered, 4096u);

    bus.Unplug(camera);
    EXPECT_EQ(transport.WriteReport(kCommand).code(), StatusCode::Disconnected);
    std::array<uint8_t, kCommandReportBytes> report{};
    EXPECT_EQ(transport.ReadReport(report, delivered, 1000).code(), StatusCode::Disconnected);
    EXPECT_EQ(transport.ReadBulk(frame, delivered, 0).code(), StatusCode::Disconnected);

    const CameraDiscovery again = transport.Discover();
    EXPECT_EQ(again.status.code(), StatusCode::NotFound);
    EXPECT_FALSE(again.hidOpen || again.blockIoOpen);
    ExpectBystandersUntouched();
}

TEST_F(UsbCameraTransportTest, PermissionDeniedOnANodeNamesItAndTheUdevRuleAndOpensNothing) {
    for (const bool hidNode : {true, false}) {
        FakeUsbBus desk;
        const int locked = desk.Add(kCamera);
        hidNode ? desk.LockHidraw(locked) : desk.LockUsbfs(locked);
        CameraDiscovery found;
        {
            test::ScopedNoDacOverride asUser;
            ASSERT_TRUE(asUser.ok());
            found = transport.Discover();
        }
        EXPECT_EQ(found.status.code(), StatusCode::PermissionDenied) << found.status.text();
        const std::string node = hidNode ? "/dev/hidraw1" : "/dev/bus/usb/001/004";
        EXPECT_NE(found.status.text().find(node), std::string::npos) << found.status.text();
        EXPECT_NE(found.status.text().find("docs/udev/60-vexa-q4.rules"), std::string::npos);
        EXPECT_FALSE(found.hidOpen || found.blockIoOpen);
        EXPECT_EQ(desk.OpenDescriptors(locked), kNothingOpen) << "whatever opened was closed";
        EXPECT_TRUE(desk.TakeHidOutput(locked).empty());
    }
}

struct TwoCamerasCase {
    const char* name;
    std::optional<UsbId> wanted;
    bool firstTaken;
    bool notice;
};

TEST(UsbCameraTransportTwoCamerasTest, TakesTheNamedCameraElseTheLastAndSaysSo) {
    const TwoCamerasCase cases[] = {
        {"no name", std::nullopt, false, true},
        {"first named", kCameraId, true, false},
        {"second named", kSecondCameraId, false, false},
    };
    for (const TwoCamerasCase& c : cases) {
        FakeUsbBus bus;
        const int first = bus.Add(kCamera);
        const int second = bus.Add({kSecondCameraId, 2, 3, "Vexa", "TQ Camera", 0, true});
        UsbCameraTransport transport(c.wanted);
        const CameraDiscovery found = transport.Discover();
        ASSERT_TRUE(found.status.ok()) << c.name << ": " << found.status.text();
        EXPECT_EQ(found.blockIoHandle, c.firstTaken ? 4 : 3) << c.name;
        EXPECT_EQ(found.notice.empty(), !c.notice) << c.name << ": " << found.notice;
        ASSERT_TRUE(transport.WriteReport(kCommand).ok());
        EXPECT_EQ(bus.TakeHidOutput(c.firstTaken ? first : second), kCommand) << c.name;
        EXPECT_TRUE(bus.TakeHidOutput(c.firstTaken ? second : first).empty()) << c.name;
    }
}

TEST(UsbCameraTransportAbsentTest, NoCameraAmongOtherDevicesIsNotFoundAndNothingIsOpened) {
    FakeUsbBus bus;
    const int keyboard = bus.Add(kKeyboard);
    const int serial = bus.Add(kSerialAdapter);
    UsbCameraTransport transport;
    const CameraDiscovery found = transport.Discover();
    EXPECT_EQ(found.status.code(), StatusCode::NotFound) << found.status.text();
    EXPECT_EQ(found.hidInterfaces.size(), 1u);
    EXPECT_EQ(found.blockIoInterfaces.size(), 1u);
    EXPECT_FALSE(found.hidOpen || found.blockIoOpen);
    EXPECT_EQ(transport.WriteReport(kCommand).code(), StatusCode::NotFound);
    EXPECT_EQ(bus.OpenDescriptors(keyboard), kNothingOpen);
    EXPECT_EQ(bus.OpenDescriptors(serial), kNothingOpen);
}

// Takes every free descriptor of this process for its life (under a lowered limit) so that
// no library can open one.
class ScopedNoFreeDescriptor {
  public:
    ScopedNoFreeDescriptor() {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        int highest = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            highest = std::max(highest, std::stoi(entry.path().filename().string()));
        }
        rlimit full = saved_;
        full.rlim_cur = static_cast<rlim_t>(highest) + 1;
        if (::setrlimit(RLIMIT_NOFILE, &full) != 0) return;
        // Not opened by path: umockdev's library keeps a small table of those.
        for (int fd; (fd = ::eventfd(0, EFD_CLOEXEC)) >= 0;) taken_.push_back(fd);
        ok_ = errno == EMFILE;
    }
    ~ScopedNoFreeDescriptor() {
        for (const int fd : taken_) ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }
    bool ok() const { return ok_; }

  private:
    rlimit saved_{};
    std::vector<int> taken_;
    bool ok_ = false;
};

TEST(UsbCameraTransportAbsentTest, AnUnreadableDeviceListIsAnInputOutputError) {
    FakeUsbBus bus;
    bus.Add(kCamera);
    UsbCameraTransport transport;
    CameraDiscovery found;
    {
        ScopedNoFreeDescriptor full;
        ASSERT_TRUE(full.ok());
        found = transport.Discover();
    }
    EXPECT_EQ(found.status.code(), StatusCode::IoError) << found.status.text();
    EXPECT_NE(found.status.text().find("device list unavailable"), std::string::npos);
    EXPECT_FALSE(found.hidOpen || found.blockIoOpen);
    EXPECT_TRUE(transport.Discover().status.ok()) << "the next discovery finds the camera";
}

TEST_F(UsbCameraTransportTest, CloseAndANewDiscoveryReleaseEverythingOpenedBefore) {
    ASSERT_TRUE(transport.Discover().status.ok());
    ASSERT_EQ(bus.OpenDescriptors(camera), kBothOpen);
    ASSERT_TRUE(transport.Discover().status.ok());
    EXPECT_EQ(bus.OpenDescriptors(camera), kBothOpen);
    EXPECT_EQ(bus.ReleaseCount(camera), 1);
    EXPECT_EQ(bus.ClaimCount(camera), 2);

    transport.Close();
    EXPECT_EQ(bus.OpenDescriptors(camera), kNothingOpen);
    EXPECT_EQ(bus.ReleaseCount(camera), 2);
    EXPECT_EQ(transport.WriteReport(kCommand).code(), StatusCode::NotFound);
    EXPECT_TRUE(bus.TakeHidOutput(camera).empty());
}

}  // namespace
}  // namespace vexa
