#include "camera/usb_log.h"

#include <algorithm>
#include <string>

#include "session/clock.h"

namespace vexa {

namespace {

// One line of text: the transport's explanation may hold line breaks, the log must not.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

}  // namespace

std::string HidLogLine(const char* direction, std::span<const uint8_t> bytes,
                       const Status& status) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line = direction;
    line.reserve(line.size() + bytes.size() * 3 + 32);
    for (const uint8_t byte : bytes) {
        line += ' ';
        line += kHex[byte >> 4];
        line += kHex[byte & 0x0F];
    }
    if (!status.ok()) line += " error " + OneLine(status.text());
    return line;
}

std::string BulkLogLine(size_t requested, size_t delivered, const Status& status) {
    std::string line =
        "bulk-in " + std::to_string(requested) + " " + std::to_string(delivered) + " ";
    line += status.ok() ? "ok" : "error " + OneLine(status.text());
    return line;
}

UsbLogTransport::UsbLogTransport(CameraTransport& inner, const std::string& hostPath)
    : inner_(inner), file_(std::fopen(hostPath.c_str(), "a")) {}

UsbLogTransport::~UsbLogTransport() {
    if (file_ != nullptr) std::fclose(file_);
}

void UsbLogTransport::WriteLine(const std::string& line) {
    if (file_ == nullptr) return;
    std::fprintf(file_, "%u %s\n", static_cast<unsigned>(TheClock().Milliseconds()), line.c_str());
    // A line at a time, so that the log is whole up to the last operation whatever happens.
    std::fflush(file_);
}

Status UsbLogTransport::WriteReport(std::span<const uint8_t> report) {
    Status status = inner_.WriteReport(report);
    WriteLine(HidLogLine("hid-out", report, status));
    return status;
}

Status UsbLogTransport::ReadReport(std::span<uint8_t> report, size_t& delivered, int timeoutMs) {
    Status status = inner_.ReadReport(report, delivered, timeoutMs);
    WriteLine(HidLogLine("hid-in", report.first(std::min(delivered, report.size())), status));
    return status;
}

Status UsbLogTransport::ReadBulk(std::span<uint8_t> dest, size_t& delivered, int timeoutMs) {
    Status status = inner_.ReadBulk(dest, delivered, timeoutMs);
    WriteLine(BulkLogLine(dest.size(), delivered, status));
    return status;
}

}  // namespace vexa
