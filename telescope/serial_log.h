// A serial line that records every operation it forwards in a log file (--serial-log), one
// line each, stamped with the program's millisecond clock:
//   MS settings "COM1:9600,n,8,1"   MS out "TEXT"   MS in "TEXT"   MS flush N   MS control
//   MS timeout N   (a read that ended with N bytes missing)
// In TEXT every byte outside printable ASCII, and '"' and '\', is written as \xHH with
// lower-case hex digits. A read logs "in" only for the bytes that arrived, then "timeout" when
// it ran out of time; a read for bytes that may not come logs only what came. Opening and closing
// the line, and errors other than a read's timeout, are not logged.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "telescope/serial_line.h"

namespace vexa {

class SerialLog : public SerialLine {
  public:
    // Appends to the file at logPath. When it cannot be opened the line still works, unlogged,
    // and logStatus() tells why, so that the caller can report it once.
    SerialLog(std::unique_ptr<SerialLine> line, const std::string& logPath);
    ~SerialLog() override;
    SerialLog(const SerialLog&) = delete;
    SerialLog& operator=(const SerialLog&) = delete;

    const Status& logStatus() const { return logStatus_; }
    SerialLine& line() { return *line_; }

    Status Open(const std::string& devicePath) override;
    bool IsOpen() const override;
    Status ApplySettings(const std::string& settings) override;
    Status Write(std::span<const uint8_t> bytes) override;
    Status Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) override;
    Status ReadWhatArrives(std::span<uint8_t> buffer, size_t& got, int waitMs) override;
    Status Flush(SerialQueue queue) override;
    Status RaiseModemLines() override;
    void Close() override;

  private:
    void LogLine(std::string_view entry);

    std::unique_ptr<SerialLine> line_;
    std::FILE* file_ = nullptr;
    Status logStatus_;
};

}  // namespace vexa
