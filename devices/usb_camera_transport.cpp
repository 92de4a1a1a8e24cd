#include "devices/usb_camera_transport.h"

#include <hidapi/hidapi.h>
#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>
#include <vector>

#include "camera/camera_protocol.h"
#include "devices/usb_descriptors.h"
#include "devices/usb_host_info.h"
#include "devices/usb_status.h"
#include "devices/usb_sysfs.h"
#include "devices/wide_text.h"

namespace vexa {

namespace {

// A bulk interface found in the device list, with the device it is on.
struct FoundBulk {
    libusb_device* device = nullptr;
    BulkInCandidate candidate;
};

std::string UsbNodePath(UsbAddress usb) {
    char path[sizeof "/dev/bus/usb/000/000" + 8];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03d/%03d", usb.bus, usb.address);
    return path;
}

// Every HID interface, in hidraw node order, with the USB device each one is on.
std::vector<HidNode> ScanHid(std::vector<UsbInterfaceInfo>& infos) {
    struct Entry {
        UsbInterfaceInfo info;
        HidNode node;
    };
    std::vector<Entry> entries;
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* it = list; it != nullptr; it = it->next) {
        Entry entry;
        entry.info = {it->vendor_id, it->product_id, WideToUtf8(it->manufacturer_string),
                      WideToUtf8(it->product_string), it->path ? it->path : ""};
        entry.node.path = entry.info.path;
        if (it->bus_type == HID_API_BUS_USB) entry.node.usb = UsbAddressOfHidraw(entry.node.path);
        entries.push_back(std::move(entry));
    }
    hid_free_enumeration(list);
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return HidrawNumber(a.node.path) < HidrawNumber(b.node.path);
    });
    std::vector<HidNode> nodes;
    for (Entry& entry : entries) {
        infos.push_back(std::move(entry.info));
        nodes.push_back(std::move(entry.node));
    }
    return nodes;
}

// Every vendor-class bulk IN interface, in bus, address and interface order.
std::vector<FoundBulk> ScanBulk(libusb_device** list, ssize_t count) {
    std::vector<FoundBulk> found;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = list[i];
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) != 0) continue;
        libusb_config_descriptor* config = nullptr;
        if (libusb_get_active_config_descriptor(device, &config) != 0 &&
            libusb_get_config_descriptor(device, 0, &config) != 0) {
            continue;
        }
        const UsbAddress usb{libusb_get_bus_number(device), libusb_get_device_address(device)};
        for (const BulkInInterface& bulk : FindVendorBulkInInterfaces(*config)) {
            found.push_back({device,
                             {usb,
                              {descriptor.idVendor, descriptor.idProduct},
                              bulk.interfaceNumber,
                              bulk.endpoint}});
        }
        libusb_free_config_descriptor(config);
    }
    std::stable_sort(found.begin(), found.end(), [](const FoundBulk& a, const FoundBulk& b) {
        return std::pair(a.candidate.usb, a.candidate.interfaceNumber) <
               std::pair(b.candidate.usb, b.candidate.interfaceNumber);
    });
    return found;
}

UsbInterfaceInfo DescribeBulk(const BulkInCandidate& candidate) {
    const UsbDeviceStrings strings = ReadUsbDeviceStrings(candidate.usb);
    return {candidate.id.vendorId, candidate.id.productId, strings.manufacturer, strings.product,
            UsbNodePath(candidate.usb) + " interface " + std::to_string(candidate.interfaceNumber)};
}

}  // namespace

UsbCameraTransport::UsbCameraTransport(std::optional<UsbId> camera) : wanted_(camera) {}

UsbCameraTransport::~UsbCameraTransport() {
    Close();
}

CameraDiscovery UsbCameraTransport::Discover() {
    Close();
    CameraDiscovery result;
    const KernelVersion kernel = RunningKernelVersion();
    result.osMajor = kernel.major;
    result.osMinor = kernel.minor;

    if (hid_init() != 0) {
        result.status = Status(StatusCode::IoError,
                               "HID device list unavailable: " + WideToUtf8(hid_error(nullptr)));
        result.deviceListUnavailable = true;
        return result;
    }
    const std::vector<HidNode> hidNodes = ScanHid(result.hidInterfaces);

    const int initError = libusb_init(&usbContext_);
    if (initError != 0) {
        usbContext_ = nullptr;
        result.status = Status(
            StatusCode::IoError,
            std::string("USB device list unavailable: ") + libusb_strerror(initError), initError);
        result.deviceListUnavailable = true;
        return result;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(usbContext_, &list);
    if (count < 0) {
        Close();
        result.status = Status(
            StatusCode::IoError,
            std::string("USB device list unavailable: ") + libusb_strerror(static_cast<int>(count)),
            static_cast<int>(count));
        result.deviceListUnavailable = true;
        return result;
    }
    const std::vector<FoundBulk> found = ScanBulk(list, count);
    std::vector<BulkInCandidate> candidates;
    for (const FoundBulk& bulk : found) {
        candidates.push_back(bulk.candidate);
        result.blockIoInterfaces.push_back(DescribeBulk(bulk.candidate));
    }

    CameraChoice choice;
    Status status = ChooseCamera(candidates, hidNodes, wanted_, choice);
    if (status.ok()) status = OpenHid(hidNodes[choice.hid].path, result);
    if (status.ok()) status = OpenBulk(found[choice.bulk].device, candidates[choice.bulk], result);
    libusb_free_device_list(list, 1);  // an open device keeps its own reference

    if (!status.ok()) {
        Close();
        result.hidOpen = result.blockIoOpen = false;
        result.hidHandle = result.blockIoHandle = -1;
        result.status = std::move(status);
        return result;
    }
    result.notice = choice.notice;
    return result;
}

Status UsbCameraTransport::OpenHid(const std::string& node, CameraDiscovery& result) {
    const std::vector<int> before = OpenCharDeviceFds();
    errno = 0;
    hid_ = hid_open_path(node.c_str());
    const int error = errno;
    if (hid_ == nullptr) {
        Status status = StatusFromErrno(error, "open", node);
        if (status.code() != StatusCode::IoError) return status;
        // hidapi also refuses nodes that do not answer as hidraw; its own text says so.
        return Status(StatusCode::IoError,
                      "cannot open " + node + ": " + WideToUtf8(hid_error(nullptr)), error);
    }
    hidNode_ = node;
    result.hidOpen = true;
    const int fd = SoleNewFd(before, OpenCharDeviceFds());
    result.hidHandle = fd >= 0 ? fd : HidrawNumber(node);
    return Status::Ok();
}

Status UsbCameraTransport::OpenBulk(libusb_device* device, const BulkInCandidate& candidate,
                                    CameraDiscovery& result) {
    usbNode_ = UsbNodePath(candidate.usb);
    const int openError = libusb_open(device, &usb_);
    if (openError != 0) {
        usb_ = nullptr;
        return StatusFromLibusb(openError, "open", usbNode_);
    }
    // Only this interface is claimed; a kernel driver bound to it steps aside while it is, and
    // the HID interface (and its hidraw node) stays with its driver.
    (void)libusb_set_auto_detach_kernel_driver(usb_, 1);
    const int claimError = libusb_claim_interface(usb_, candidate.interfaceNumber);
    if (claimError != 0) {
        return StatusFromLibusb(
            claimError, "claim interface " + std::to_string(candidate.interfaceNumber) + " of",
            usbNode_);
    }
    claimedInterface_ = candidate.interfaceNumber;
    bulkEndpoint_ = candidate.endpoint;
    result.blockIoOpen = true;
    result.blockIoHandle = candidate.usb.address;
    return Status::Ok();
}

Status UsbCameraTransport::HidFailure(int error, const std::string& action) {
    if (error == ENODEV || error == ESHUTDOWN || !HidrawStillPresent(hidNode_)) {
        return Status(StatusCode::Disconnected, "the camera left: " + hidNode_ + " is gone", error);
    }
    Status status = StatusFromErrno(error, action, hidNode_);
    if (error != 0) return status;
    return Status(StatusCode::IoError,
                  "cannot " + action + " " + hidNode_ + ": " + WideToUtf8(hid_error(hid_)));
}

Status UsbCameraTransport::WriteReport(std::span<const uint8_t> report) {
    if (hid_ == nullptr) {
        return Status(StatusCode::NotFound, "the camera's HID interface is not open");
    }
    if (report.empty()) return Status(StatusCode::InvalidArgument, "empty HID report");
    errno = 0;
    const int written = hid_write(hid_, report.data(), report.size());
    const int error = errno;
    if (written >= 0 && static_cast<size_t>(written) == report.size()) return Status::Ok();
    if (written >= 0) {
        return Status(StatusCode::ShortTransfer, "sent " + std::to_string(written) + " of " +
                                                     std::to_string(report.size()) +
                                                     " report bytes to " + hidNode_);
    }
    return HidFailure(error, "write to");
}

Status UsbCameraTransport::ReadReport(std::span<uint8_t> report, size_t& delivered, int timeoutMs) {
    delivered = 0;
    if (hid_ == nullptr) {
        return Status(StatusCode::NotFound, "the camera's HID interface is not open");
    }
    if (report.size() < 2) {
        return Status(StatusCode::InvalidArgument, "an input report needs room for its data");
    }
    const int waitMs = timeoutMs >= 0 ? timeoutMs : kDefaultReportTimeoutMs;
    errno = 0;
    const int got = hid_read_timeout(hid_, report.data() + 1, report.size() - 1, waitMs);
    const int error = errno;
    if (got == 0) {
        return Status(StatusCode::Timeout, "no input report from " + hidNode_ + " within " +
                                               std::to_string(waitMs) + " ms");
    }
    if (got < 0) return HidFailure(error, "read from");
    report[0] = kHidReportId;
    delivered = static_cast<size_t>(got) + 1;
    return Status::Ok();
}

Status UsbCameraTransport::ReadBulk(std::span<uint8_t> dest, size_t& delivered, int timeoutMs) {
    delivered = 0;
    if (usb_ == nullptr) {
        return Status(StatusCode::NotFound, "the camera's bulk interface is not open");
    }
    if (dest.empty() || dest.size() > static_cast<size_t>(INT_MAX)) {
        return Status(StatusCode::InvalidArgument,
                      "bulk read of " + std::to_string(dest.size()) + " bytes");
    }
    const int waitMs = std::max(timeoutMs, BulkTimeoutMs(dest.size()));
    int transferred = 0;
    // One request for exactly the expected length: asking for more would wait for the time
    // limit after the camera's last (short) packet.
    const int error = libusb_bulk_transfer(usb_, bulkEndpoint_, dest.data(),
                                           static_cast<int>(dest.size()), &transferred, waitMs);
    delivered = static_cast<size_t>(std::max(transferred, 0));
    if (error == 0 && delivered == dest.size()) return Status::Ok();
    const std::string amounts =
        std::to_string(delivered) + " of " + std::to_string(dest.size()) + " bytes";
    if (error == 0) {
        return Status(StatusCode::ShortTransfer, "received " + amounts + " from " + usbNode_);
    }
    return StatusFromLibusb(
        error, "read " + std::to_string(dest.size()) + " bytes (" + amounts + " arrived) from",
        usbNode_);
}

void UsbCameraTransport::Close() {
    if (hid_ != nullptr) {
        hid_close(hid_);
        hid_ = nullptr;
    }
    if (usb_ != nullptr) {
        if (claimedInterface_ >= 0) (void)libusb_release_interface(usb_, claimedInterface_);
        libusb_close(usb_);
        usb_ = nullptr;
    }
    claimedInterface_ = -1;
    if (usbContext_ != nullptr) {
        libusb_exit(usbContext_);
        usbContext_ = nullptr;
    }
    hidNode_.clear();
    usbNode_.clear();
}

}  // namespace vexa
