#include "cli/simulate_mount_command.h"

#include <signal.h>

#include <csignal>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/option_table.h"
#include "simulator/simulated_mount.h"
#include "simulator/simulated_mount_link.h"

namespace vexa::cli {

namespace {

// How long one pass waits for the client before it moves the mount on regardless.
constexpr int kServePassMs = 20;

volatile std::sig_atomic_t stopRequested = 0;

void OnStop(int) {
    stopRequested = 1;
}

constexpr const char* kHelpIntro =
    "Runs the simulated mount on a new pseudo-terminal and makes PATH a symbolic link to\n"
    "it, so that `scope --port PATH` or the window (--com1 PATH) can use it as a serial\n"
    "line. Prints link: and device:, then serves until Ctrl+C or SIGTERM, and removes\n"
    "the link. An existing PATH is replaced only when it is itself a symbolic link.\n\n"
    "Options:\n";
constexpr int kHelpColumn = 21;

struct MountRequest {
    std::string link;
    MountConfig config;
};

std::vector<OptionRow<MountRequest>> MountRows() {
    using R = MountRequest;
    return {
        HelpText<R>(kHelpIntro, kHelpColumn),
        Valued<R>(
            "--link", "PATH", NonEmpty, "--link needs a path",
            [](R& r, const std::string& path) { r.link = path; },
            "where the link to the mount's line goes"),
        Valued<R>(
            "--type", "lx200|box",
            WordOf<MountKind>({{"lx200", MountKind::Lx200}, {"box", MountKind::ControlBox}}),
            "--type needs lx200 or box", [](R& r, MountKind kind) { r.config.kind = kind; },
            "only the LX200 command set, or only the control box's bytes\n"
            "(default: the control box while the line runs at 300 baud,\n"
            "LX200 otherwise)"),
        Option<R>("--refuse-spaced", {}, ValueForm::Flag,
                  "answer '0' to an R.A. or Dec. value sent with a space before\n"
                  "it (\":Sd +21*09#\"), as some LX200 mounts do; the value\n"
                  "without the space is taken",
                  [](R& r, const OptionValues&) {
                      r.config.refuseSpacedValues = true;
                      return std::string();
                  }),
    };
}

const OptionTable<MountRequest>& MountTable() {
    static const OptionTable<MountRequest> table = [] {
        OptionTable<MountRequest> t("simulate-mount", kSimulateMountSynopsis, MountRows());
        t.helpWords = HelpWords::Anywhere;
        t.unknownName = "argument";
        return t;
    }();
    return table;
}

// Ctrl+C and SIGTERM end the service; what was there before comes back afterwards.
class StopSignals {
  public:
    StopSignals() {
        stopRequested = 0;
        struct sigaction action {};
        action.sa_handler = OnStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }

  private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

}  // namespace

int RunSimulateMountCommand(const std::vector<std::string>& args, std::ostream& out,
                            std::ostream& err) {
    MountRequest request;
    if (const auto exit = ReadCommandLine(MountTable(), args, request, out, err)) return *exit;
    if (request.link.empty()) return Usage(MountTable(), err, "--link PATH is required");
    const std::string& link = request.link;
    const MountConfig& config = request.config;

    SimulatedMount mount(config);
    if (Status opened = mount.OpenTerminal(); !opened.ok()) {
        err << kProgramName << " simulate-mount: cannot make a pseudo-terminal: " << opened.text()
            << '\n';
        return kExitFailure;
    }
    const std::string device = mount.SharedDevicePath();
    if (Status linked = MakeMountLink(link, device); !linked.ok()) {
        err << kProgramName << " simulate-mount: " << linked.text() << '\n';
        return kExitFailure;
    }
    out << "link: " << link << '\n' << "device: " << device << '\n' << std::flush;

    {
        const StopSignals signals;
        while (!stopRequested) mount.ServeFor(kServePassMs);
    }
    // Only the link made here is removed.
    RemoveMountLink(link, device);
    return kExitSuccess;
}

}  // namespace vexa::cli
