// The serial lines of the command-line companion: the global --com1, --com2 and --serial-log
// options, and the line the telescope link opens (the terminal backend, serviced by an
// in-process simulated mount when there is one, logged when asked).
#pragma once

#include "telescope/serial_line_options.h"

namespace vexa {
class SimulatedMount;
}

namespace vexa::cli {

// Keeps the options for the command and points COM1 and COM2 at their devices (the defaults
// for the ports the options leave alone).
void SetCliSerialOptions(const SerialLineOptions& options);
const SerialLineOptions& CliSerialOptions();
// Installs the line maker for the telescope link; mount, when given, is serviced by every
// line and must outlive its use.
void InstallCliSerialLines(SimulatedMount* mount = nullptr);

}  // namespace vexa::cli
