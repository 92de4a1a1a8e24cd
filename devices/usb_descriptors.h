// Finding the camera's bulk data interface in a USB configuration descriptor: a vendor-class
// interface with a bulk IN endpoint.
#pragma once

#include <cstdint>
#include <vector>

struct libusb_config_descriptor;

namespace vexa {

struct BulkInInterface {
    int interfaceNumber = 0;
    uint8_t endpoint = 0;  // endpoint address, direction bit set
};

// Every vendor-class interface (in its default setting) with a bulk IN endpoint, each with its
// first such endpoint, in descriptor order.
std::vector<BulkInInterface> FindVendorBulkInInterfaces(const libusb_config_descriptor& config);

}  // namespace vexa
