#include "telescope/serial_log.h"

#include <cerrno>
#include <cstring>

#include "session/clock.h"
#include "session/printable_text.h"

namespace vexa {

namespace {

// The bytes in double quotes, escaped so that the log stays one line of plain ASCII.
std::string Quoted(std::span<const uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return '"' + EscapeBytes(text, "\"\\") + '"';
}

std::string Quoted(std::string_view text) {
    return Quoted(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

Status OpenFailure(int error) {
    StatusCode code = StatusCode::IoError;
    if (error == ENOENT || error == ENOTDIR) code = StatusCode::NotFound;
    if (error == EACCES || error == EPERM || error == EROFS) code = StatusCode::PermissionDenied;
    return Status(code, std::strerror(error), error);
}

}  // namespace

SerialLog::SerialLog(std::unique_ptr<SerialLine> line, const std::string& logPath)
    : line_(std::move(line)) {
    file_ = std::fopen(logPath.c_str(), "a");
    if (!file_) logStatus_ = OpenFailure(errno);
}

SerialLog::~SerialLog() {
    if (file_) std::fclose(file_);
}

void SerialLog::LogLine(std::string_view entry) {
    if (!file_) return;
    // Written and flushed at once so that the log is complete up to a crash or a hung device;
    // a full disk loses log lines but never stops the line.
    std::fprintf(file_, "%u %.*s\n", TheClock().Milliseconds(), static_cast<int>(entry.size()),
                 entry.data());
    std::fflush(file_);
}

Status SerialLog::Open(const std::string& devicePath) {
    return line_->Open(devicePath);
}

bool SerialLog::IsOpen() const {
    return line_->IsOpen();
}

Status SerialLog::ApplySettings(const std::string& settings) {
    LogLine("settings " + Quoted(settings));
    return line_->ApplySettings(settings);
}

Status SerialLog::Write(std::span<const uint8_t> bytes) {
    LogLine("out " + Quoted(bytes));
    return line_->Write(bytes);
}

Status SerialLog::Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) {
    got = 0;
    Status status = line_->Read(buffer, got, timeoutMs);
    if (got > buffer.size()) got = buffer.size();
    if (got > 0) LogLine("in " + Quoted(buffer.first(got)));
    if (status.code() == StatusCode::Timeout) {
        LogLine("timeout " + std::to_string(buffer.size() - got));
    }
    return status;
}

Status SerialLog::ReadWhatArrives(std::span<uint8_t> buffer, size_t& got, int waitMs) {
    got = 0;
    Status status = line_->ReadWhatArrives(buffer, got, waitMs);
    if (got > buffer.size()) got = buffer.size();
    if (got > 0) LogLine("in " + Quoted(buffer.first(got)));
    return status;
}

Status SerialLog::Flush(SerialQueue queue) {
    LogLine("flush " + std::to_string(static_cast<int>(queue)));
    return line_->Flush(queue);
}

Status SerialLog::RaiseModemLines() {
    LogLine("control");
    return line_->RaiseModemLines();
}

void SerialLog::Close() {
    line_->Close();
}

}  // namespace vexa
