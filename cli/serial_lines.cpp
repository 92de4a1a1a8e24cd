#include "cli/serial_lines.h"

#include <memory>

#include "devices/serial_port_line.h"
#include "simulator/simulated_mount_line.h"
#include "telescope/serial_port_names.h"

namespace vexa::cli {

namespace {
SerialLineOptions& Options() {
    static SerialLineOptions options;
    return options;
}
}  // namespace

void SetCliSerialOptions(const SerialLineOptions& options) {
    Options() = options;
    ResetSerialPortPaths();
    ApplySerialPortOptions(options);
}

const SerialLineOptions& CliSerialOptions() {
    return Options();
}

void InstallCliSerialLines(SimulatedMount* mount) {
    SerialLineMaker lines = [] { return std::make_unique<SerialPortLine>(); };
    if (mount) lines = ServicedBy(*mount, std::move(lines));
    if (!Options().serialLogPath.empty())
        lines = WithSerialLog(std::move(lines), Options().serialLogPath);
    SetSerialLineMaker(std::move(lines));
}

}  // namespace vexa::cli
