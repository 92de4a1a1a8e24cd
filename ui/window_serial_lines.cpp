#include "ui/window_serial_lines.h"

#include <array>

#include "devices/indi_mount.h"
#include "devices/serial_port_line.h"
#include "simulator/simulated_mount.h"
#include "simulator/simulated_mount_line.h"
#include "simulator/simulated_mount_link.h"
#include "simulator/simulated_pair.h"
#include "simulator/simulator_sky.h"
#include "telescope/mount_link.h"
#include "telescope/serial_port_names.h"

namespace vexa {

namespace {

constexpr const char* kSimulatedMountName = "simulated mount";
constexpr char kPortDigits[] = {'1', '2'};

// The names the settings dialog shows for COM1 and COM2 while the window's lines stand.
std::array<std::string, 2>& ShownNames() {
    static std::array<std::string, 2> names{kDefaultCom1Path, kDefaultCom2Path};
    return names;
}

}  // namespace

std::string SerialPortShownName(char portDigit) {
    for (size_t i = 0; i < std::size(kPortDigits); ++i)
        if (kPortDigits[i] == portDigit) return ShownNames()[i];
    return {};
}

WindowSerialLines::WindowSerialLines(const SerialLineOptions& options, bool simulator) {
    SerialPortPaths ports;
    ApplySerialPortOptions(options, ports);
    SerialLineMaker lines = [] { return std::make_unique<SerialPortLine>(); };
    if (simulator) {
        mount_ = std::make_unique<SimulatedMount>(SimulatedPairMountConfig(), &SimulatorSky());
        status_ = mount_->OpenTerminal();
        if (status_.ok()) {
            for (char digit : kPortDigits) ports.Set(digit, mount_->DevicePath());
            lines = ServicedBy(*mount_, std::move(lines));
            if (!options.mountLinkPath.empty()) {
                served_ = std::make_unique<SimulatedMountLink>(*mount_);
                status_ = served_->Serve(options.mountLinkPath);
                if (!status_.ok()) served_.reset();
            }
        } else {
            mount_.reset();
        }
    }
    if (!options.serialLogPath.empty()) {
        if (Status log = CheckSerialLogPath(options.serialLogPath); !log.ok()) {
            if (status_.ok()) status_ = log;
        } else {
            lines = WithSerialLog(std::move(lines), options.serialLogPath);
        }
    }
    for (size_t i = 0; i < std::size(kPortDigits); ++i) {
        const std::string path = ports.Path(kPortDigits[i]);
        ShownNames()[i] = mount_ && path == mount_->DevicePath() ? kSimulatedMountName : path;
    }
    link_ = std::make_unique<MountLink>(std::move(lines), std::move(ports), IndiMountMaker());
    if (options.indi) link_->UseIndiForRun(*options.indi);
}

WindowSerialLines::~WindowSerialLines() {
    link_.reset();
    ShownNames() = {kDefaultCom1Path, kDefaultCom2Path};
}

}  // namespace vexa
