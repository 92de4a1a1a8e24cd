#include "ui/vexa_app.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/display_refresh.h"
#include "app/ui_roles.h"
#include "session/host_paths.h"
#include "session/safe_file_writer.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "ui/main_frame.h"
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/screen_fit.h"

namespace vexa {

namespace {
constexpr const char* kUsage = "usage: vexaq4 [--root DIR]\n";
constexpr const char* kRootOption = "--root";
}  // namespace

TVEXA_Q4App::TVEXA_Q4App(std::unique_ptr<QtUiServices> services)
    : services_(services ? std::move(services) : std::make_unique<QtUiServices>()) {
    QApplication::setApplicationName(kProgramTitle);
    InstallUiRoles(services_.get());
    SetClock(&clock_);
    InstallDisplayRefresh();
    // Dialogs open on the screen, even on one smaller than the window's described size.
    screenKeeper_ = std::make_unique<DialogScreenKeeper>();
    if (QCoreApplication* qtApp = QCoreApplication::instance()) {
        qtApp->installEventFilter(screenKeeper_.get());
    }
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

std::optional<std::string> ParseRootOption(int argc, char** argv, std::string& error) {
    error.clear();
    std::optional<std::string> root;
    const std::string prefix = std::string(kRootOption) + "=";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == kRootOption) {
            if (i + 1 >= argc) {
                error = "--root needs a folder";
                return std::nullopt;
            }
            root = argv[++i];
        } else if (arg.rfind(prefix, 0) == 0) {
            root = arg.substr(prefix.size());
        } else {
            error = "unknown argument: " + arg;
            return std::nullopt;
        }
    }
    return root;
}

int RunWindowProgram(int argc, char** argv) {
    IgnoreFileSizeSignal();
    // QApplication takes its own options (-platform and the like) out of argv first.
    QApplication qtApp(argc, argv);

    std::string error;
    const std::optional<std::string> rootOption = ParseRootOption(argc, argv, error);
    if (!error.empty()) {
        std::fprintf(stderr, "vexaq4: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    const std::filesystem::path root = ResolveDriveRoot(rootOption);
    // Drive c: always exists; a root that cannot be made leaves the defaults in force.
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    SetDriveRoot(root);

    TVEXA_Q4App app;
    app.Start();
    return qtApp.exec();
}

}  // namespace vexa
