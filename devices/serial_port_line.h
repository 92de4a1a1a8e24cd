// The serial line on a real device node: a USB serial adapter, a built-in port, or the
// pseudo-terminal the simulated mount serves. Built on termios and poll, so that a line never
// blocks the program for longer than its timeout and a vanished device is reported as such.
#pragma once

#include "telescope/serial_line.h"

namespace vexa {

class SerialPortLine : public SerialLine {
  public:
    SerialPortLine() = default;
    ~SerialPortLine() override;
    SerialPortLine(const SerialPortLine&) = delete;
    SerialPortLine& operator=(const SerialPortLine&) = delete;

    // Refuses, without waiting, anything that is not a terminal device: a missing path
    // (NotFound), a regular file, folder, named pipe or other device (InvalidArgument). The line
    // opens raw (no echo, no character translation, no flow control) at 9600,n,8,1. Linux sizes
    // a terminal's queues itself, so the queue sizes of the interface are not asked for.
    Status Open(const std::string& devicePath) override;
    bool IsOpen() const override { return fd_ >= 0; }
    // InvalidArgument for bad text or a baud rate the system has no setting for.
    Status ApplySettings(const std::string& settings) override;
    // Waits as long as the bytes take on the wire at the line's baud rate plus a margin; a
    // line that takes nothing in that time gives Timeout.
    Status Write(std::span<const uint8_t> bytes) override;
    Status Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) override;
    // Receive: discards what waits to be read. Transmit: waits until the bytes written have
    // left (as long as they take on the wire plus a margin, else Timeout); nothing is discarded.
    Status Flush(SerialQueue queue) override;
    // Raises DTR and RTS; Unsupported on a line without modem-control lines.
    Status RaiseModemLines() override;
    void Close() override;

  private:
    int WireMs(size_t bytes) const;
    Status WaitUntilSent();

    int fd_ = -1;
    int baudRate_ = 0;
};

}  // namespace vexa
