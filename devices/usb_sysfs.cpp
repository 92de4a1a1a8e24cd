#include "devices/usb_sysfs.h"

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>

namespace vexa {

namespace {

constexpr const char* kUsbDevicesDir = "/sys/bus/usb/devices";
constexpr const char* kHidrawClassDir = "/sys/class/hidraw";

// One line of a sysfs attribute, without its newline; none when it cannot be read.
std::optional<std::string> ReadAttribute(const std::string& dir, const char* name) {
    std::ifstream in(dir + "/" + name);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

std::optional<int> ReadNumber(const std::string& dir, const char* name) {
    const auto text = ReadAttribute(dir, name);
    if (!text || text->empty()) return std::nullopt;
    char* end = nullptr;
    const long value = std::strtol(text->c_str(), &end, 10);
    if (*end != '\0' || value < 0 || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

// A USB device's folder holds its bus number and address; its interfaces' folders do not.
std::optional<UsbAddress> AddressOfDeviceDir(const std::string& dir) {
    const auto bus = ReadNumber(dir, "busnum");
    const auto address = ReadNumber(dir, "devnum");
    if (!bus || !address) return std::nullopt;
    return UsbAddress{*bus, *address};
}

std::string NodeName(const std::string& node) {
    const size_t slash = node.rfind('/');
    return slash == std::string::npos ? node : node.substr(slash + 1);
}

}  // namespace

UsbDeviceStrings ReadUsbDeviceStrings(UsbAddress usb) {
    DIR* dir = ::opendir(kUsbDevicesDir);
    if (dir == nullptr) return {};
    UsbDeviceStrings strings;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        // Interfaces are named bus-port:config.interface; devices carry no colon.
        if (name.empty() || name[0] == '.' || name.find(':') != std::string::npos) continue;
        const std::string deviceDir = std::string(kUsbDevicesDir) + "/" + name;
        if (AddressOfDeviceDir(deviceDir) != usb) continue;
        strings.manufacturer = ReadAttribute(deviceDir, "manufacturer").value_or("");
        strings.product = ReadAttribute(deviceDir, "product").value_or("");
        break;
    }
    ::closedir(dir);
    return strings;
}

std::optional<UsbAddress> UsbAddressOfHidraw(const std::string& node) {
    // The class entry links to the node's place in the device tree: walking up from there
    // passes the HID device and the USB interface and reaches the USB device.
    const std::string classEntry = std::string(kHidrawClassDir) + "/" + NodeName(node);
    char resolved[PATH_MAX];
    if (::realpath(classEntry.c_str(), resolved) == nullptr) return std::nullopt;
    std::string dir = resolved;
    for (size_t slash = dir.rfind('/'); slash != std::string::npos && slash > 0;
         slash = dir.rfind('/')) {
        dir.resize(slash);
        if (const auto usb = AddressOfDeviceDir(dir)) return usb;
    }
    return std::nullopt;
}

bool HidrawStillPresent(const std::string& node) {
    const std::string classEntry = std::string(kHidrawClassDir) + "/" + NodeName(node);
    return ::access(classEntry.c_str(), F_OK) == 0;
}

}  // namespace vexa
