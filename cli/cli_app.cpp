#include "cli/cli_app.h"

#include <iostream>
#include <optional>

#include "app/display_refresh.h"
#include "cli/camera_commands.h"
#include "cli/centre_command.h"
#include "cli/guide_command.h"
#include "cli/image_commands.h"
#include "cli/photometry_command.h"
#include "cli/process_command.h"
#include "cli/scope_command.h"
#include "cli/serial_lines.h"
#include "cli/settings_command.h"
#include "cli/simulate_mount_command.h"
#include "cli/text_ui_services.h"
#include "session/host_paths.h"
#include "session/safe_file_writer.h"
#include "session/settings_file.h"
#include "session/ui_services.h"

namespace vexa::cli {

namespace {

struct CliCommand {
    const char* name;
    const char* synopsis;
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
    // Reads the settings file itself; the others find them loaded, as the window does at
    // start-up (a missing folder is created with the default file; the result is not shown).
    bool loadsSettingsItself = false;
};

// Every command the companion knows, in the order the help lists them.
constexpr CliCommand kCommands[] = {
    {"settings", kSettingsSynopsis, RunSettingsCommand, true},
    {"info", kInfoSynopsis, RunInfoCommand},
    {"convert", kConvertSynopsis, RunConvertCommand},
    {"process", kProcessSynopsis, RunProcessCommand},
    {"centre", kCentreSynopsis, RunCentreCommand},
    {"photometry", kPhotometrySynopsis, RunPhotometryCommand},
    {"capture", kCaptureSynopsis, RunCaptureCommand},
    {"focus", kFocusSynopsis, RunFocusCommand},
    {"scope", kScopeSynopsis, RunScopeCommand},
    {"guide", kGuideSynopsis, RunGuideCommand},
    {"simulate-mount", kSimulateMountSynopsis, RunSimulateMountCommand},
};

constexpr const char* kGlobalSynopsis = "COMMAND [OPTIONS]";

void PrintHelp(std::ostream& out) {
    out << UsageLine(kGlobalSynopsis) << "\n\n"
        << "Commands:\n";
    for (const CliCommand& command : kCommands) out << "  " << command.synopsis << '\n';
    out << "\nOptions:\n"
        << "  --root DIR         the folder standing for drive c: (default $VEXA_Q4_ROOT,\n"
        << "                     else ~/.local/share/vexa_q4)\n"
        << "  --camera VID:PID   which USB camera to use when several are attached\n"
        << "  --usb-log FILE     append a line per camera transfer to FILE\n"
        << kSerialLineOptionsHelp
        << "  --help             this text; COMMAND --help describes a command\n"
        << "\nExit status: 0 success, 1 the operation failed, 2 a usage error.\n";
}

int UsageError(std::ostream& err, const std::string& problem) {
    err << kProgramName << ": " << problem << '\n' << UsageLine(kGlobalSynopsis) << '\n';
    return kExitUsage;
}

}  // namespace

std::string UsageLine(const std::string& synopsis) {
    return std::string("usage: ") + kProgramName + " [--root DIR] " + synopsis;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> root;
    CameraOptions() = {};
    SerialLineOptions serialOptions;
    size_t next = 0;
    for (; next < args.size() && args[next].starts_with("-"); ++next) {
        const std::string& option = args[next];
        if (option == "--help" || option == "-h") {
            PrintHelp(out);
            return kExitSuccess;
        }
        if (option == "--root") {
            if (next + 1 >= args.size()) return UsageError(err, "--root needs a folder");
            root = args[++next];
        } else if (option.starts_with("--root=")) {
            root = option.substr(7);
        } else if (option == "--camera" || option.starts_with("--camera=")) {
            const std::string id = option == "--camera"
                                       ? (next + 1 < args.size() ? args[++next] : std::string())
                                       : option.substr(9);
            CameraOptions().camera = ParseUsbId(id);
            if (!CameraOptions().camera) return UsageError(err, "--camera needs VID:PID");
            continue;
        } else if (option == "--usb-log" || option.starts_with("--usb-log=")) {
            CameraOptions().usbLog = option == "--usb-log"
                                         ? (next + 1 < args.size() ? args[++next] : std::string())
                                         : option.substr(10);
            if (CameraOptions().usbLog.empty()) return UsageError(err, "--usb-log needs a file");
            continue;
        } else if (std::string problem; TakeSerialLineOption(args, next, serialOptions, problem)) {
            if (!problem.empty()) return UsageError(err, problem);
            continue;
        } else {
            return UsageError(err, "unknown option '" + option + "'");
        }
        if (root->empty()) return UsageError(err, "--root needs a folder");
    }
    if (next >= args.size()) return UsageError(err, "no command given");

    const std::string& name = args[next];
    const CliCommand* command = nullptr;
    for (const CliCommand& candidate : kCommands)
        if (name == candidate.name) command = &candidate;
    if (!command) return UsageError(err, "unknown command '" + name + "'");

    if (!serialOptions.serialLogPath.empty()) {
        if (Status log = CheckSerialLogPath(serialOptions.serialLogPath); !log.ok()) {
            err << kProgramName << ": cannot write the serial log " << log.text() << '\n';
            return kExitFailure;
        }
    }
    SetCliSerialOptions(serialOptions);

    SetDriveRoot(ResolveDriveRoot(root));
    InstallHeadlessDisplayRefresh();
    UiServices* previous = &Ui();
    TextUiServices ui(err);
    SetUi(&ui);
    const std::vector<std::string> commandArgs(args.begin() + static_cast<long>(next) + 1,
                                               args.end());
    if (!command->loadsSettingsItself) LoadSettings();
    const int status = command->run(commandArgs, out, err);
    SetUi(previous);
    return status;
}

int RunCli(int argc, char** argv) {
    IgnoreFileSizeSignal();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return RunCli(args, std::cout, std::cerr);
}

}  // namespace vexa::cli
