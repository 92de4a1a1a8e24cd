// What the camera's USB transport shows the program (class Camera does the transfers): the
// device table that discovery fills, the texts it reports with, and the time limits of its
// transfers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexa {

// ---- the device table that discovery fills ----
constexpr int kDeviceTableEntries = 20;
constexpr size_t kDeviceTextBytes = 256;  // 255 characters and the terminating zero

struct DeviceTableEntry {
    uint16_t vendorId = 0;
    std::array<char, kDeviceTextBytes> manufacturer{};
    uint16_t productId = 0;
    std::array<char, kDeviceTextBytes> product{};
};
using DeviceTable = std::array<DeviceTableEntry, kDeviceTableEntries>;

// ---- what the transport reports ----
constexpr const char* kErrorCaption = "Error";
constexpr const char* kPnpNodeText = "Could not attach to PnP node";
constexpr const char* kNoSystemNameText = "Could not find the system name for this HID device";
constexpr const char* kOpenHidFailedText = "Could not open HID device";
constexpr const char* kBlockIoNotFoundText = "USB BlockIO device not found";
constexpr const char* kCameraFoundFormat = "Camera Found, Hid = %6d, BlockIO = %6d\nO/S = %4d.%4d";
constexpr const char* kWriteTooLongText = "Maximum ByteCount for WriteUSBdevice is 254";
constexpr const char* kWriteFailedFormat = "Error %d trying to send command to USB \n";
constexpr const char* kReadTooLongText = "Maximum ByteCount for ReadUSBdevice is 254";
constexpr const char* kReadTooShortText = "Minimum ByteCount for ReadUSBdevice is 1";
constexpr const char* kInputReportFailedText = "Could not get an Input Report";
constexpr const char* kBlockIoReadFailedFormat = "Error %d trying to read BlockIO data from USB\n";
constexpr const char* kNotPresentText = "- not present -";

// ---- time limits ----
// A BlockIO read that has not completed within this time has failed: an allowance for the
// camera to start sending plus the data at half the practical rate of a full-speed link
// (about 7.8 s for a full frame), so a camera that stops answering never hangs the window.
constexpr int kTransferStartAllowanceMs = 2000;
constexpr size_t kSlowestTransferBytesPerMs = 500;
constexpr int TransferTimeoutMs(size_t bytes) {
    return kTransferStartAllowanceMs + static_cast<int>(bytes / kSlowestTransferBytesPerMs);
}
// An input report that has not come within this time has failed.
constexpr int kInputReportTimeoutMs = 1000;

}  // namespace vexa
