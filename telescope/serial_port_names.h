// The port names "COM1" and "COM2" and the device paths they stand for: /dev/ttyUSB0 and
// /dev/ttyUSB1 unless the command line (--com1, --com2, --simulator) names other devices.
#pragma once

#include <array>
#include <string>

namespace vexa {

constexpr char kDefaultCom1Path[] = "/dev/ttyUSB0";
constexpr char kDefaultCom2Path[] = "/dev/ttyUSB1";

// "COM" followed by the port digit.
std::string SerialPortName(char portDigit);
// The line settings text for a port: "COM1:9600,n,8,1" for digit '1' at 9600 baud. The
// program always runs its lines with no parity, 8 data bits and 1 stop bit.
std::string SerialSettingsText(char portDigit, int baudRate);

// The devices a front end's two ports stand for; a new table holds the defaults.
class SerialPortPaths {
  public:
    // The device path for port digit '1' or '2'; empty for any other digit, which no line opens.
    std::string Path(char portDigit) const;
    // Point port digit '1' or '2' at another device; false (nothing changed) for another digit.
    bool Set(char portDigit, std::string devicePath);

  private:
    std::array<std::string, 2> paths_{kDefaultCom1Path, kDefaultCom2Path};
};

}  // namespace vexa
