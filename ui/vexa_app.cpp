#include "ui/vexa_app.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/display_refresh.h"
#include "app/ui_roles.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "ui/main_frame.h"
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/window_serial_lines.h"

namespace vexa {

namespace {
constexpr const char* kUsage =
    "usage: vexaq4 [--root DIR] [--serial-log FILE] [--com1 PATH] [--com2 PATH] [--simulator]\n";
constexpr const char* kRootOption = "--root";
}  // namespace

TVEXA_Q4App::TVEXA_Q4App(std::unique_ptr<QtUiServices> services)
    : services_(services ? std::move(services) : std::make_unique<QtUiServices>()) {
    QApplication::setApplicationName(kProgramTitle);
    InstallUiRoles(services_.get());
    SetClock(&clock_);
    InstallDisplayRefresh();
}

TVEXA_Q4App::~TVEXA_Q4App() {
    frame_.reset();
    RemoveUiRoles();
    SetClock(nullptr);
}

TVEXA_Q4Window* TVEXA_Q4App::View() const {
    return frame_ ? frame_->View() : nullptr;
}

void TVEXA_Q4App::Start() {
    frame_ = std::make_unique<TVEXA_Q4Frame>(*services_);
    frame_->View()->SetupWindow();
    frame_->show();
    // The core draws nothing until something refreshes the display; the observer should see
    // the ramp from the moment the window opens.
    RefreshDisplay();
}

WindowOptions ParseWindowOptions(int argc, char** argv, std::string& error) {
    error.clear();
    WindowOptions options;
    const std::vector<std::string> args(argv + 1, argv + std::max(argc, 1));
    const std::string prefix = std::string(kRootOption) + "=";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == kRootOption) {
            if (i + 1 >= args.size()) {
                error = "--root needs a folder";
                return options;
            }
            options.root = args[++i];
        } else if (arg.rfind(prefix, 0) == 0) {
            options.root = arg.substr(prefix.size());
        } else if (arg == "--simulator") {
            options.simulator = true;
        } else if (TakeSerialLineOption(args, i, options.serial, error)) {
            if (!error.empty()) return options;
        } else {
            error = "unknown argument: " + arg;
            return options;
        }
    }
    return options;
}

std::optional<std::string> ParseRootOption(int argc, char** argv, std::string& error) {
    WindowOptions options = ParseWindowOptions(argc, argv, error);
    return error.empty() ? options.root : std::nullopt;
}

int RunWindowProgram(int argc, char** argv) {
    // QApplication takes its own options (-platform and the like) out of argv first.
    QApplication qtApp(argc, argv);

    std::string error;
    const WindowOptions options = ParseWindowOptions(argc, argv, error);
    if (!error.empty()) {
        std::fprintf(stderr, "vexaq4: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    const std::filesystem::path root = ResolveDriveRoot(options.root);
    // Drive c: always exists; a root that cannot be made leaves the defaults in force.
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    SetDriveRoot(root);

    const WindowSerialLines serialLines(options.serial, options.simulator);
    if (!serialLines.SetupStatus().ok()) {
        std::fprintf(stderr, "vexaq4: %s\n", serialLines.SetupStatus().text().c_str());
    }
    TVEXA_Q4App app;
    app.Start();
    return qtApp.exec();
}

}  // namespace vexa
