// What sysfs tells about attached USB devices: their manufacturer and product strings, and the
// USB device that a hidraw node belongs to. Reading sysfs opens no device.
#pragma once

#include <optional>
#include <string>

#include "devices/usb_camera_choice.h"

namespace vexa {

struct UsbDeviceStrings {
    std::string manufacturer;  // empty when the device reports none
    std::string product;
};

// The strings of the USB device at that address; empty when it has none or is gone.
UsbDeviceStrings ReadUsbDeviceStrings(UsbAddress usb);
// The USB device above a hidraw node ("/dev/hidraw3"); none when the node is not on USB.
std::optional<UsbAddress> UsbAddressOfHidraw(const std::string& node);
// Whether the kernel still lists the hidraw node: it goes away when the device is unplugged.
bool HidrawStillPresent(const std::string& node);

}  // namespace vexa
