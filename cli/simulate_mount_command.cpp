#include "cli/simulate_mount_command.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "simulator/simulated_mount.h"

namespace vexa::cli {

namespace {

// How long one pass waits for the client before it moves the mount on regardless.
constexpr int kServePassMs = 20;

volatile std::sig_atomic_t stopRequested = 0;

void OnStop(int) {
    stopRequested = 1;
}

void PrintHelp(std::ostream& out) {
    out << UsageLine(kSimulateMountSynopsis) << "\n\n"
        << "Runs the simulated mount on a new pseudo-terminal and makes PATH a symbolic link to\n"
        << "it, so that `scope --port PATH` or the window (--com1 PATH) can use it as a serial\n"
        << "line. Prints link: and device:, then serves until Ctrl+C or SIGTERM, and removes\n"
        << "the link. An existing PATH is replaced only when it is itself a symbolic link.\n\n"
        << "Options:\n"
        << "  --link PATH        where the link to the mount's line goes\n"
        << "  --type lx200|box   only the LX200 command set, or only the control box's bytes\n"
        << "                     (default: the control box while the line runs at 300 baud,\n"
        << "                     LX200 otherwise)\n"
        << "  --refuse-spaced    answer '0' to an R.A. or Dec. value sent with a space before\n"
        << "                     it (\":Sd +21*09#\"), as some LX200 mounts do; the value\n"
        << "                     without the space is taken\n";
}

int Usage(std::ostream& err, const std::string& problem) {
    return UsageError(err, "simulate-mount", kSimulateMountSynopsis, problem);
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
    if (WantsHelp(args)) {
        PrintHelp(out);
        return kExitSuccess;
    }
    std::string link;
    MountConfig config;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (Named(arg, "--link")) {
            const auto path = OptionValue(args, i, "--link");
            if (!path || path->empty()) return Usage(err, "--link needs a path");
            link = *path;
        } else if (Named(arg, "--type")) {
            const auto type = OptionValue(args, i, "--type");
            if (type && *type == "lx200") {
                config.kind = MountKind::Lx200;
            } else if (type && *type == "box") {
                config.kind = MountKind::ControlBox;
            } else {
                return Usage(err, "--type needs lx200 or box");
            }
        } else if (arg == "--refuse-spaced") {
            config.refuseSpacedValues = true;
        } else {
            return Usage(err, "unknown argument '" + arg + "'");
        }
    }
    if (link.empty()) return Usage(err, "--link PATH is required");

    struct stat existing {};
    if (lstat(link.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            err << kProgramName << " simulate-mount: " << link
                << " exists and is not a symbolic link; it is left alone\n";
            return kExitFailure;
        }
        unlink(link.c_str());
    }

    SimulatedMount mount(config);
    if (Status opened = mount.OpenTerminal(); !opened.ok()) {
        err << kProgramName << " simulate-mount: cannot make a pseudo-terminal: " << opened.text()
            << '\n';
        return kExitFailure;
    }
    const std::string device = mount.SharedDevicePath();
    if (symlink(device.c_str(), link.c_str()) != 0) {
        err << kProgramName << " simulate-mount: cannot link " << link << ": "
            << std::strerror(errno) << '\n';
        return kExitFailure;
    }
    out << "link: " << link << '\n' << "device: " << device << '\n' << std::flush;

    {
        const StopSignals signals;
        while (!stopRequested) mount.ServeFor(kServePassMs);
    }
    // Only the link made here is removed.
    char target[4096];
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length >= 0 && device == std::string(target, static_cast<size_t>(length))) {
        unlink(link.c_str());
    }
    return kExitSuccess;
}

}  // namespace vexa::cli
