#include "ui/vexa_app.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/display_refresh.h"
#include "app/ui_roles.h"
#include "devices/usb_camera_transport.h"
#include "session/host_paths.h"
#include "session/safe_file_writer.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "simulator/simulated_camera.h"
#include "simulator/simulator_sky.h"
#include "ui/main_frame.h"
#include "ui/main_window.h"
#include "ui/posted_work_wake_up.h"
#include "ui/qt_ui_services.h"
#include "ui/screen_fit.h"
#include "ui/window_serial_lines.h"

namespace vexa {

namespace {
constexpr const char* kSynopsis =
    "usage: vexaq4 [--root DIR] [--simulator] [--camera VID:PID] [--usb-log FILE]\n"
    "              [--serial-log FILE] [--com1 PATH] [--com2 PATH]\n"
    "              [--indi HOST[:PORT][/DEVICE]] [--mount-link PATH]\n"
    "       vexaq4 --help\n";
constexpr const char* kOptionsHelp =
    "  --root DIR         the folder standing for drive c: (default $VEXA_Q4_ROOT,\n"
    "                     else ~/.local/share/vexa_q4)\n"
    "  --simulator        the simulated camera and mount instead of the USB camera and\n"
    "                     the serial line\n"
    "  --camera VID:PID   which USB camera to use when several are attached\n"
    "  --usb-log FILE     append a line per camera transfer to FILE\n";
constexpr const char* kHelpOptionHelp =
    "  -h, --help         this text\n"
    "Qt's own options (-platform NAME and the like) are taken as well.\n"
    "\nExit status: 0 when the window has closed, 1 when the USB log cannot be opened,\n"
    "2 for a wrong option.\n";
constexpr const char* kRootOption = "--root";
constexpr const char* kCameraOption = "--camera";
constexpr const char* kUsbLogOption = "--usb-log";
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
}  // namespace

TVEXA_Q4App::TVEXA_Q4App(std::unique_ptr<QtUiServices> services)
    : services_(services ? std::move(services) : std::make_unique<QtUiServices>()) {
    QApplication::setApplicationName(kProgramTitle);
    InstallUiRoles(services_.get());
    SetClock(&clock_);
    InstallDisplayRefresh();
    // Dialogs open on the screen, even on one smaller than the window's described size.
    screenKeeper_ = std::make_unique<DialogScreenKeeper>();
    postedWork_ = std::make_unique<PostedWorkWakeUp>();
    if (QCoreApplication* qtApp = QCoreApplication::instance()) {
        qtApp->installEventFilter(screenKeeper_.get());
    }
}

TVEXA_Q4App::~TVEXA_Q4App() {
    postedWork_.reset();
    frame_.reset();
    // The window is gone: the camera's interfaces are closed.
    devices_.camera = nullptr;
    camera_.reset();
    cameraBackend_.reset();
    RemoveUiRoles();
    SetClock(nullptr);
}

TVEXA_Q4Window* TVEXA_Q4App::View() const {
    return frame_ ? frame_->View() : nullptr;
}

void TVEXA_Q4App::Start() {
    frame_ = std::make_unique<TVEXA_Q4Frame>(*services_, devices_);
    frame_->View()->SetupWindow();
    frame_->show();
    // The core draws nothing until something refreshes the display; the observer should see
    // the ramp from the moment the window opens.
    RefreshDisplay();
}

bool TVEXA_Q4App::UseCamera(std::unique_ptr<CameraTransport> device,
                            const std::string& usbLogHostPath) {
    devices_.camera = nullptr;
    camera_.reset();
    cameraBackend_.reset();
    cameraBackend_ = std::make_unique<CameraBackend>(std::move(device), usbLogHostPath);
    camera_ = std::make_unique<Camera>(cameraBackend_->Device());
    devices_.camera = camera_.get();
    return cameraBackend_->LogOk();
}

std::optional<std::string> ParseRootOption(int argc, char** argv, std::string& error) {
    const WindowOptions options = ParseWindowOptions(argc, argv, error);
    return error.empty() ? options.root : std::nullopt;
}

std::string WindowUsage() {
    std::string usage = kSynopsis;
    for (const char* part :
         {"\nOptions:\n", kOptionsHelp, kSerialLineOptionsHelp, kHelpOptionHelp}) {
        usage.append(part);
    }
    return usage;
}

WindowOptions ParseWindowOptions(int argc, char** argv, std::string& error) {
    error.clear();
    WindowOptions options;
    const std::vector<std::string> args(argv + 1, argv + std::max(argc, 1));
    // A value given as "--name VALUE" or "--name=VALUE".
    auto value = [&](size_t& i, const char* name, std::string& out) {
        const std::string& arg = args[i];
        if (arg == name) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        }
        out = arg.substr(std::string(name).size() + 1);
        return true;
    };
    auto named = [](const std::string& arg, const char* name) {
        return arg == name || arg.rfind(std::string(name) + "=", 0) == 0;
    };
    for (size_t i = 0; i < args.size() && error.empty(); ++i) {
        const std::string& arg = args[i];
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            break;
        }
        if (named(arg, kRootOption)) {
            if (!value(i, kRootOption, text)) error = "--root needs a folder";
            options.root = text;
        } else if (arg == "--simulator") {
            options.simulator = true;
        } else if (named(arg, kCameraOption)) {
            options.camera = value(i, kCameraOption, text) ? ParseUsbId(text) : std::nullopt;
            if (!options.camera) error = "--camera needs a vendor:product id such as 04b4:8613";
        } else if (named(arg, kUsbLogOption)) {
            if (!value(i, kUsbLogOption, text) || text.empty()) error = "--usb-log needs a file";
            options.usbLog = text;
        } else if (!TakeSerialLineOption(args, i, options.serial, error)) {
            error = "unknown argument: " + arg;
        }
    }
    return options;
}

int RunWindowProgram(int argc, char** argv) {
    auto printUsage = [] {
        std::fputs(WindowUsage().c_str(), stdout);
        return kExitSuccess;
    };
    std::string error;
    // The usage needs no display: asked for among the window's own options, it is given before
    // Qt starts; after Qt's own options (-platform and the like) it is given once Qt has taken
    // them out of argv.
    if (ParseWindowOptions(argc, argv, error).help) return printUsage();
    IgnoreFileSizeSignal();
    QApplication qtApp(argc, argv);

    const WindowOptions options = ParseWindowOptions(argc, argv, error);
    if (options.help) return printUsage();
    if (error.empty() && !options.serial.mountLinkPath.empty() && !options.simulator)
        error = "--mount-link serves the simulated mount: it needs --simulator";
    if (!error.empty()) {
        std::fprintf(stderr, "vexaq4: %s\n%s", error.c_str(), kSynopsis);
        return kExitUsage;
    }
    const std::filesystem::path root = ResolveDriveRoot(options.root);
    // Drive c: always exists; a root that cannot be made leaves the defaults in force.
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    SetDriveRoot(root);

    WindowSerialLines serialLines(options.serial, options.simulator);
    if (!serialLines.SetupStatus().ok()) {
        std::fprintf(stderr, "vexaq4: %s\n", serialLines.SetupStatus().text().c_str());
    }
    TVEXA_Q4App app;
    app.Devices().mount = &serialLines.Link();
    std::unique_ptr<CameraTransport> device;
    if (options.simulator) {
        // The camera renders the sky that the simulated mount moves.
        device = std::make_unique<SimulatedCamera>(SimulatorSky());
    } else {
        device = std::make_unique<UsbCameraTransport>(options.camera);
    }
    if (!app.UseCamera(std::move(device), options.usbLog)) {
        std::fprintf(stderr, "vexaq4: cannot open the USB log %s\n", options.usbLog.c_str());
        return kExitFailure;
    }
    app.Start();
    return qtApp.exec();
}

}  // namespace vexa
