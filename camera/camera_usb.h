// The camera's USB transport as the program uses it: discovery of the camera's HID and BlockIO
// interfaces with its device table and reports, HID output and input reports with their byte
// limits, and the BlockIO image transfer into the one static transfer buffer. It knows nothing
// of what the command bytes mean; the installed CameraTransport does the actual I/O.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "camera/camera_protocol.h"
#include "camera/camera_transport.h"
#include "session/status.h"

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

// The transport that discovery and every transfer go through (the USB backend or the
// simulated camera, possibly behind the log); none installed behaves as no camera attached.
void SetCameraTransport(CameraTransport* transport);
CameraTransport* InstalledCameraTransport();

// Discovery: fills the device table for every interface enumerated (the BlockIO pass writes
// over the entries of the HID pass), reports what it finds and sets cameraPresent when both
// interfaces are open. Returns 1 when any interface of either class was enumerated, 0 when
// none was or discovery ended early. A previous discovery's handles are closed first.
int OpenUSBdevices(DeviceTable& table);

// One HID output report: report id 0 and `count` payload bytes (at most 254). Failures are
// reported to the user here and returned; nothing is retried.
Status WriteUSBdevice(const uint8_t* bytes, int count);

// One HID input report of `count` data bytes (1 to 254) read into the transfer buffer; its
// data are copied to dest. Failures are reported here; dest is then left as it was.
Status ReadUSBdevice(uint8_t* dest, int count);

// The 8-byte command block that the command layer fills before each command.
std::array<uint8_t, kCommandBytes>& CommandBlock();
// The length of the next BlockIO transfer.
void SetRequestedTransferBytes(uint32_t bytes);
uint32_t RequestedTransferBytes();

// Sets byte 0 of the command block to the read-pixels code, sends the whole block, then reads
// the requested length from the BlockIO interface into the transfer buffer in one read.
// The transfer has failed (reported here, and the status says how) when the command could not
// be sent (the read is then not tried), when the read failed or timed out, or when fewer
// bytes came than were asked for. A camera that went away clears cameraPresent.
Status ReadBlockIOTransfer();

// The static transfer buffer: HID input reports (report id in byte 0) and BlockIO transfers
// (from byte 0). Its contents stay valid until the next transfer.
const uint8_t* TransferBuffer();

// Close both interfaces (main window closed, program ending). cameraPresent is cleared.
void CloseUSBdevices();

}  // namespace vexa
