#include "cli/scope_command.h"

#include <cctype>
#include <optional>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/option_table.h"
#include "cli/serial_lines.h"
#include "cli/text_ui_services.h"
#include "session/session_state.h"
#include "session/timed_waits.h"
#include "simulator/simulated_mount.h"
#include "simulator/simulated_mount_link.h"
#include "telescope/control_box.h"
#include "telescope/lx200_sequences.h"
#include "telescope/mount_link.h"
#include "telescope/telescope_dialog_models.h"

namespace vexa::cli {

namespace {

constexpr long kLongestRunMs = 600000;  // ten minutes

enum class Action { None, Goto, Move, Pulse, Focus, Info };

struct ScopeRequest {
    bool simulator = false;
    std::string port;
    std::optional<TelescopeType> type;
    Action action = Action::None;
    std::string direction;  // n, s, e, w for moves and pulses; in, out for the focuser
    long durationMs = -1;
    std::string messier, ngc, planet, ra, dec;
    std::vector<std::string> words;  // the action and its direction
};

std::optional<Action> ActionNamed(const std::string& word) {
    if (word == "goto") return Action::Goto;
    if (word == "move") return Action::Move;
    if (word == "pulse") return Action::Pulse;
    if (word == "focus") return Action::Focus;
    if (word == "info") return Action::Info;
    return std::nullopt;
}

std::optional<Planet> PlanetNamed(const std::string& name) {
    for (int i = 0; i < kPlanetCount; ++i) {
        const std::string known = PlanetName(static_cast<Planet>(i));
        if (known.size() != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < name.size(); ++k) {
            same = same && std::tolower(static_cast<unsigned char>(name[k])) ==
                               std::tolower(static_cast<unsigned char>(known[k]));
        }
        if (same) return static_cast<Planet>(i);
    }
    return std::nullopt;
}

// "H:M" into its two parts, as typed into the dialog's two edits.
bool SplitPair(const std::string& text, std::string& first, std::string& second) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    first = text.substr(0, colon);
    second = text.substr(colon + 1);
    return true;
}

std::optional<MoveArrow> ArrowFor(const std::string& direction) {
    if (direction == "n") return MoveArrow::Up;
    if (direction == "s") return MoveArrow::Down;
    if (direction == "e") return MoveArrow::Right;
    if (direction == "w") return MoveArrow::Left;
    return std::nullopt;
}

// The configured letter for a compass direction, as a guide correction uses it.
char PulseLetterFor(const std::string& direction) {
    if (direction == "n") return DirectionLetter(Direction::North);
    if (direction == "s") return DirectionLetter(Direction::South);
    if (direction == "e") return DirectionLetter(Direction::East);
    return DirectionLetter(Direction::West);
}

constexpr const char* kHelpIntro =
    "Opens the telescope line (the port the settings name, COM1 or COM2, unless --port\n"
    "or --simulator says otherwise) and performs one action:\n";
constexpr int kActionColumn = 23;
constexpr int kOptionColumn = 21;
constexpr const char* kHelpEnd =
    "\nExits 1 when the action failed: no telescope type, no line, no reply, co-ordinates\n"
    "or a GoTo the mount refused.\n";

// The actions' own options, described with the actions.
OptionRow<ScopeRequest> ActionOption(const char* name, std::string ScopeRequest::*field) {
    return Valued<ScopeRequest>(
               name, "", NonEmpty, std::string(name) + " needs a value",
               [field](ScopeRequest& r, const std::string& text) { r.*field = text; }, {})
        .Listed(HelpPlace::Unlisted);
}

std::vector<OptionRow<ScopeRequest>> ScopeRows() {
    using R = ScopeRequest;
    return {
        HelpText<R>(kHelpIntro, kActionColumn),
        Listing<R>("goto --messier N | --ngc N | --planet NAME | --ra H:M --dec D:M",
                   "a GoTo as the telescope dialog makes it; prints info: and\n"
                   "the mount's reply: to the slew (none when it refused the\n"
                   "co-ordinates); a refusal's message goes to standard error"),
        Listing<R>("move n|s|e|w --ms T", "an arrow held for T ms"),
        Listing<R>("pulse n|s|e|w --ms T", "a guide pulse of T ms"),
        Listing<R>("focus in|out --ms T", "a focus arrow held for T ms"),
        Listing<R>("info", "reads the scope's information; prints info:"),
        ActionOption("--messier", &R::messier),
        ActionOption("--ngc", &R::ngc),
        ActionOption("--planet", &R::planet),
        ActionOption("--ra", &R::ra),
        ActionOption("--dec", &R::dec),
        Valued<R>("--ms", "T", IntegerIn(1, kLongestRunMs), "--ms needs a time from 1 to 600000 ms",
                  [](R& r, long ms) { r.durationMs = ms; }, {})
            .Listed(HelpPlace::Unlisted),
        HelpText<R>("\nOptions:\n", kOptionColumn),
        Flag<R>("--simulator", &R::simulator, "the simulated mount, in this process"),
        Valued<R>(
            "--port", "DEVICE", NonEmpty, "--port needs a device",
            [](R& r, const std::string& port) { r.port = port; },
            "the serial device (a terminal device or a link to one)"),
        Valued<R>(
            "--type", "lx200|box",
            WordOf<TelescopeType>(
                {{"lx200", TelescopeType::Lx200}, {"box", TelescopeType::ControlBox}}),
            "--type needs lx200 or box", [](R& r, TelescopeType type) { r.type = type; },
            "the telescope type for this run (default the settings';\n"
            "with --simulator and no type set, lx200)"),
        HelpText<R>(CommandMountOptionsHelp()),
        HelpText<R>(kHelpEnd),
    };
}

const OptionTable<ScopeRequest>& ScopeTable() {
    static const OptionTable<ScopeRequest> table = [] {
        OptionTable<ScopeRequest> t("scope", kScopeSynopsis, ScopeRows());
        t.optionWords = OptionWords::DoubleDash;
        t.helpWords = HelpWords::Anywhere;
        t.takeWord = [](ScopeRequest& r, const std::string& word) {
            r.words.push_back(word);
            return std::string();
        };
        t.otherOptions = [](ScopeRequest&, const std::vector<std::string>& args, size_t& i,
                            std::string& problem) {
            return TakeCommandMountOption(args, i, problem);
        };
        return t;
    }();
    return table;
}

// Reads the action from the words once the options are read; an empty problem means the
// request is complete.
std::string ParseRequest(ScopeRequest& request) {
    const std::vector<std::string>& words = request.words;
    if (CliSimulator()) request.simulator = true;
    if (request.simulator && !request.port.empty())
        return "--simulator and --port exclude each other";
    if (CliSerialOptions().indi && (request.type || !request.port.empty()))
        return "--indi names the telescope: --type and --port do not go with it";
    if (!CliSerialOptions().mountLinkPath.empty() && !request.simulator)
        return "--mount-link serves the simulated mount: it needs --simulator";
    if (words.empty()) return "no action given";
    const std::optional<Action> action = ActionNamed(words[0]);
    if (!action) return "unknown action '" + words[0] + "'";
    request.action = *action;
    const size_t wanted = (*action == Action::Goto || *action == Action::Info) ? 1 : 2;
    if (words.size() != wanted) {
        return wanted == 1 ? words[0] + " takes no further words" : words[0] + " needs a direction";
    }
    if (wanted == 2) request.direction = words[1];
    switch (*action) {
        case Action::Move:
        case Action::Pulse:
            if (!ArrowFor(request.direction)) return words[0] + " needs n, s, e or w";
            if (request.durationMs < 0) return words[0] + " needs --ms T";
            break;
        case Action::Focus:
            if (request.direction != "in" && request.direction != "out") {
                return "focus needs in or out";
            }
            if (request.durationMs < 0) return "focus needs --ms T";
            break;
        case Action::Goto: {
            // The Messier and CNGC numbers fill the dialog's two boxes; either or both.
            const int targets = (!request.messier.empty() || !request.ngc.empty()) +
                                !request.planet.empty() +
                                (!request.ra.empty() || !request.dec.empty());
            if (targets != 1)
                return "goto needs one of --messier, --ngc, --planet, --ra with --dec";
            if (!request.ra.empty() != !request.dec.empty()) return "--ra and --dec go together";
            if (!request.planet.empty() && !PlanetNamed(request.planet)) {
                return "unknown planet '" + request.planet + "'";
            }
            std::string a, b;
            if (!request.ra.empty() &&
                (!SplitPair(request.ra, a, b) || !SplitPair(request.dec, a, b))) {
                return "--ra and --dec are written H:M and D:M";
            }
            break;
        }
        default:
            break;
    }
    return {};
}

std::string Printable(char c) {
    if (c >= 0x20 && c < 0x7f) return std::string(1, c);
    static constexpr char kHex[] = "0123456789abcdef";
    const auto byte = static_cast<unsigned char>(c);
    return std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
}

std::string Printable(const std::string& text) {
    std::string printed;
    for (char c : text) printed += Printable(c);
    return printed;
}

// The display text of a mount's refusal, without the '#' that ends it and the blanks that pad
// it out to its fixed width.
std::string RefusalText(std::string message) {
    if (!message.empty() && message.back() == '#') message.pop_back();
    while (!message.empty() && message.back() == ' ') message.pop_back();
    return Printable(message);
}

// Holds an arrow for the time asked, Ctrl+C ending the wait early, then releases it.
template <class Press, class Release>
void HoldFor(long ms, Press press, Release release) {
    press();
    WaitMillisecondsWithMessages(static_cast<uint32_t>(ms));
    release();
}

int Finish(const std::string& notice, std::ostream& err) {
    if (notice.empty()) return kExitSuccess;
    err << kProgramName << " scope: " << notice << '\n';
    return kExitFailure;
}

// detailed: the mount's own reason follows the notice (an INDI server's words say more than a
// serial line's).
std::string WithReason(const std::string& notice, const Status& status, bool detailed) {
    if (!detailed || status.ok() || notice.find(status.text()) != std::string::npos) return notice;
    return notice + ": " + status.text();
}

int Finish(const MoveTelescopeDialogModel& model, bool detailed, std::ostream& err) {
    return Finish(WithReason(model.Notice(), model.LastStatus(), detailed), err);
}

int RunDialogAction(const ScopeRequest& request, MountOperations& mount, bool detailed,
                    std::ostream& out, std::ostream& err) {
    MoveTelescopeDialogModel model(mount);
    switch (request.action) {
        case Action::Goto: {
            bool sent = false;
            if (!request.planet.empty()) {
                model.GotoPlanet(*PlanetNamed(request.planet));
                sent = true;
            } else if (!request.ra.empty()) {
                SplitPair(request.ra, model.raHoursText, model.raMinutesText);
                SplitPair(request.dec, model.decDegreesText, model.decMinutesText);
                sent = model.GotoCoordinates();
            } else {
                model.messierText = request.messier;
                model.cngcText = request.ngc;
                sent = model.GotoObject();
            }
            if (!sent) return kExitFailure;  // the range message is on standard error
            out << "info: " << Printable(Session().telescope.scopeInfo) << '\n';
            // Only a reply the mount gave: refused values are not followed by a slew.
            const GotoAnswer& answer = model.LastGotoAnswer();
            if (answer.read) out << "reply: " << Printable(answer.reply) << '\n';
            const bool refused = answer.read && answer.reply != kGotoAccepted;
            if (refused) {
                err << kProgramName
                    << " scope: the mount refused the GoTo: " << RefusalText(answer.message)
                    << '\n';
            }
            const int status = Finish(model, detailed, err);
            return refused ? kExitFailure : status;
        }
        case Action::Info: {
            const Status read = mount.ReadScopeInfo();
            out << "info: " << Printable(Session().telescope.scopeInfo) << '\n';
            return Finish(WithReason(LinkNotice(read), read, detailed), err);
        }
        case Action::Move:
            HoldFor(
                request.durationMs, [&] { model.PressMoveArrow(*ArrowFor(request.direction)); },
                [&] { model.ReleaseMoveArrow(); });
            return Finish(model, detailed, err);
        case Action::Focus:
            HoldFor(
                request.durationMs, [&] { model.PressFocusArrow(request.direction == "in"); },
                [&] { model.ReleaseFocusArrow(); });
            return Finish(model, detailed, err);
        default:
            return kExitSuccess;
    }
}

int RunBoxAction(const ScopeRequest& request, SerialLine& line, std::ostream& err) {
    ControlBoxDialogModel model(line);
    model.Report(InitialiseControlBox(line));
    if (!model.Notice().empty()) return Finish(model.Notice(), err);
    if (request.action != Action::Move) {
        err << kProgramName << " scope: the control box can only move and pulse\n";
        return kExitFailure;
    }
    HoldFor(
        request.durationMs, [&] { model.PressArrow(*ArrowFor(request.direction)); },
        [&] { model.ReleaseArrow(); });
    return Finish(model.Notice(), err);
}

int RunRequest(const ScopeRequest& request, MountLink& link, std::ostream& out, std::ostream& err) {
    ReloadSettingsForTelescope();
    SessionState& s = Session();
    if (link.IndiForRun()) {
        // The INDI server's mount, whatever the settings say.
    } else if (request.type) {
        s.settings.telescopeType = *request.type;
    } else if (request.simulator && s.settings.telescopeType == TelescopeType::None) {
        // The simulated mount is an LX200 unless the line runs at the control box's speed.
        s.settings.telescopeType = TelescopeType::Lx200;
    }
    const TelescopeType type = link.Type();
    if (type == TelescopeType::None) {
        err << kProgramName << " scope: no telescope type is set (settings telescopeType)\n";
        return kExitFailure;
    }
    if (!request.port.empty()) link.Ports().Set(s.commPort, request.port);
    if (!link.OpenForTelescopeType()) {
        err << kProgramName << " scope: " << link.LastFailure().text() << '\n';
        return kExitFailure;
    }
    const bool detailed = type == TelescopeType::Indi;
    if (request.action == Action::Pulse) {
        if (type == TelescopeType::ControlBox) (void)InitialiseControlBox(link.Line());
        const Status sent = link.Pulses().Pulse(PulseLetterFor(request.direction),
                                                static_cast<uint32_t>(request.durationMs));
        return Finish(WithReason(LinkNotice(sent), sent, detailed), err);
    }
    if (type == TelescopeType::ControlBox) return RunBoxAction(request, link.Line(), err);
    return RunDialogAction(request, link.Operations(), detailed, out, err);
}

}  // namespace

int RunScopeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunScopeCommand(args, out, err, nullptr);
}

int RunScopeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const SerialLineMaker& deviceLines) {
    ScopeRequest request;
    if (const auto exit = ReadCommandLine(ScopeTable(), args, request, out, err)) return *exit;
    if (const std::string problem = ParseRequest(request); !problem.empty()) {
        return Usage(ScopeTable(), err, problem);
    }
    // Ctrl+C ends a held arrow early; the release still goes out.
    TextUiServices::CatchInterrupts();

    if (!request.simulator) {
        return RunRequest(request, *MakeCliMountLink(nullptr, deviceLines), out, err);
    }
    // The mount follows the line: the control box's bytes at 300 baud, else LX200.
    SimulatedMount mount;
    if (Status opened = mount.OpenTerminal(); !opened.ok()) {
        err << kProgramName << " scope: cannot start the simulated mount: " << opened.text()
            << '\n';
        return kExitFailure;
    }
    Status served;
    const std::unique_ptr<SimulatedMountLink> link = ServeMountLink(mount, served);
    if (!served.ok()) {
        err << kProgramName << " scope: " << served.text() << '\n';
        return kExitFailure;
    }
    return RunRequest(request, *MakeCliMountLink(&mount, deviceLines), out, err);
}

}  // namespace vexa::cli
