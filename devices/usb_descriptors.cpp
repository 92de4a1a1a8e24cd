#include "devices/usb_descriptors.h"

#include <libusb.h>

namespace vexa {

std::vector<BulkInInterface> FindVendorBulkInInterfaces(const libusb_config_descriptor& config) {
    std::vector<BulkInInterface> found;
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& interface = config.interface[i];
        // The default setting (the first one) is what a claimed interface starts in.
        if (interface.num_altsetting < 1) continue;
        const libusb_interface_descriptor& setting = interface.altsetting[0];
        if (setting.bInterfaceClass != LIBUSB_CLASS_VENDOR_SPEC) continue;
        for (int e = 0; e < setting.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
            const bool bulk =
                (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
            const bool in =
                (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
            if (bulk && in) {
                found.push_back({setting.bInterfaceNumber, endpoint.bEndpointAddress});
                break;
            }
        }
    }
    return found;
}

}  // namespace vexa
