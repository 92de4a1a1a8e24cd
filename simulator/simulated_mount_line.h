// The hook that lets an in-process simulated mount work without a thread: a serial line that
// passes every operation on to the real line (the program's terminal backend, open on the
// mount's pseudo-terminal) and services the mount after each write and before each read, so
// the mount has answered by the time the program reads.
#pragma once

#include <memory>

#include "simulator/simulated_mount.h"
#include "telescope/serial_line.h"

namespace vexa {

class SimulatedMountLine : public SerialLine {
  public:
    // mount must outlive the line.
    SimulatedMountLine(SimulatedMount& mount, std::unique_ptr<SerialLine> line);

    Status Open(const std::string& devicePath) override;
    bool IsOpen() const override { return line_->IsOpen(); }
    Status ApplySettings(const std::string& settings) override;
    Status Write(std::span<const uint8_t> bytes) override;
    Status Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) override;
    Status Flush(SerialQueue queue) override;
    Status RaiseModemLines() override;
    void Close() override { line_->Close(); }

  private:
    SimulatedMount& mount_;
    std::unique_ptr<SerialLine> line_;
};

// Wraps every line deviceLines makes in the hook for mount.
SerialLineMaker ServicedBy(SimulatedMount& mount, SerialLineMaker deviceLines);

}  // namespace vexa
