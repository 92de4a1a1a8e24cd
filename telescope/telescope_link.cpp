#include "telescope/telescope_link.h"

#include <algorithm>
#include <utility>

namespace vexa {

namespace {

// Start, stop and data bits of one byte on the wire, rounded up.
constexpr int kBitsPerByteOnWire = 11;
constexpr int kMsPerSecond = 1000;
constexpr size_t kDrainChunkBytes = 64;

int replyTimeoutMs = kReplyTimeoutMs;

int WireMs(size_t bytes, int baudRate) {
    const long long ms =
        static_cast<long long>(bytes) * kBitsPerByteOnWire * kMsPerSecond / std::max(baudRate, 1);
    return static_cast<int>(std::min<long long>(ms, kReplyTimeoutMs * 10LL));
}

}  // namespace

void SetReplyTimeoutMs(int ms) {
    replyTimeoutMs = ms > 0 ? ms : kReplyTimeoutMs;
}

int ReplyTimeoutMsFor(size_t bytes, int baudRate) {
    return replyTimeoutMs + WireMs(bytes, baudRate);
}

int QuietTimeoutMs(int baudRate) {
    return std::min(kQuietLineMs, replyTimeoutMs) + WireMs(1, baudRate);
}

// ---- LinkSteps ----

LinkSteps::LinkSteps(SerialLine& line, int baudRate)
    : line_(line), haveLine_(line.IsOpen()), baudRate_(baudRate) {
    if (!haveLine_) status_ = Status(StatusCode::NotFound, "the telescope is not connected");
}

LinkSteps::~LinkSteps() {
    if (status_.code() == StatusCode::Disconnected ||
        readStatus_.code() == StatusCode::Disconnected) {
        line_.Close();
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
    Note(line_.Write({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
}

void LinkSteps::WriteByte(uint8_t byte) {
    if (!ok()) return;
    Note(line_.Write({&byte, 1}));
}

void LinkSteps::WriteStop(std::string_view bytes) {
    if (!haveLine_ || status_.code() == StatusCode::Disconnected) return;
    Note(line_.Write({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
}

void LinkSteps::WriteStopByte(uint8_t byte) {
    if (!haveLine_ || status_.code() == StatusCode::Disconnected) return;
    Note(line_.Write({&byte, 1}));
}

void LinkSteps::FlushBoth() {
    if (!ok()) return;
    Note(line_.Flush(SerialQueue::Transmit));
    if (ok()) Note(line_.Flush(SerialQueue::Receive));
}

void LinkSteps::RaiseModemLines() {
    if (!ok()) return;
    Status status = line_.RaiseModemLines();
    if (status.code() != StatusCode::Unsupported) Note(std::move(status));
}

void LinkSteps::ApplySettings(const std::string& settings) {
    if (!ok()) return;
    Note(line_.ApplySettings(settings));
}

bool LinkSteps::Read(size_t count, std::string& out) {
    out.clear();
    if (!ok()) return false;
    std::string buffer(count, '\0');
    size_t got = 0;
    const int timeoutMs =
        readShort_ ? QuietTimeoutMs(baudRate_) : ReplyTimeoutMsFor(count, baudRate_);
    Status status = line_.Read({reinterpret_cast<uint8_t*>(buffer.data()), count}, got, timeoutMs);
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
    Status status = line_.ReadWhatArrives({&value, 1}, got, QuietTimeoutMs(baudRate_));
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
        Status status =
            line_.ReadWhatArrives({scratch, sizeof scratch}, got, QuietTimeoutMs(baudRate_));
        drained += got;
        if (status.code() == StatusCode::Disconnected) {
            Note(std::move(status));
            break;
        }
        // Silence ends the drain; so does any failure.
        if (got == 0 || !status.ok()) break;
    }
    if (ok()) Note(line_.Flush(SerialQueue::Receive));
}

}  // namespace vexa
