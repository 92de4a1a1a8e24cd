// Which attached USB device is the camera: one whose vendor-class bulk IN interface and whose
// HID interface (a hidraw node) sit on the same device, matched by bus number and address, so
// that no command ever goes to an unrelated HID device such as a keyboard or a UPS.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/usb_id.h"
#include "session/status.h"

namespace vexa {

// Where a device sits on the host: unique among the devices attached at one time.
struct UsbAddress {
    int bus = 0;
    int address = 0;
    auto operator<=>(const UsbAddress&) const = default;
};

// A vendor-class interface with a bulk IN endpoint, as the USB device list shows it.
struct BulkInCandidate {
    UsbAddress usb;
    UsbId id;
    int interfaceNumber = 0;
    uint8_t endpoint = 0;
};

// A hidraw node and the USB device it belongs to (none for Bluetooth or virtual devices).
struct HidNode {
    std::string path;
    std::optional<UsbAddress> usb;
};

struct CameraChoice {
    size_t bulk = 0;  // index into the bulk candidates
    size_t hid = 0;   // index into the hidraw nodes
    int camerasFound = 0;
    std::string notice;  // set when several cameras were present
};

// Picks the camera among the candidates, which are in enumeration order. A device with several
// bulk interfaces or hidraw nodes counts once, with its first of each. With `wanted` only
// devices of that id count; of several cameras the last one enumerated is taken and `notice`
// says so. NotFound, with the devices seen named in the text, when there is none.
Status ChooseCamera(const std::vector<BulkInCandidate>& bulk, const std::vector<HidNode>& hid,
                    std::optional<UsbId> wanted, CameraChoice& choice);

// "1234:5678 at bus 1 address 7"
std::string DescribeUsbDevice(UsbId id, UsbAddress usb);

}  // namespace vexa
