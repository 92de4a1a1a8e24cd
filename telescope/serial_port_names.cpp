#include "telescope/serial_port_names.h"

#include <optional>

namespace vexa {

namespace {

constexpr size_t kPortCount = 2;

std::optional<size_t> PortIndex(char portDigit) {
    if (portDigit < '1' || portDigit >= static_cast<char>('1' + kPortCount)) return std::nullopt;
    return static_cast<size_t>(portDigit - '1');
}

}  // namespace

std::string SerialPortName(char portDigit) {
    return std::string("COM") + portDigit;
}

std::string SerialSettingsText(char portDigit, int baudRate) {
    return SerialPortName(portDigit) + ":" + std::to_string(baudRate) + ",n,8,1";
}

std::string SerialPortPaths::Path(char portDigit) const {
    std::optional<size_t> index = PortIndex(portDigit);
    return index ? paths_[*index] : std::string();
}

bool SerialPortPaths::Set(char portDigit, std::string devicePath) {
    std::optional<size_t> index = PortIndex(portDigit);
    if (!index) return false;
    paths_[*index] = std::move(devicePath);
    return true;
}

}  // namespace vexa
