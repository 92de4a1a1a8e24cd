#include "telescope/serial_port_names.h"

#include <array>
#include <optional>

namespace vexa {

namespace {

constexpr size_t kPortCount = 2;

std::array<std::string, kPortCount>& PortPaths() {
    static std::array<std::string, kPortCount> paths = {kDefaultCom1Path, kDefaultCom2Path};
    return paths;
}

std::optional<size_t> PortIndex(char portDigit) {
    if (portDigit < '1' || portDigit >= static_cast<char>('1' + kPortCount)) return std::nullopt;
    return static_cast<size_t>(portDigit - '1');
}

}  // namespace

std::string SerialPortName(char portDigit) {
    return std::string("COM") + portDigit;
}

std::string SerialPortPath(char portDigit) {
    std::optional<size_t> index = PortIndex(portDigit);
    return index ? PortPaths()[*index] : std::string();
}

bool SetSerialPortPath(char portDigit, std::string devicePath) {
    std::optional<size_t> index = PortIndex(portDigit);
    if (!index) return false;
    PortPaths()[*index] = std::move(devicePath);
    return true;
}

void ResetSerialPortPaths() {
    PortPaths() = {kDefaultCom1Path, kDefaultCom2Path};
}

std::string SerialSettingsText(char portDigit, int baudRate) {
    return SerialPortName(portDigit) + ":" + std::to_string(baudRate) + ",n,8,1";
}

}  // namespace vexa
