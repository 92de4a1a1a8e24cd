#include "cli/serial_lines.h"

#include <algorithm>

#include "devices/indi_mount.h"
#include "devices/serial_port_line.h"
#include "simulator/simulated_mount_line.h"
#include "simulator/simulated_mount_link.h"
#include "telescope/mount_link.h"

namespace vexa::cli {

namespace {
SerialLineOptions& Options() {
    static SerialLineOptions options;
    return options;
}
bool& Simulator() {
    static bool simulator = false;
    return simulator;
}
}  // namespace

void SetCliSimulator(bool simulator) {
    Simulator() = simulator;
}

bool CliSimulator() {
    return Simulator();
}

std::unique_ptr<SimulatedMountLink> ServeMountLink(SimulatedMount& mount, Status& status) {
    status = Status::Ok();
    if (Options().mountLinkPath.empty()) return nullptr;
    auto served = std::make_unique<SimulatedMountLink>(mount);
    status = served->Serve(Options().mountLinkPath);
    if (!status.ok()) return nullptr;
    return served;
}

bool TakeCommandMountOption(const std::vector<std::string>& args, size_t& i, std::string& problem) {
    const std::string& arg = args[i];
    for (const char* name : {"--indi", "--mount-link"}) {
        const std::string option = name;
        if (arg == option || arg.starts_with(option + "="))
            return TakeSerialLineOption(args, i, Options(), problem);
    }
    return false;
}

std::string CommandMountOptionsHelp() {
    const std::string all = kSerialLineOptionsHelp;
    return all.substr(std::min(all.find("  --indi"), all.size()));
}

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
    auto link = std::make_unique<MountLink>(std::move(lines), std::move(ports), IndiMountMaker());
    if (Options().indi) link->UseIndiForRun(*Options().indi);
    return link;
}

}  // namespace vexa::cli
