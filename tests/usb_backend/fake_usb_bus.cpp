#include "tests/usb_backend/fake_usb_bus.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>
// After sys/ioctl.h: it defines the request macros.
#include <linux/usbdevice_fs.h>

#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace vexa::test {

namespace {

constexpr uint8_t kHidInterruptIn = 0x81;
constexpr uint8_t kBulkIn = 0x82;
constexpr uint8_t kBulkOut = 0x02;
constexpr int kHidReportDescriptorBytes = 33;

void Put16(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xff));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutInterface(std::vector<uint8_t>& out, int number, uint8_t interfaceClass, int endpoints) {
    out.insert(out.end(), {9, LIBUSB_DT_INTERFACE, static_cast<uint8_t>(number), 0,
                           static_cast<uint8_t>(endpoints), interfaceClass, 0, 0, 0});
}

void PutEndpoint(std::vector<uint8_t>& out, uint8_t address, uint8_t type, int maxPacket,
                 uint8_t interval) {
    out.insert(out.end(), {7, LIBUSB_DT_ENDPOINT, address, type});
    Put16(out, maxPacket);
    out.push_back(interval);
}

// The device and configuration descriptors as sysfs shows them in "descriptors".
std::string DescriptorsHex(const FakeDevice& device) {
    std::vector<uint8_t> interfaces;
    int count = 0;
    if (device.hidraw >= 0) {
        PutInterface(interfaces, count++, LIBUSB_CLASS_HID, 1);
        interfaces.insert(interfaces.end(), {9, LIBUSB_DT_HID, 0x11, 0x01, 0, 1, LIBUSB_DT_REPORT,
                                             kHidReportDescriptorBytes, 0});
        PutEndpoint(interfaces, kHidInterruptIn, LIBUSB_TRANSFER_TYPE_INTERRUPT, 64, 10);
    }
    if (device.bulkIn) {
        PutInterface(interfaces, count++, LIBUSB_CLASS_VENDOR_SPEC, 2);
        PutEndpoint(interfaces, kBulkOut, LIBUSB_TRANSFER_TYPE_BULK, 512, 0);
        PutEndpoint(interfaces, kBulkIn, LIBUSB_TRANSFER_TYPE_BULK, 512, 0);
    }
    std::vector<uint8_t> all{18, LIBUSB_DT_DEVICE, 0x00, 0x02, 0, 0, 0, 64};
    Put16(all, device.id.vendorId);
    Put16(all, device.id.productId);
    all.insert(all.end(), {0x00, 0x01, 1, 2, 0, 1});
    all.insert(all.end(), {9, LIBUSB_DT_CONFIG});
    Put16(all, 9 + static_cast<int>(interfaces.size()));
    all.insert(all.end(), {static_cast<uint8_t>(count), 1, 0, 0x80, 50});
    all.insert(all.end(), interfaces.begin(), interfaces.end());
    std::string hex;
    char pair[3];
    for (const uint8_t byte : all) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

std::string Format(const char* format, int a, int b = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

uint8_t PatternByte(size_t position) {
    return static_cast<uint8_t>(position ^ (position >> 8) ^ (position >> 16));
}

struct FakeUsbBus::Device {
    FakeDevice described;
    std::string usbSyspath;
    std::string hidrawSyspath;
    std::string usbfsNode;
    std::string hidrawNode;
    int master = -1;
    UMockdevIoctlBase* usbHandler = nullptr;
    UMockdevIoctlBase* hidHandler = nullptr;

    std::mutex mutex;
    BulkMode mode = BulkMode::Deliver;
    size_t bytes = 0;
    bool gone = false;
    UMockdevIoctlData* stalled = nullptr;
    UMockdevIoctlData* held = nullptr;
    std::deque<UMockdevIoctlData*> reapable;
    std::vector<int> lengths;
    std::vector<uint8_t> endpoints;
    int claims = 0;
    int releases = 0;
};

namespace {

using Device = FakeUsbBus::Device;

void Complete(UMockdevIoctlClient* client, long result, int error = 0) {
    umockdev_ioctl_client_complete(client, result, error);
}

void SubmitUrb(Device& d, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    d.lengths.push_back(urb->buffer_length);
    d.endpoints.push_back(urb->endpoint);
    const size_t asked = static_cast<size_t>(std::max(urb->buffer_length, 0));
    const bool whole = d.mode == BulkMode::Deliver || d.mode == BulkMode::Hold;
    const size_t sent = whole ? asked : std::min(d.bytes, asked);
    if (sent > 0) {
        UMockdevIoctlData* buffer =
            umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer), asked, nullptr);
        for (size_t i = 0; i < sent; ++i) buffer->data[i] = PatternByte(i);
        g_object_unref(buffer);
    }
    urb->actual_length = static_cast<int>(sent);
    urb->status = 0;
    if (d.mode == BulkMode::Stall) {
        // Waits for the host to give up and discard it.
        d.stalled = urbData;
    } else if (d.mode == BulkMode::Hold) {
        d.held = urbData;
    } else {
        if (d.mode == BulkMode::Vanish) {
            urb->status = -ESHUTDOWN;
            d.gone = true;
        }
        d.reapable.push_back(urbData);
    }
    Complete(client, 0);
}

void ReapUrb(Device& d, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    if (d.reapable.empty()) {
        Complete(client, -1, d.gone ? ENODEV : EAGAIN);
        return;
    }
    UMockdevIoctlData* urbData = d.reapable.front();
    d.reapable.pop_front();
    UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, urbData);
    Complete(client, 0);
    g_object_unref(pointer);
    g_object_unref(urbData);
}

gboolean OnUsbIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    Device& d = *static_cast<Device*>(data);
    std::lock_guard lock(d.mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
        ReapUrb(d, client, arg);
        return TRUE;
    }
    if (d.gone) {
        Complete(client, -1, ENODEV);
        return TRUE;
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
            *reinterpret_cast<uint32_t*>(caps->data) =
                USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION |
                USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT |
                USBDEVFS_CAP_ZERO_PACKET;
            Complete(client, 0);
            g_object_unref(caps);
            return TRUE;
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM:
            ++d.claims;
            Complete(client, 0);
            return TRUE;
        case USBDEVFS_RELEASEINTERFACE:
            ++d.releases;
            Complete(client, 0);
            return TRUE;
        case USBDEVFS_IOCTL:
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
        case USBDEVFS_SETINTERFACE:
        case USBDEVFS_RESET:
            Complete(client, 0);
            return TRUE;
        case USBDEVFS_GETDRIVER:
            Complete(client, -1, ENODATA);
            return TRUE;
        case USBDEVFS_SUBMITURB:
            SubmitUrb(d, client, arg);
            return TRUE;
        case USBDEVFS_DISCARDURB:
            if (d.stalled == nullptr) {
                Complete(client, -1, EINVAL);
                return TRUE;
            }
            reinterpret_cast<usbdevfs_urb*>(d.stalled->data)->status = -ENOENT;
            d.reapable.push_back(d.stalled);
            d.stalled = nullptr;
            Complete(client, 0);
            return TRUE;
        default:
            Complete(client, -1, ENOTTY);
            return TRUE;
    }
}

gboolean OnHidIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer) {
    if (umockdev_ioctl_client_get_request(client) != HIDIOCGRDESCSIZE) {
        Complete(client, -1, ENOTTY);
        return TRUE;
    }
    UMockdevIoctlData* size =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(int), nullptr);
    *reinterpret_cast<int*>(size->data) = kHidReportDescriptorBytes;
    Complete(client, 0);
    g_object_unref(size);
    return TRUE;
}

UMockdevIoctlBase* NewHandler(GCallback onIoctl, Device* device) {
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", onIoctl, device);
    return handler;
}

void Attach(UMockdevTestbed* testbed, const std::string& node, UMockdevIoctlBase* handler) {
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed, node.c_str(), handler, &error)) {
        const std::string text = error ? error->message : node;
        g_clear_error(&error);
        throw std::runtime_error("cannot attach to " + text);
    }
}

}  // namespace

FakeUsbBus::FakeUsbBus() : testbed_(umockdev_testbed_new()) {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
}

FakeUsbBus::~FakeUsbBus() {
    g_object_unref(testbed_);
    for (auto& device : devices_) {
        if (device->master >= 0) ::close(device->master);
        if (device->stalled) g_object_unref(device->stalled);
        if (device->held) g_object_unref(device->held);
        for (UMockdevIoctlData* urb : device->reapable) g_object_unref(urb);
        if (device->usbHandler) g_object_unref(device->usbHandler);
        if (device->hidHandler) g_object_unref(device->hidHandler);
    }
}

int FakeUsbBus::Add(const FakeDevice& described) {
    auto device = std::make_unique<Device>();
    Device& d = *device;
    d.described = described;
    d.usbfsNode = Format("/dev/bus/usb/%03d/%03d", described.bus, described.address);
    d.usbSyspath = Format("/sys/devices/pci0000:00/usb%d/%d-", described.bus, described.bus) +
                   std::to_string(described.address);
    d.usbHandler = NewHandler(G_CALLBACK(OnUsbIoctl), &d);
    Attach(testbed_, d.usbfsNode, d.usbHandler);

    const std::string devpath = d.usbSyspath.substr(std::string("/sys").size());
    std::string record =
        "P: " + devpath + "\nN: " + d.usbfsNode.substr(5) +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: DEVNAME=" + d.usbfsNode +
        Format("\nE: BUSNUM=%03d\nE: DEVNUM=%03d\n", described.bus, described.address);
    record += Format("A: busnum=%d\\n\nA: devnum=%d\\n\n", described.bus, described.address);
    record += Format("A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n", described.id.vendorId,
                     described.id.productId);
    if (!described.manufacturer.empty())
        record += "A: manufacturer=" + described.manufacturer + "\\n\n";
    if (!described.product.empty()) record += "A: product=" + described.product + "\\n\n";
    record += "A: speed=480\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" +
              DescriptorsHex(described) + "\n\n";

    if (described.hidraw >= 0) {
        d.hidrawNode = "/dev/hidraw" + std::to_string(described.hidraw);
        d.hidHandler = NewHandler(G_CALLBACK(OnHidIoctl), &d);
        Attach(testbed_, d.hidrawNode, d.hidHandler);
        const std::string interfacePath = devpath + devpath.substr(devpath.rfind('/')) + ":1.0";
        const std::string hidPath =
            interfacePath +
            Format("/0003:%04X:%04X.", described.id.vendorId, described.id.productId) +
            Format("%04X", described.hidraw + 1);
        const std::string hidrawPath =
            hidPath + "/hidraw/hidraw" + std::to_string(described.hidraw);
        d.hidrawSyspath = "/sys" + hidrawPath;
        record += "P: " + interfacePath +
                  "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\\n\n"
                  "A: bInterfaceClass=03\\n\n\n";
        record += "P: " + hidPath + "\nE: SUBSYSTEM=hid\nE: HID_ID=0003:" +
                  Format("%08X:%08X", described.id.vendorId, described.id.productId) +
                  "\nE: HID_NAME=" + described.manufacturer + " " + described.product +
                  "\nE: HID_UNIQ=\n\n";
        record += "P: " + hidrawPath + "\nN: " + d.hidrawNode.substr(5) +
                  "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + d.hidrawNode + "\n\n";
    }

    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
        const std::string text = error ? error->message : record;
        g_clear_error(&error);
        throw std::runtime_error("cannot add device: " + text);
    }
    if (described.hidraw >= 0) {
        d.master = umockdev_testbed_get_dev_fd(testbed_, d.hidrawNode.c_str());
        if (d.master < 0) throw std::runtime_error("no pseudo-terminal for " + d.hidrawNode);
        // Reports are binary: no line discipline may touch or echo them.
        termios raw{};
        ::tcgetattr(d.master, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(d.master, TCSANOW, &raw);
        ::fcntl(d.master, F_SETFL, ::fcntl(d.master, F_GETFL) | O_NONBLOCK);
    }
    devices_.push_back(std::move(device));
    return static_cast<int>(devices_.size()) - 1;
}

std::vector<uint8_t> FakeUsbBus::TakeHidOutput(int device) {
    std::vector<uint8_t> out;
    const int master = devices_.at(device)->master;
    uint8_t chunk[256];
    ssize_t got = 0;
    while (master >= 0 && (got = ::read(master, chunk, sizeof chunk)) > 0) {
        out.insert(out.end(), chunk, chunk + got);
    }
    return out;
}

void FakeUsbBus::SendHidInput(int device, const std::vector<uint8_t>& report) {
    const ssize_t written = ::write(devices_.at(device)->master, report.data(), report.size());
    if (written != static_cast<ssize_t>(report.size())) throw std::runtime_error("input report");
}

void FakeUsbBus::SetBulk(int device, BulkMode mode, size_t bytes) {
    Device& d = *devices_.at(device);
    std::lock_guard lock(d.mutex);
    d.mode = mode;
    d.bytes = bytes;
}

bool FakeUsbBus::BulkHeld(int device) {
    Device& d = *devices_.at(device);
    std::lock_guard lock(d.mutex);
    return d.held != nullptr;
}

void FakeUsbBus::ReleaseBulk(int device) {
    Device& d = *devices_.at(device);
    std::lock_guard lock(d.mutex);
    if (d.held == nullptr) return;
    d.reapable.push_back(d.held);
    d.held = nullptr;
}

std::vector<int> FakeUsbBus::BulkRequestLengths(int device) {
    Device& d = *devices_.at(device);
    std::lock_guard lock(d.mutex);
    return d.lengths;
}

std::vector<uint8_t> FakeUsbBus::BulkRequestEndpoints(int device) {
    Device& d = *devices_.at(device);
    std::lock_guard lock(d.mutex);
    return d.endpoints;
}

int FakeUsbBus::ClaimCount(int device) {
    Device& d = *devices_.at(device);
    std::lock_guard lock(d.mutex);
    return d.claims;
}

int FakeUsbBus::ReleaseCount(int device) {
    Device& d = *devices_.at(device);
    std::lock_guard lock(d.mutex);
    return d.releases;
}

FakeUsbBus::OpenCount FakeUsbBus::OpenDescriptors(int device) const {
    const Device& d = *devices_.at(device);
    const std::string usbfsFile = root_ + d.usbfsNode;
    const std::string terminal = d.hidrawNode.empty() ? "" : TerminalOf(device);
    OpenCount count;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) throw std::runtime_error("cannot list /proc/self/fd");
    while (const dirent* entry = ::readdir(dir)) {
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        if (length <= 0) continue;
        const std::string opened(target, static_cast<size_t>(length));
        count.usbfs += opened == usbfsFile;
        count.hidraw += !terminal.empty() && opened == terminal;
    }
    ::closedir(dir);
    return count;
}

std::string FakeUsbBus::TerminalOf(int device) const {
    const std::string link = root_ + devices_.at(device)->hidrawNode;
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0) throw std::runtime_error("no pseudo-terminal behind " + link);
    return std::string(target, static_cast<size_t>(length));
}

void FakeUsbBus::LockHidraw(int device) {
    const std::string terminal = TerminalOf(device);
    if (::chmod(terminal.c_str(), 0) != 0) throw std::runtime_error("cannot lock " + terminal);
}

void FakeUsbBus::LockUsbfs(int device) {
    const std::string node = root_ + devices_.at(device)->usbfsNode;
    if (::chmod(node.c_str(), 0) != 0) throw std::runtime_error("cannot lock " + node);
}

void FakeUsbBus::Unplug(int device) {
    Device& d = *devices_.at(device);
    {
        std::lock_guard lock(d.mutex);
        d.gone = true;
    }
    if (!d.hidrawSyspath.empty()) umockdev_testbed_remove_device(testbed_, d.hidrawSyspath.c_str());
    umockdev_testbed_remove_device(testbed_, d.usbSyspath.c_str());
    if (d.master >= 0) {
        ::close(d.master);
        d.master = -1;
    }
}

ScopedNoDacOverride::ScopedNoDacOverride() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0) return;
    savedEffective_ = data[0].effective;
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ok_ = ::syscall(SYS_capset, &header, data) == 0;
}

ScopedNoDacOverride::~ScopedNoDacOverride() {
    if (!ok_) return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0) return;
    data[0].effective = savedEffective_;
    (void)::syscall(SYS_capset, &header, data);
}

}  // namespace vexa::test
