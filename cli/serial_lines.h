// The serial lines of the command-line companion: the global --com1, --com2 and --serial-log
// options, and the link to the mount a command builds from them (the terminal backend,
// serviced by an in-process simulated mount when there is one, logged when asked).
#pragma once

#include <memory>

#include "telescope/serial_line_options.h"

namespace vexa {
class MountLink;
class SimulatedMount;
}  // namespace vexa

namespace vexa::cli {

// Keeps the options for the command.
void SetCliSerialOptions(const SerialLineOptions& options);
const SerialLineOptions& CliSerialOptions();
// The link to the mount for one command: COM1 and COM2 where the options point them, or both on
// mount's terminal when a simulated mount is given, which then services every line and must
// outlive the link. deviceLines makes the device lines; the terminal backend when null.
std::unique_ptr<MountLink> MakeCliMountLink(SimulatedMount* mount = nullptr,
                                            SerialLineMaker deviceLines = nullptr);

}  // namespace vexa::cli
