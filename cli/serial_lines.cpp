#include "cli/serial_lines.h"

#include "devices/serial_port_line.h"
#include "simulator/simulated_mount_line.h"
#include "telescope/mount_link.h"

namespace vexa::cli {

namespace {
SerialLineOptions& Options() {
    static SerialLineOptions options;
    return options;
}
}  // namespace

void SetCliSerialOptions(const SerialLineOptions& options) {
    Options() = options;
}

const SerialLineOptions& CliSerialOptions() {
    return Options();
}

std::unique_ptr<MountLink> MakeCliMountLink(SimulatedMount* mount, SerialLineMaker deviceLines) {
    SerialPortPaths ports;
    ApplySerialPortOptions(Options(), ports);
    SerialLineMaker lines = std::move(deviceLines);
    if (!lines) lines = [] { return std::make_unique<SerialPortLine>(); };
    if (mount) {
        for (char digit : {'1', '2'}) ports.Set(digit, mount->DevicePath());
        lines = ServicedBy(*mount, std::move(lines));
    }
    if (!Options().serialLogPath.empty())
        lines = WithSerialLog(std::move(lines), Options().serialLogPath);
    return std::make_unique<MountLink>(std::move(lines), std::move(ports));
}

}  // namespace vexa::cli
