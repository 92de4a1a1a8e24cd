// The camera transport for a real camera on Linux: its HID interface through hidapi on hidraw
// for the commands, its vendor-class bulk interface through libusb for the image data. Both
// interfaces are taken from the same USB device, so nothing is ever sent to another device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "camera/camera_transport.h"
#include "devices/usb_camera_choice.h"
#include "devices/usb_id.h"

struct hid_device_;
struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace vexa {

// A bulk read's time limit grows with its size: an allowance for the camera to start sending
// plus the data's time at half the practical bulk rate of USB 1.1 full speed (about 1 MB/s),
// which gives a full frame 7.8 s.
constexpr int kBulkStartAllowanceMs = 2000;
constexpr size_t kSlowestBulkBytesPerMs = 500;
constexpr int BulkTimeoutMs(size_t bytes) {
    return kBulkStartAllowanceMs + static_cast<int>(bytes / kSlowestBulkBytesPerMs);
}
// An input report read with no time limit given waits this long instead of for ever.
constexpr int kDefaultReportTimeoutMs = 1000;

class UsbCameraTransport final : public CameraTransport {
  public:
    // With `camera`, only devices of that vendor:product id are taken; without it, of several
    // cameras the last one enumerated (bus and address order) is taken.
    explicit UsbCameraTransport(std::optional<UsbId> camera = std::nullopt);
    ~UsbCameraTransport() override;
    UsbCameraTransport(const UsbCameraTransport&) = delete;
    UsbCameraTransport& operator=(const UsbCameraTransport&) = delete;

    // On success hidHandle is the hidraw node's file descriptor (its node number should the
    // descriptor not be found) and blockIoHandle the camera's USB device address.
    CameraDiscovery Discover() override;
    Status WriteReport(std::span<const uint8_t> report) override;
    // The camera does not number its reports (its commands carry report id 0), so the data
    // arrive without an id and are stored from byte 1 on, with byte 0 set to 0. A negative
    // timeout waits kDefaultReportTimeoutMs.
    Status ReadReport(std::span<uint8_t> report, size_t& delivered, int timeoutMs) override;
    // Waits timeoutMs or BulkTimeoutMs(dest.size()), whichever is longer: a shorter limit would
    // cut frames on a slow link.
    Status ReadBulk(std::span<uint8_t> dest, size_t& delivered, int timeoutMs) override;
    void Close() override;

  private:
    Status OpenHid(const std::string& node, CameraDiscovery& result);
    Status OpenBulk(libusb_device* device, const BulkInCandidate& candidate,
                    CameraDiscovery& result);
    Status HidFailure(int error, const std::string& action);

    std::optional<UsbId> wanted_;
    hid_device_* hid_ = nullptr;
    std::string hidNode_;
    libusb_context* usbContext_ = nullptr;
    libusb_device_handle* usb_ = nullptr;
    std::string usbNode_;
    int claimedInterface_ = -1;
    uint8_t bulkEndpoint_ = 0;
};

}  // namespace vexa
