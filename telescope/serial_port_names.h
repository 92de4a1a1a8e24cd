// The port names "COM1" and "COM2" and the device paths they stand for: /dev/ttyUSB0 and
// /dev/ttyUSB1 unless the command line (--com1, --com2, --simulator) names other devices.
#pragma once

#include <string>

namespace vexa {

constexpr char kDefaultCom1Path[] = "/dev/ttyUSB0";
constexpr char kDefaultCom2Path[] = "/dev/ttyUSB1";

// "COM" followed by the port digit.
std::string SerialPortName(char portDigit);
// The device path for port digit '1' or '2'; empty for any other digit, which no line opens.
std::string SerialPortPath(char portDigit);
// Point port digit '1' or '2' at another device; false (nothing changed) for another digit.
bool SetSerialPortPath(char portDigit, std::string devicePath);
// Both ports back to their default devices.
void ResetSerialPortPaths();
// The line settings text for a port: "COM1:9600,n,8,1" for digit '1' at 9600 baud. The
// program always runs its lines with no parity, 8 data bits and 1 stop bit.
std::string SerialSettingsText(char portDigit, int baudRate);

}  // namespace vexa
