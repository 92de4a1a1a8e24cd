// The window's link to the mount for its whole run: COM1 and COM2 pointed where --com1 and
// --com2 say, the terminal backend, the serial log of --serial-log, the INDI client for the
// INDI type (the server of --indi for the run, else the INDI settings file's), and with
// --simulator the simulated mount on its own pseudo-terminal, serviced by every line, moving
// the simulated sky and, with --mount-link, offered to another program. Ends the link before
// the mount goes.
#pragma once

#include <memory>
#include <string>

#include "session/status.h"
#include "telescope/serial_line_options.h"

namespace vexa {

class MountLink;
class SimulatedMount;
class SimulatedMountLink;

class WindowSerialLines {
  public:
    WindowSerialLines(const SerialLineOptions& options, bool simulator);
    ~WindowSerialLines();
    WindowSerialLines(const WindowSerialLines&) = delete;
    WindowSerialLines& operator=(const WindowSerialLines&) = delete;

    // Ok, or why the log, the simulated mount or its --mount-link could not be set up (the
    // lines work without).
    const Status& SetupStatus() const { return status_; }
    SimulatedMount* Mount() const { return mount_.get(); }
    // What the window's telescope and guiding commands connect through.
    MountLink& Link() { return *link_; }
    const MountLink& Link() const { return *link_; }

  private:
    std::unique_ptr<SimulatedMount> mount_;
    std::unique_ptr<SimulatedMountLink> served_;  // goes before the mount it serves
    std::unique_ptr<MountLink> link_;
    Status status_;
};

// The device a port stands for as the settings dialog names it: "simulated mount" for a port
// that the window's simulated mount serves, else the device path the port opens (the default
// device while no window lines stand).
std::string SerialPortShownName(char portDigit);

}  // namespace vexa
