// What a front end holds for the mount: how its line is made (the device each port name stands
// for, the line object, perhaps logged or serving the simulated mount), the line once open, the
// connection a telescope command makes once for the run by the telescope type's rules (LX200 at
// 9600 baud, the control box at 300), and the guide pulses of the current telescope type.
#pragma once

#include <cstdint>
#include <memory>

#include "session/status.h"
#include "telescope/guide_pulse.h"
#include "telescope/guide_pulses.h"
#include "telescope/serial_line.h"
#include "telescope/serial_port_names.h"

namespace vexa {

class MountLink {
  public:
    // maker makes the line object for each open; without one no line opens.
    explicit MountLink(SerialLineMaker maker, SerialPortPaths ports = {});
    // Closes the line.
    ~MountLink();
    MountLink(const MountLink&) = delete;
    MountLink& operator=(const MountLink&) = delete;

    SerialPortPaths& Ports() { return ports_; }
    const SerialPortPaths& Ports() const { return ports_; }

    // "COM" + the settings' port digit: open, raise the modem lines (skipped where the line has
    // none), line settings ":9600,n,8,1". False when the device cannot be opened as a serial
    // line; LastFailure says why. A line open before is let go first.
    bool OpenLx200Line();
    // The same at ":300,n,8,1".
    bool OpenControlBoxLine();
    // The line for the telescope type: the control box's for the control box, else the LX200
    // line. A failed open sets the type to None and shows "Sorry. No Connection to Telescope".
    bool OpenForTelescopeType();
    // What a telescope command does before its work: when not yet connected, reload the
    // settings (message 27 when the file cannot be read, after which the settings in force are
    // written back) and open the line for the telescope type. Once connected, true at once.
    bool Connect();
    // Closes the line and ends any move or focus run, so that the next telescope command
    // connects again.
    void Close();

    // Connected while a line is open: from a successful open until Close.
    bool Connected() const { return line_.IsOpen(); }
    // The open port's digit (1 or 2); negative while none is open.
    int16_t PortId() const { return portId_; }
    // Why the last open failed (Ok after a successful one).
    const Status& LastFailure() const { return lastFailure_; }

    // The line the command sequences run on: the open line, or, while none is, a line that is not
    // open (a sequence on it sends nothing and finds no connection). Closing it, as a sequence
    // does when the line went away, closes the link.
    SerialLine& Line() { return line_; }
    // The guide pulses of the telescope type the settings hold now: the control box's for the
    // control box, else the LX200 mount's.
    GuidePulses& Pulses();

  private:
    // Forwards to the device line while one is open.
    class LinkLine final : public SerialLine {
      public:
        explicit LinkLine(MountLink& link) : link_(link) {}
        void Take(std::unique_ptr<SerialLine> device) { device_ = std::move(device); }
        // Forgets the device line; closed first when close is set.
        void Drop(bool close);

        Status Open(const std::string& devicePath) override;
        bool IsOpen() const override { return device_ != nullptr; }
        Status ApplySettings(const std::string& settings) override;
        Status Write(std::span<const uint8_t> bytes) override;
        Status Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) override;
        Status ReadWhatArrives(std::span<uint8_t> buffer, size_t& got, int waitMs) override;
        Status Flush(SerialQueue queue) override;
        Status RaiseModemLines() override;
        void Close() override { link_.Close(); }

      private:
        MountLink& link_;
        std::unique_ptr<SerialLine> device_;
    };

    bool OpenLine(int baudRate);
    void Fail(Status status);

    SerialLineMaker maker_;
    SerialPortPaths ports_;
    LinkLine line_{*this};
    int16_t portId_ = -1;
    Status lastFailure_;
    Lx200GuidePulses lx200Pulses_{line_};
    ControlBoxGuidePulses boxPulses_{line_};
};

// What the settings file gives a telescope command before it connects: reloaded, and when it
// cannot be read, message 27 and the settings in force written back.
void ReloadSettingsForTelescope();
// Connects through the front end's link. Without one the command finds no line, as when the
// open fails: the settings are reloaded, the type becomes None and "Sorry. No Connection to
// Telescope" is shown.
bool ConnectTelescope(MountLink* link);

}  // namespace vexa
