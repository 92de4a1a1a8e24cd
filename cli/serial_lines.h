// The mount of the command-line companion: the global --com1, --com2, --serial-log, --indi,
// --mount-link and --simulator options, and the link to the mount a command builds from them
// (the terminal backend, serviced by an in-process simulated mount when there is one, logged
// when asked; the INDI server's mount for --indi).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "session/status.h"
#include "telescope/serial_line_options.h"

namespace vexa {
class MountLink;
class SimulatedMount;
class SimulatedMountLink;
}  // namespace vexa

namespace vexa::cli {

// Keeps the options for the command.
void SetCliSerialOptions(const SerialLineOptions& options);
const SerialLineOptions& CliSerialOptions();
// --indi and --mount-link given after a command's name (scope, guide), as before it: true when
// args[i] is one of them (taken into the options, i on its last word); problem says what is
// wrong with its value.
bool TakeCommandMountOption(const std::vector<std::string>& args, size_t& i, std::string& problem);
// The help lines of those two options, as the global options' help has them.
std::string CommandMountOptionsHelp();
// The global --simulator: the simulated camera and mount for every command that has them.
void SetCliSimulator(bool simulator);
bool CliSimulator();
// What --mount-link asks of a command that runs the simulated mount: served at the path while
// the command runs (nothing without the option). Refused with the reason: the path taken by
// something else than a symbolic link, or no --simulator.
std::unique_ptr<SimulatedMountLink> ServeMountLink(SimulatedMount& mount, Status& status);
// The link to the mount for one command: COM1 and COM2 where the options point them, or both on
// mount's terminal when a simulated mount is given, which then services every line and must
// outlive the link; the INDI server's mount for the run with --indi. deviceLines makes the
// device lines; the terminal backend when null.
std::unique_ptr<MountLink> MakeCliMountLink(SimulatedMount* mount = nullptr,
                                            SerialLineMaker deviceLines = nullptr);

}  // namespace vexa::cli
