// What the camera layer needs of the USB camera: its two interfaces found and opened, HID
// output and input reports, one bulk read from the BlockIO interface, and closing. The real
// backend (devices/) and the simulated camera (simulator/) implement it; the camera layer
// adds the program's limits, messages and log on top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "session/status.h"

namespace vexa {

// One interface that discovery enumerated, as the device table records it.
struct UsbInterfaceInfo {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string manufacturer;  // empty when the device reports none
    std::string product;       // empty when the device reports none
    std::string path;          // the node it was reached through (hidraw node, bus/address)
};

struct CameraDiscovery {
    // Every interface of each class that was enumerated, in member order; on the camera the
    // BlockIO class is its vendor-class bulk interface.
    std::vector<UsbInterfaceInfo> hidInterfaces;
    std::vector<UsbInterfaceInfo> blockIoInterfaces;
    // Both interfaces of one camera are open after a successful discovery.
    bool hidOpen = false;
    bool blockIoOpen = false;
    // The handle values and operating-system version that the "Camera Found" report shows.
    int hidHandle = -1;
    int blockIoHandle = -1;
    int osMajor = 0;
    int osMinor = 0;
    // Something the user should hear about the choice of camera, such as several cameras
    // attached and which one was taken; empty otherwise.
    std::string notice;
    // Ok, or why discovery ended early: the device list unavailable (IoError, with
    // deviceListUnavailable set), an interface that cannot be opened (IoError, or
    // PermissionDenied with the node named in text), no camera among the devices (NotFound).
    Status status;
    bool deviceListUnavailable = false;
};

class CameraTransport {
  public:
    virtual ~CameraTransport() = default;

    // Find the camera's HID interface and its BlockIO interface and open both. An earlier
    // discovery's handles are closed first.
    virtual CameraDiscovery Discover() = 0;
    // One HID output report, report id first (9 bytes for an 8-byte command).
    virtual Status WriteReport(std::span<const uint8_t> report) = 0;
    // One HID input report into report (report id first when the device numbers its reports,
    // else the data from byte 1 on, as on the original platform); delivered counts the bytes
    // stored, report id included.
    virtual Status ReadReport(std::span<uint8_t> report, size_t& delivered, int timeoutMs) = 0;
    // One bulk read of exactly dest.size() bytes from the BlockIO interface; delivered counts
    // the bytes that arrived before the read ended (fewer on a timeout or failure).
    virtual Status ReadBulk(std::span<uint8_t> dest, size_t& delivered, int timeoutMs) = 0;
    // Close both interfaces; the next use needs a new discovery.
    virtual void Close() = 0;
};

}  // namespace vexa
