#include "devices/usb_camera_transport.h"

#include <array>

#include <gtest/gtest.h>

#include "camera/camera_protocol.h"

namespace vexa {
namespace {

TEST(UsbCameraTransportTest, BulkTimeLimitLeavesRoomForAFullFrameOverUsb11) {
    // Full speed moves at most 19 packets of 64 bytes per millisecond.
    constexpr size_t kFullSpeedBytesPerMs = 19 * 64;
    constexpr int kFullFrameAtFullSpeedMs =
        static_cast<int>(kFullFrameTransferBytes / kFullSpeedBytesPerMs);
    EXPECT_GE(BulkTimeoutMs(kFullFrameTransferBytes), 2 * kFullFrameAtFullSpeedMs);
    EXPECT_LE(BulkTimeoutMs(kFullFrameTransferBytes), 10000);
    EXPECT_LT(BulkTimeoutMs(kFocusWindowTransferBytes), BulkTimeoutMs(kBinnedFrameTransferBytes));
    EXPECT_GE(BulkTimeoutMs(1), kBulkStartAllowanceMs);
}

TEST(UsbCameraTransportTest, EveryTransferBeforeDiscoveryFailsWithoutTouchingADevice) {
    UsbCameraTransport transport;
    std::array<uint8_t, kCommandReportBytes> report{};
    size_t delivered = 99;
    EXPECT_EQ(transport.WriteReport(report).code(), StatusCode::NotFound);
    EXPECT_EQ(transport.ReadReport(report, delivered, 0).code(), StatusCode::NotFound);
    EXPECT_EQ(delivered, 0u);
    delivered = 99;
    EXPECT_EQ(transport.ReadBulk(report, delivered, 0).code(), StatusCode::NotFound);
    EXPECT_EQ(delivered, 0u);
    transport.Close();
    transport.Close();
}

}  // namespace
}  // namespace vexa
