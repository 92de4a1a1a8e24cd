// The mount options both programs take: --com1 PATH and --com2 PATH name the devices the port
// names stand for, --serial-log FILE records every operation on the line, --indi
// HOST[:PORT][/DEVICE] steers the mount of an INDI server instead, and --mount-link PATH offers
// the simulated mount to another program on a link to its pseudo-terminal.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session/indi_settings.h"
#include "session/status.h"
#include "telescope/serial_line.h"
#include "telescope/serial_port_names.h"

namespace vexa {

struct SerialLineOptions {
    std::string com1Path;
    std::string com2Path;
    std::string serialLogPath;
    std::optional<IndiServer> indi;  // --indi: the telescope is this server's mount
    std::string mountLinkPath;       // --mount-link
};

// When args[i] is one of the options ("--com1 PATH" or "--com1=PATH", likewise the others),
// takes it and its value (i moves to the value) and returns true; error names a missing or
// empty value, or an --indi target that cannot be read. False, error empty, for any other
// argument.
bool TakeSerialLineOption(const std::vector<std::string>& args, size_t& i,
                          SerialLineOptions& options, std::string& error);
// Points COM1 and COM2 of ports at the paths given (the others keep their devices).
void ApplySerialPortOptions(const SerialLineOptions& options, SerialPortPaths& ports);
// Ok when the log file can be opened for appending, else why not.
Status CheckSerialLogPath(const std::string& path);
// Every line that lines makes, wrapped in the serial log writing to path.
SerialLineMaker WithSerialLog(SerialLineMaker lines, std::string path);

// "--com1 PATH  --com2 PATH  --serial-log FILE" with one line each on what they do.
constexpr const char* kSerialLineOptionsHelp =
    "  --com1 PATH        the device COM1 stands for (default /dev/ttyUSB0)\n"
    "  --com2 PATH        the device COM2 stands for (default /dev/ttyUSB1)\n"
    "  --serial-log FILE  append one line per serial-line operation to FILE\n"
    "  --indi HOST[:PORT][/DEVICE]\n"
    "                     the telescope is the mount DEVICE (default the first telescope)\n"
    "                     of the INDI server at HOST, port PORT (default 7624)\n"
    "  --mount-link PATH  with --simulator: also offer the simulated mount to another\n"
    "                     program (an INDI LX200 driver) on a link at PATH\n";

}  // namespace vexa
