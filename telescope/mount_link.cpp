#include "telescope/mount_link.h"

#include <utility>

#include "session/indi_settings.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

namespace {

Status NotConnected() {
    return Status(StatusCode::NotFound, "the telescope is not connected");
}

Status NoSerialLines() {
    return Status(StatusCode::Unsupported, "this program has no serial lines");
}

Status NoIndiClient() {
    return Status(StatusCode::Unsupported, "this program has no INDI client");
}

void ShowNoTelescope() {
    Session().settings.telescopeType = TelescopeType::None;
    ShowMessage(MessageCode::NoTelescope);
}

// What a mount that is not there answers: nothing connected.
class AbsentMount final : public MountOperations, public GuidePulses {
  public:
    Status CatalogueGoto(std::string_view, int, GotoAnswer*) override { return NotConnected(); }
    Status CoordinateGoto(const Coordinates&, GotoAnswer*) override { return NotConnected(); }
    Status ReadScopeInfo() override { return NotConnected(); }
    Status StartMove(char) override { return NotConnected(); }
    Status StopMove() override { return NotConnected(); }
    Status StartFocus(bool) override { return NotConnected(); }
    Status StopFocus() override { return NotConnected(); }
    Status Pulse(char, uint32_t) override { return NotConnected(); }
};

AbsentMount& Absent() {
    static AbsentMount absent;
    return absent;
}

}  // namespace

// ---- the link's line ----

void MountLink::LinkLine::Drop(bool close) {
    if (close && device_) device_->Close();
    device_.reset();
}

Status MountLink::LinkLine::Open(const std::string& devicePath) {
    return device_ ? device_->Open(devicePath) : NotConnected();
}

Status MountLink::LinkLine::ApplySettings(const std::string& settings) {
    return device_ ? device_->ApplySettings(settings) : NotConnected();
}

Status MountLink::LinkLine::Write(std::span<const uint8_t> bytes) {
    return device_ ? device_->Write(bytes) : NotConnected();
}

Status MountLink::LinkLine::Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) {
    got = 0;
    return device_ ? device_->Read(buffer, got, timeoutMs) : NotConnected();
}

Status MountLink::LinkLine::ReadWhatArrives(std::span<uint8_t> buffer, size_t& got, int waitMs) {
    got = 0;
    return device_ ? device_->ReadWhatArrives(buffer, got, waitMs) : NotConnected();
}

Status MountLink::LinkLine::Flush(SerialQueue queue) {
    return device_ ? device_->Flush(queue) : NotConnected();
}

Status MountLink::LinkLine::RaiseModemLines() {
    return device_ ? device_->RaiseModemLines() : NotConnected();
}

// ---- the link ----

MountLink::MountLink(SerialLineMaker maker, SerialPortPaths ports, RemoteMountMaker remote)
    : maker_(std::move(maker)), ports_(std::move(ports)), remoteMaker_(std::move(remote)) {}

MountLink::~MountLink() {
    Close();
}

void MountLink::Fail(Status status) {
    lastFailure_ = std::move(status);
}

bool MountLink::OpenLine(int baudRate) {
    line_.Drop(false);
    portId_ = -1;
    const char digit = Session().commPort;
    const std::string path = ports_.Path(digit);
    if (path.empty()) {
        Fail(Status(StatusCode::NotFound, "no serial port COM" + std::string(1, digit)));
        return false;
    }
    std::unique_ptr<SerialLine> line = maker_ ? maker_() : nullptr;
    if (!line) {
        Fail(NoSerialLines());
        return false;
    }
    if (Status opened = line->Open(path); !opened.ok()) {
        Fail(Status(opened.code(), path + ": " + opened.text(), opened.systemError()));
        return false;
    }
    // The modem lines are raised where the line has them; a pseudo-terminal has none.
    (void)line->RaiseModemLines();
    if (Status set = line->ApplySettings(SerialSettingsText(digit, baudRate)); !set.ok()) {
        line->Close();
        Fail(Status(set.code(), path + ": " + set.text(), set.systemError()));
        return false;
    }
    line_.Take(std::move(line));
    lastFailure_ = Status::Ok();
    portId_ = static_cast<int16_t>(digit - '0');
    return true;
}

bool MountLink::OpenLx200Line() {
    return OpenLine(kLx200BaudRate);
}

bool MountLink::OpenControlBoxLine() {
    return OpenLine(kControlBoxBaudRate);
}

bool MountLink::OpenIndi() {
    IndiServer server;
    if (indiForRun_) {
        server = *indiForRun_;
    } else if (!LoadIndiSettings(server)) {
        Fail(Status(StatusCode::InvalidArgument,
                    std::string("the INDI settings file cannot be read: ") + kIndiSettingsPath));
        return false;
    }
    if (!remote_ && remoteMaker_) remote_ = remoteMaker_();
    if (!remote_) {
        Fail(NoIndiClient());
        return false;
    }
    if (Status connected = remote_->Connect(server); !connected.ok()) {
        Fail(std::move(connected));
        return false;
    }
    indiInUse_ = server;
    lastFailure_ = Status::Ok();
    return true;
}

bool MountLink::IndiServerChanged() const {
    if (Type() != TelescopeType::Indi || indiForRun_) return false;
    IndiServer saved;
    return LoadIndiSettings(saved) && saved != indiInUse_;
}

bool MountLink::OpenForTelescopeType() {
    switch (Type()) {
        case TelescopeType::ControlBox:
            if (OpenControlBoxLine()) return true;
            break;
        case TelescopeType::Indi:
            if (OpenIndi()) return true;
            // The reason matters here: the server, the device or the network.
            if (!indiForRun_) Session().settings.telescopeType = TelescopeType::None;
            ShowMessageWithReason(MessageCode::NoTelescope, lastFailure_.text());
            return false;
        default:
            if (OpenLx200Line()) return true;
            break;
    }
    ShowNoTelescope();
    return false;
}

bool MountLink::Connect() {
    if (Connected() && !IndiServerChanged()) return true;
    ReloadSettingsForTelescope();
    return OpenForTelescopeType();
}

void MountLink::UseIndiForRun(const IndiServer& server) {
    indiForRun_ = server;
}

TelescopeType MountLink::Type() const {
    return indiForRun_ ? TelescopeType::Indi : Session().settings.telescopeType;
}

bool MountLink::Connected() const {
    if (Type() == TelescopeType::Indi) return remote_ && remote_->Connected();
    return line_.IsOpen();
}

void MountLink::Close() {
    line_.Drop(true);
    if (remote_) remote_->Close();
    portId_ = -1;
    TelescopeState& t = Session().telescope;
    t.moving = false;
    t.focusing = false;
}

GuidePulses& MountLink::Pulses() {
    switch (Type()) {
        case TelescopeType::ControlBox:
            return boxPulses_;
        case TelescopeType::Indi:
            return remote_ ? static_cast<GuidePulses&>(*remote_) : Absent();
        default:
            return lx200Pulses_;
    }
}

MountOperations& MountLink::Operations() {
    if (Type() != TelescopeType::Indi) return lx200Operations_;
    return remote_ ? static_cast<MountOperations&>(*remote_) : Absent();
}

TelescopeType TelescopeTypeOf(const MountLink* link) {
    return link ? link->Type() : Session().settings.telescopeType;
}

void ReloadSettingsForTelescope() {
    if (LoadSettings() != 0) {
        ShowMessage(MessageCode::TelescopeSettingsLoadFailed);
        (void)SaveSettings();
    }
}

bool ConnectTelescope(MountLink* link) {
    if (link) return link->Connect();
    ReloadSettingsForTelescope();
    ShowNoTelescope();
    return false;
}

}  // namespace vexa
