// A CameraTransport that writes one line per operation of the transport it wraps to a log, so
// that what went over the wire can be read after a session: the HID reports out and in, in
// hexadecimal, and each bulk read with its requested and delivered byte counts. Lines are
// stamped with the program's millisecond clock.
#pragma once

#include <cstdio>
#include <string>

#include "camera/camera_transport.h"

namespace vexa {

// "MS hid-out XX XX ..." (the whole report, report id first, lower-case hex), "MS hid-in XX
// ..." (the bytes delivered), "MS bulk-in REQUESTED DELIVERED ok" or "... error TEXT". A HID
// report that failed ends in " error TEXT" too. Discovery and closing are not logged.
class UsbLogTransport : public CameraTransport {
  public:
    // Appends to the file at hostPath; Ok() tells whether it could be opened. The wrapped
    // transport must outlive the log.
    UsbLogTransport(CameraTransport& inner, const std::string& hostPath);
    ~UsbLogTransport() override;
    UsbLogTransport(const UsbLogTransport&) = delete;
    UsbLogTransport& operator=(const UsbLogTransport&) = delete;

    bool Ok() const { return file_ != nullptr; }

    CameraDiscovery Discover() override { return inner_.Discover(); }
    Status WriteReport(std::span<const uint8_t> report) override;
    Status ReadReport(std::span<uint8_t> report, size_t& delivered, int timeoutMs) override;
    Status ReadBulk(std::span<uint8_t> dest, size_t& delivered, int timeoutMs) override;
    void Close() override { inner_.Close(); }

  private:
    void WriteLine(const std::string& line);

    CameraTransport& inner_;
    std::FILE* file_ = nullptr;
};

// The log's lines themselves, without the clock stamp.
std::string HidLogLine(const char* direction, std::span<const uint8_t> bytes, const Status& status);
std::string BulkLogLine(size_t requested, size_t delivered, const Status& status);

}  // namespace vexa
