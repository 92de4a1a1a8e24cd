// Line settings read from the text form "COM1:9600,n,8,1": port name, baud rate, parity, data
// bits and stop bits. Shared by every serial line so that they all accept the same texts.
#pragma once

#include <string>
#include <string_view>

#include "session/status.h"

namespace vexa {

struct SerialSettings {
    std::string portName;  // the text before the colon; empty when there is none
    int baudRate = 9600;
    char parity = 'n';  // 'n' none, 'e' even, 'o' odd, 'm' mark, 's' space
    int dataBits = 8;   // 5 to 8
    int stopBits = 1;   // 1 or 2
};

// "[NAME:]BAUD,PARITY,DATA,STOP" with an optional port name, spaces allowed around each field
// and parity in either case. InvalidArgument, naming the faulty field, on anything else.
Status ParseSerialSettings(std::string_view text, SerialSettings& settings);

}  // namespace vexa
