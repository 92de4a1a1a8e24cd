#include "telescope/telescope_link.h"

#include <algorithm>
#include <utility>

#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "telescope/serial_port_names.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

namespace {

constexpr char kNoTelescope = 'n';
constexpr char kControlBox = 'b';
// Start, stop and data bits of one byte on the wire, rounded up.
constexpr int kBitsPerByteOnWire = 11;
constexpr int kMsPerSecond = 1000;
constexpr size_t kDrainChunkBytes = 64;

struct Link {
    SerialLineMaker maker;
    std::unique_ptr<SerialLine> line;
    Status lastFailure;
    int baudRate = kLx200BaudRate;
    int replyTimeoutMs = kReplyTimeoutMs;
};

Link& TheLink() {
    static Link link;
    return link;
}

int WireMs(size_t bytes) {
    const long long ms = static_cast<long long>(bytes) * kBitsPerByteOnWire * kMsPerSecond /
                         std::max(TheLink().baudRate, 1);
    return static_cast<int>(std::min<long long>(ms, kReplyTimeoutMs * 10LL));
}

bool OpenLine(int baudRate) {
    Link& link = TheLink();
    link.line.reset();
    Session().telescope.portId = -1;
    const char digit = Session().commPort;
    const std::string path = SerialPortPath(digit);
    if (path.empty()) {
        link.lastFailure =
            Status(StatusCode::NotFound, "no serial port COM" + std::string(1, digit));
        return false;
    }
    if (!link.maker) {
        link.lastFailure = Status(StatusCode::Unsupported, "this program has no serial lines");
        return false;
    }
    std::unique_ptr<SerialLine> line = link.maker();
    if (!line) {
        link.lastFailure = Status(StatusCode::Unsupported, "this program has no serial lines");
        return false;
    }
    if (Status opened = line->Open(path); !opened.ok()) {
        link.lastFailure = Status(opened.code(), path + ": " + opened.text(), opened.systemError());
        return false;
    }
    // The modem lines are raised where the line has them; a pseudo-terminal has none.
    (void)line->PortControl();
    if (Status set = line->ApplySettings(SerialSettingsText(digit, baudRate)); !set.ok()) {
        line->Close();
        link.lastFailure = Status(set.code(), path + ": " + set.text(), set.systemError());
        return false;
    }
    link.line = std::move(line);
    link.baudRate = baudRate;
    link.lastFailure = Status::Ok();
    Session().telescope.portId = static_cast<int16_t>(digit - '0');
    return true;
}

}  // namespace

void SetSerialLineMaker(SerialLineMaker maker) {
    CloseTelescopeLine();
    TheLink().maker = std::move(maker);
}

bool HaveSerialLineMaker() {
    return static_cast<bool>(TheLink().maker);
}

SerialLine* TelescopeLine() {
    return TheLink().line.get();
}

void CloseTelescopeLine() {
    Link& link = TheLink();
    if (link.line) link.line->Close();
    link.line.reset();
    TelescopeState& t = Session().telescope;
    t.connected = false;
    t.portId = -1;
    t.moving = false;
    t.focusing = false;
}

const Status& LastLinkFailure() {
    return TheLink().lastFailure;
}

void SetReplyTimeoutMs(int ms) {
    TheLink().replyTimeoutMs = ms > 0 ? ms : kReplyTimeoutMs;
}

int ReplyTimeoutMsFor(size_t bytes) {
    return TheLink().replyTimeoutMs + WireMs(bytes);
}

int QuietTimeoutMs() {
    return std::min(kQuietLineMs, TheLink().replyTimeoutMs) + WireMs(1);
}

bool OpenLx200Line() {
    return OpenLine(kLx200BaudRate);
}

bool OpenControlBoxLine() {
    return OpenLine(kControlBoxBaudRate);
}

void ReloadSettingsForTelescope() {
    if (LoadSettings() != 0) {
        ShowMessage(MessageCode::TelescopeSettingsLoadFailed);
        (void)SaveSettings();
    }
}

bool OpenTelescopeLine() {
    SessionState& s = Session();
    const bool opened =
        s.settings.telescopeType == kControlBox ? OpenControlBoxLine() : OpenLx200Line();
    if (!opened) {
        s.settings.telescopeType = kNoTelescope;
        ShowMessage(MessageCode::NoTelescope);
        return false;
    }
    s.telescope.connected = true;
    return true;
}

bool ConnectTelescope() {
    if (Session().telescope.connected && TelescopeLine()) return true;
    ReloadSettingsForTelescope();
    return OpenTelescopeLine();
}

// ---- LinkSteps ----

LinkSteps::LinkSteps() : line_(TelescopeLine()) {
    if (!line_) status_ = Status(StatusCode::NotFound, "the telescope is not connected");
}

LinkSteps::~LinkSteps() {
    if (status_.code() == StatusCode::Disconnected ||
        readStatus_.code() == StatusCode::Disconnected) {
        CloseTelescopeLine();
    }
}

Status LinkSteps::Result() const {
    return status_.ok() ? readStatus_ : status_;
}

void LinkSteps::Note(Status status) {
    if (!status.ok() && status_.ok()) status_ = std::move(status);
}

void LinkSteps::Write(std::string_view bytes) {
    if (!ok()) return;
    Note(line_->Write({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
}

void LinkSteps::WriteByte(uint8_t byte) {
    if (!ok()) return;
    Note(line_->Write({&byte, 1}));
}

void LinkSteps::WriteStop(std::string_view bytes) {
    if (!line_ || status_.code() == StatusCode::Disconnected) return;
    Note(line_->Write({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
}

void LinkSteps::WriteStopByte(uint8_t byte) {
    if (!line_ || status_.code() == StatusCode::Disconnected) return;
    Note(line_->Write({&byte, 1}));
}

void LinkSteps::FlushBoth() {
    if (!ok()) return;
    Note(line_->Flush(SerialQueue::Transmit));
    if (ok()) Note(line_->Flush(SerialQueue::Receive));
}

void LinkSteps::PortControl() {
    if (!ok()) return;
    Status status = line_->PortControl();
    if (status.code() != StatusCode::Unsupported) Note(std::move(status));
}

void LinkSteps::ApplySettings(const std::string& settings) {
    if (!ok()) return;
    Note(line_->ApplySettings(settings));
}

bool LinkSteps::Read(size_t count, std::string& out) {
    out.clear();
    if (!ok()) return false;
    std::string buffer(count, '\0');
    size_t got = 0;
    const int timeoutMs = readShort_ ? QuietTimeoutMs() : ReplyTimeoutMsFor(count);
    Status status = line_->Read({reinterpret_cast<uint8_t*>(buffer.data()), count}, got, timeoutMs);
    out.assign(buffer.data(), std::min(got, count));
    if (status.ok() && got == count) return true;
    if (status.ok()) status = Status(StatusCode::ShortTransfer, "the reply came short");
    if (readStatus_.ok()) readStatus_ = status;
    if (status.code() == StatusCode::Timeout || status.code() == StatusCode::ShortTransfer) {
        readShort_ = true;
        Drain();
    } else {
        Note(std::move(status));
    }
    return false;
}

bool LinkSteps::ReadMaybe(char& byte) {
    if (!ok()) return false;
    uint8_t value = 0;
    size_t got = 0;
    Status status = line_->ReadWhatArrives({&value, 1}, got, QuietTimeoutMs());
    if (got == 1) {
        byte = static_cast<char>(value);
        return true;
    }
    Note(std::move(status));
    return false;
}

void LinkSteps::Drain() {
    uint8_t scratch[kDrainChunkBytes];
    size_t drained = 0;
    while (drained < kDrainLimitBytes) {
        size_t got = 0;
        Status status = line_->ReadWhatArrives({scratch, sizeof scratch}, got, QuietTimeoutMs());
        drained += got;
        if (status.code() == StatusCode::Disconnected) {
            Note(std::move(status));
            break;
        }
        // Silence ends the drain; so does any failure.
        if (got == 0 || !status.ok()) break;
    }
    if (ok()) Note(line_->Flush(SerialQueue::Receive));
}

}  // namespace vexa
