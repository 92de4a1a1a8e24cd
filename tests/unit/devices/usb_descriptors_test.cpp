#include "devices/usb_descriptors.h"

#include <libusb.h>

#include <vector>

#include <gtest/gtest.h>

namespace vexa {
namespace {

constexpr uint8_t kBulkIn = 0x82;
constexpr uint8_t kBulkOut = 0x02;
constexpr uint8_t kInterruptIn = 0x81;

libusb_endpoint_descriptor Endpoint(uint8_t address, uint8_t type) {
    libusb_endpoint_descriptor endpoint{};
    endpoint.bEndpointAddress = address;
    endpoint.bmAttributes = type;
    return endpoint;
}

// Hand-built descriptors: each interface has one setting unless a second one is given.
struct Layout {
    std::vector<std::vector<libusb_endpoint_descriptor>> endpoints;
    std::vector<libusb_interface_descriptor> settings;
    std::vector<libusb_interface> interfaces;
    libusb_config_descriptor config{};

    void Add(uint8_t interfaceClass, std::vector<libusb_endpoint_descriptor> eps) {
        endpoints.push_back(std::move(eps));
        libusb_interface_descriptor setting{};
        setting.bInterfaceNumber = static_cast<uint8_t>(settings.size());
        setting.bInterfaceClass = interfaceClass;
        settings.push_back(setting);
    }
    const libusb_config_descriptor& Build() {
        interfaces.clear();
        for (size_t i = 0; i < settings.size(); ++i) {
            settings[i].bNumEndpoints = static_cast<uint8_t>(endpoints[i].size());
            settings[i].endpoint = endpoints[i].data();
        }
        for (auto& setting : settings) {
            libusb_interface interface {};
            interface.altsetting = &setting;
            interface.num_altsetting = 1;
            interfaces.push_back(interface);
        }
        config.bNumInterfaces = static_cast<uint8_t>(interfaces.size());
        config.interface = interfaces.data();
        return config;
    }
};

TEST(UsbDescriptorsTest, FindsOnlyVendorInterfacesWithABulkInEndpoint) {
    Layout layout;
    layout.Add(LIBUSB_CLASS_HID, {Endpoint(kInterruptIn, LIBUSB_TRANSFER_TYPE_INTERRUPT)});
    layout.Add(LIBUSB_CLASS_VENDOR_SPEC, {Endpoint(kBulkOut, LIBUSB_TRANSFER_TYPE_BULK),
                                          Endpoint(kBulkIn, LIBUSB_TRANSFER_TYPE_BULK)});
    layout.Add(LIBUSB_CLASS_VENDOR_SPEC, {Endpoint(kInterruptIn, LIBUSB_TRANSFER_TYPE_INTERRUPT)});
    layout.Add(LIBUSB_CLASS_MASS_STORAGE, {Endpoint(kBulkIn, LIBUSB_TRANSFER_TYPE_BULK)});
    layout.Add(LIBUSB_CLASS_VENDOR_SPEC, {Endpoint(kBulkOut, LIBUSB_TRANSFER_TYPE_BULK)});

    const std::vector<BulkInInterface> found = FindVendorBulkInInterfaces(layout.Build());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].interfaceNumber, 1);
    EXPECT_EQ(found[0].endpoint, kBulkIn);
}

TEST(UsbDescriptorsTest, AnInterfaceWithoutSettingsIsSkipped) {
    Layout layout;
    layout.Add(LIBUSB_CLASS_VENDOR_SPEC, {Endpoint(kBulkIn, LIBUSB_TRANSFER_TYPE_BULK)});
    libusb_config_descriptor config = layout.Build();
    layout.interfaces[0].num_altsetting = 0;
    EXPECT_TRUE(FindVendorBulkInInterfaces(config).empty());
}

}  // namespace
}  // namespace vexa
