#include "ui/window_serial_lines.h"

#include "devices/serial_port_line.h"
#include "simulator/simulated_mount.h"
#include "simulator/simulated_mount_line.h"
#include "simulator/simulated_pair.h"
#include "simulator/simulator_sky.h"
#include "telescope/serial_port_names.h"
#include "telescope/telescope_link.h"

namespace vexa {

namespace {

constexpr const char* kSimulatedMountName = "simulated mount";

// The mount of the window's lines while they stand.
const SimulatedMount* servingMount = nullptr;

}  // namespace

std::string SerialPortShownName(char portDigit) {
    const std::string path = SerialPortPath(portDigit);
    if (servingMount && !path.empty() && path == servingMount->DevicePath()) {
        return kSimulatedMountName;
    }
    return path;
}

WindowSerialLines::WindowSerialLines(const SerialLineOptions& options, bool simulator) {
    ResetSerialPortPaths();
    ApplySerialPortOptions(options);
    SerialLineMaker lines = [] { return std::make_unique<SerialPortLine>(); };
    if (simulator) {
        mount_ = std::make_unique<SimulatedMount>(SimulatedPairMountConfig(), &SimulatorSky());
        status_ = mount_->OpenTerminal();
        if (status_.ok()) {
            SetSerialPortPath('1', mount_->DevicePath());
            SetSerialPortPath('2', mount_->DevicePath());
            lines = ServicedBy(*mount_, std::move(lines));
            servingMount = mount_.get();
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
    SetSerialLineMaker(std::move(lines));
}

WindowSerialLines::~WindowSerialLines() {
    if (servingMount == mount_.get()) servingMount = nullptr;
    SetSerialLineMaker(nullptr);
    ResetSerialPortPaths();
}

}  // namespace vexa
