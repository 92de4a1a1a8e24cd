#include "cli/cli_app.h"

#include <iostream>
#include <optional>

#include "app/display_refresh.h"
#include "cli/camera_commands.h"
#include "cli/centre_command.h"
#include "cli/guide_command.h"
#include "cli/image_commands.h"
#include "cli/option_table.h"
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
constexpr int kHelpColumn = 21;

// The options before the command.
struct GlobalOptions {
    std::optional<std::string> root;
    bool simulator = false;
    CameraGlobalOptions camera;
    SerialLineOptions serial;
};

std::vector<OptionRow<GlobalOptions>> GlobalRows() {
    using G = GlobalOptions;
    std::string commands = "Commands:\n";
    for (const CliCommand& command : kCommands)
        commands += "  " + std::string(command.synopsis) + '\n';
    return {
        HelpText<G>(commands + "\nOptions:\n", kHelpColumn),
        Valued<G>(
            "--root", "DIR", NonEmpty, "--root needs a folder",
            [](G& g, const std::string& root) { g.root = root; },
            "the folder standing for drive c: (default $VEXA_Q4_ROOT,\n"
            "else ~/.local/share/vexa_q4)"),
        Flag<G>("--simulator", &G::simulator,
                "the simulated camera and mount for the commands that have them"),
        Valued<G>(
            "--camera", "VID:PID", [](const std::string& text) { return ParseUsbId(text); },
            "--camera needs VID:PID", [](G& g, UsbId id) { g.camera.camera = id; },
            "which USB camera to use when several are attached"),
        Valued<G>(
            "--usb-log", "FILE", NonEmpty, "--usb-log needs a file",
            [](G& g, const std::string& file) { g.camera.usbLog = file; },
            "append a line per camera transfer to FILE"),
        HelpText<G>(kSerialLineOptionsHelp),
        Listing<G>("--help", "this text; COMMAND --help describes a command"),
        HelpText<G>("\nExit status: 0 success, 1 the operation failed, 2 a usage error.\n"),
    };
}

const OptionTable<GlobalOptions>& GlobalTable() {
    static const OptionTable<GlobalOptions> table = [] {
        OptionTable<GlobalOptions> t("", kGlobalSynopsis, GlobalRows());
        t.optionWords = OptionWords::Dash;
        t.stopAtWord = true;
        // The serial-line options, which the window takes as well, have a reader of their own.
        t.otherOptions = [](GlobalOptions& g, const std::vector<std::string>& args, size_t& i,
                            std::string& problem) {
            return TakeSerialLineOption(args, i, g.serial, problem);
        };
        return t;
    }();
    return table;
}

int UsageError(std::ostream& err, const std::string& problem) {
    err << kProgramName << ": " << problem << '\n' << UsageLine(kGlobalSynopsis) << '\n';
    return kExitUsage;
}

const CliCommand* FindCommand(const std::string& name) {
    for (const CliCommand& candidate : kCommands)
        if (name == candidate.name) return &candidate;
    return nullptr;
}

// Runs the command with the global options applied and the text user interface installed.
int RunWith(const CliCommand& command, const GlobalOptions& options,
            const std::vector<std::string>& commandArgs, std::ostream& out, std::ostream& err) {
    if (!options.serial.serialLogPath.empty()) {
        if (Status log = CheckSerialLogPath(options.serial.serialLogPath); !log.ok()) {
            err << kProgramName << ": cannot write the serial log " << log.text() << '\n';
            return kExitFailure;
        }
    }
    SetCliSerialOptions(options.serial);
    SetCliSimulator(options.simulator);

    SetDriveRoot(ResolveDriveRoot(options.root));
    InstallHeadlessDisplayRefresh();
    UiServices* previous = &Ui();
    TextUiServices ui(err);
    SetUi(&ui);
    if (!command.loadsSettingsItself) LoadSettings();
    const int status = command.run(commandArgs, out, err);
    SetUi(previous);
    return status;
}

}  // namespace

std::string UsageLine(const std::string& synopsis) {
    return std::string("usage: ") + kProgramName + " [--root DIR] " + synopsis;
}

std::optional<std::string> CommandWord(const std::vector<std::string>& args) {
    GlobalOptions options;
    const ReadOutcome outcome = ReadOptions(GlobalTable(), args, options);
    if (outcome.kind != ReadOutcome::Read || outcome.next >= args.size()) return std::nullopt;
    return args[outcome.next];
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CameraOptions() = {};
    GlobalOptions options;
    const ReadOutcome outcome = ReadOptions(GlobalTable(), args, options);
    if (outcome.kind == ReadOutcome::HelpAsked) {
        PrintHelp(GlobalTable(), out);
        return kExitSuccess;
    }
    if (outcome.kind == ReadOutcome::Refused) return UsageError(err, outcome.problem);
    if (outcome.next >= args.size()) return UsageError(err, "no command given");

    const std::string& name = args[outcome.next];
    const CliCommand* command = FindCommand(name);
    if (!command) return UsageError(err, "unknown command '" + name + "'");
    CameraOptions() = options.camera;
    const std::vector<std::string> commandArgs(args.begin() + static_cast<long>(outcome.next) + 1,
                                               args.end());
    return RunWith(*command, options, commandArgs, out, err);
}

int RunCli(int argc, char** argv) {
    IgnoreFileSizeSignal();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return RunCli(args, std::cout, std::cerr);
}

}  // namespace vexa::cli
