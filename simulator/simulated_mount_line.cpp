#include "simulator/simulated_mount_line.h"

#include <utility>

namespace vexa {

SimulatedMountLine::SimulatedMountLine(SimulatedMount& mount, std::unique_ptr<SerialLine> line)
    : mount_(mount), line_(std::move(line)) {}

Status SimulatedMountLine::Open(const std::string& devicePath) {
    Status status = line_->Open(devicePath);
    mount_.Service();
    return status;
}

Status SimulatedMountLine::ApplySettings(const std::string& settings) {
    Status status = line_->ApplySettings(settings);
    mount_.Service();
    return status;
}

Status SimulatedMountLine::Write(std::span<const uint8_t> bytes) {
    Status status = line_->Write(bytes);
    mount_.Service();
    return status;
}

Status SimulatedMountLine::Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) {
    mount_.Service();
    return line_->Read(buffer, got, timeoutMs);
}

Status SimulatedMountLine::Flush(SerialQueue queue) {
    // Whatever the mount has still to answer arrives before the flush, as it would have on a
    // real line by now.
    mount_.Service();
    return line_->Flush(queue);
}

Status SimulatedMountLine::RaiseModemLines() {
    Status status = line_->RaiseModemLines();
    mount_.Service();
    return status;
}

SerialLineMaker ServicedBy(SimulatedMount& mount, SerialLineMaker deviceLines) {
    return [&mount, deviceLines = std::move(deviceLines)]() -> std::unique_ptr<SerialLine> {
        std::unique_ptr<SerialLine> line = deviceLines ? deviceLines() : nullptr;
        if (!line) return nullptr;
        return std::make_unique<SimulatedMountLine>(mount, std::move(line));
    };
}

}  // namespace vexa
