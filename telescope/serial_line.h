// What the telescope layer needs of a serial line: open by device path, line settings from
// text ("COM1:9600,n,8,1"), write, read with a timeout, flush of either queue, and raising the
// modem-control lines. The real backend (devices/) and the simulated mount's line (simulator/)
// implement it; the telescope layer maps the port names "COM1"/"COM2" to paths and adds the
// program's sequences, messages and log on top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "session/status.h"

namespace vexa {

enum class SerialQueue { Transmit = 0, Receive = 1 };

class SerialLine {
  public:
    virtual ~SerialLine() = default;

    // Open the device at path (receive queue 1024 bytes, transmit queue 128 bytes where the
    // platform lets the size be chosen). A path that is not a serial line is refused.
    virtual Status Open(const std::string& devicePath) = 0;
    virtual bool IsOpen() const = 0;
    // Baud rate, parity, data bits and stop bits from text such as "COM1:9600,n,8,1" (the
    // part before the colon names the port and is not used to open anything).
    virtual Status ApplySettings(const std::string& settings) = 0;
    virtual Status Write(std::span<const uint8_t> bytes) = 0;
    // Read up to buffer.size() bytes, waiting at most timeoutMs in all; got counts the bytes
    // read. Timeout when fewer arrived; the bytes that did arrive are in buffer.
    virtual Status Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) = 0;
    // Read for bytes that may or may not come: like Read, but running out of time is no
    // failure (Ok, with got counting what came, perhaps nothing). A log records no timeout.
    virtual Status ReadWhatArrives(std::span<uint8_t> buffer, size_t& got, int waitMs) {
        Status status = Read(buffer, got, waitMs);
        return status.code() == StatusCode::Timeout ? Status::Ok() : status;
    }
    // Receive: discard what waits to be read. Transmit: wait until what was written has left,
    // never discarding it.
    virtual Status Flush(SerialQueue queue) = 0;
    // Raises the modem-control lines (DTR and RTS), as the program does before its sequences.
    // Unsupported on lines that have none, such as a pseudo-terminal.
    virtual Status RaiseModemLines() = 0;
    virtual void Close() = 0;
};

// Makes a new, unopened line object each time a line is to be opened: a front end's device
// line, perhaps wrapped in the serial log or the simulated mount's service hook. Null makes
// none.
using SerialLineMaker = std::function<std::unique_ptr<SerialLine>()>;

}  // namespace vexa
