// What a front end holds for the mount: how its line is made (the device each port name stands
// for, the line object, perhaps logged or serving the simulated mount), the line once open, the
// mount on an INDI server when the front end can reach one, the connection a telescope command
// makes once for the run by the telescope type's rules (LX200 at 9600 baud, the control box at
// 300, the INDI server of the INDI settings file or of the command line), and the operations
// and guide pulses of the current telescope type.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "session/indi_settings.h"
#include "session/status.h"
#include "session/telescope_type.h"
#include "telescope/guide_pulse.h"
#include "telescope/guide_pulses.h"
#include "telescope/mount_operations.h"
#include "telescope/remote_mount.h"
#include "telescope/serial_line.h"
#include "telescope/serial_port_names.h"

namespace vexa {

class MountLink {
  public:
    // maker makes the line object for each open; without one no line opens. remote makes the
    // INDI mount; without one the INDI type finds no connection.
    explicit MountLink(SerialLineMaker maker, SerialPortPaths ports = {},
                       RemoteMountMaker remote = nullptr);
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
    // The INDI server of this run (UseIndiForRun), else of the INDI settings file: the mount
    // device found and connected. False when it cannot be; LastFailure says why.
    bool OpenIndi();
    // The line for the telescope type: the control box's for the control box, the INDI mount
    // for INDI, else the LX200 line. A failed open sets the type to None and shows "Sorry. No
    // Connection to Telescope" (with the reason for an INDI server).
    bool OpenForTelescopeType();
    // What a telescope command does before its work: when not yet connected, reload the
    // settings (message 27 when the file cannot be read, after which the settings in force are
    // written back) and open the line for the telescope type. Once connected, true at once;
    // unless the INDI settings file names another server than the one connected (the settings
    // dialog saved a new one), which is then connected instead.
    bool Connect();
    // Closes the line and ends any move or focus run, so that the next telescope command
    // connects again.
    void Close();

    // The telescope is the INDI mount of server for this run (the command line's --indi),
    // whatever the settings say; the settings file is not changed.
    void UseIndiForRun(const IndiServer& server);
    bool IndiForRun() const { return indiForRun_.has_value(); }
    // The telescope type in force: INDI for a run given a server, else the settings'.
    TelescopeType Type() const;

    // Connected while the type's connection stands: a line open (from a successful open until
    // Close), or for INDI the server's mount connected.
    bool Connected() const;
    // The open port's digit (1 or 2); negative while none is open.
    int16_t PortId() const { return portId_; }
    // Why the last open failed (Ok after a successful one).
    const Status& LastFailure() const { return lastFailure_; }

    // The line the command sequences run on: the open line, or, while none is, a line that is not
    // open (a sequence on it sends nothing and finds no connection). Closing it, as a sequence
    // does when the line went away, closes the link.
    SerialLine& Line() { return line_; }
    // The guide pulses of the telescope type in force: the control box's for the control box,
    // the INDI mount's for INDI, else the LX200 mount's.
    GuidePulses& Pulses();
    // The dialogs' operations of the type in force: the INDI mount's for INDI, else the LX200
    // sequences on Line().
    MountOperations& Operations();
    // The INDI mount, once one was made.
    RemoteMount* Remote() const { return remote_.get(); }

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
    bool IndiServerChanged() const;
    void Fail(Status status);

    SerialLineMaker maker_;
    SerialPortPaths ports_;
    LinkLine line_{*this};
    int16_t portId_ = -1;
    Status lastFailure_;
    Lx200GuidePulses lx200Pulses_{line_};
    ControlBoxGuidePulses boxPulses_{line_};
    Lx200Operations lx200Operations_{line_};
    RemoteMountMaker remoteMaker_;
    std::unique_ptr<RemoteMount> remote_;
    std::optional<IndiServer> indiForRun_;
    IndiServer indiInUse_;  // the server of the last successful OpenIndi
};

// The telescope type in force for a front end's link (the settings' when there is none).
TelescopeType TelescopeTypeOf(const MountLink* link);

// What the settings file gives a telescope command before it connects: reloaded, and when it
// cannot be read, message 27 and the settings in force written back.
void ReloadSettingsForTelescope();
// Connects through the front end's link. Without one the command finds no line, as when the
// open fails: the settings are reloaded, the type becomes None and "Sorry. No Connection to
// Telescope" is shown.
bool ConnectTelescope(MountLink* link);

}  // namespace vexa
