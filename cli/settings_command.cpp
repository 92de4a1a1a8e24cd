#include "cli/settings_command.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <string_view>
#include <utility>
#include <variant>

#include "app/settings_dialog_model.h"
#include "cli/cli_app.h"
#include "cli/option_table.h"
#include "session/message_catalogue.h"
#include "session/printable_text.h"
#include "session/safe_file_writer.h"
#include "session/session_state.h"
#include "session/settings_file.h"

namespace vexa::cli {

namespace {

using P = PersistentSettings;
using Member = std::variant<uint16_t P::*, int16_t P::*, bool P::*, char P::*, TelescopeType P::*,
                            std::array<char, 4> P::*, std::string P::*, double P::*>;

constexpr long kAutosaveNumberMax = 0xFFFA;
constexpr long kInt16Min = -32768;
constexpr long kInt16Max = 32767;

// One persistent setting as the command line names, checks and prints it. Values are held
// to what the settings file accepts on reading, so that a --set never leads the next start
// into the self-repair that drops the fields after a refused one.
struct SettingEntry {
    const char* name;
    Member member;
    long minValue = 0;  // integers
    long maxValue = 0;
    std::span<const int16_t> only;  // integers limited to these choices
    std::string_view letters;       // characters: the accepted letters
    size_t maxLength = 0;           // texts
};

constexpr std::array<int16_t, 0> kAnyValue{};

SettingEntry Integer(const char* name, Member member, long minValue, long maxValue,
                     std::span<const int16_t> only = kAnyValue) {
    return {name, member, minValue, maxValue, only, {}, 0};
}
SettingEntry Plain(const char* name, Member member) {
    return {name, member, 0, 0, kAnyValue, {}, 0};
}
SettingEntry Flag(const char* name, bool P::*member) {
    return Plain(name, member);
}
SettingEntry Letter(const char* name, char P::*member, std::string_view letters) {
    return {name, member, 0, 0, kAnyValue, letters, 0};
}
// The telescope type, named by its letter.
SettingEntry TypeLetter(const char* name, TelescopeType P::*member) {
    static constexpr char kLetters[] = {
        TelescopeTypeLetter(TelescopeType::None), TelescopeTypeLetter(TelescopeType::Lx200),
        TelescopeTypeLetter(TelescopeType::ControlBox), TelescopeTypeLetter(TelescopeType::Indi)};
    return {name, member, 0, 0, kAnyValue, std::string_view(kLetters, std::size(kLetters)), 0};
}
SettingEntry Text(const char* name, std::string P::*member, size_t maxLength) {
    return {name, member, 0, 0, kAnyValue, {}, maxLength};
}
SettingEntry Real(const char* name, double P::*member) {
    return Plain(name, member);
}

// Every persistent setting in file order.
const std::vector<SettingEntry>& Entries() {
    static const std::vector<SettingEntry> entries = {
        Integer("autosaveNumber", &P::autosaveNumber, 0, kAutosaveNumberMax),
        Integer("hoursToUT", &P::hoursToUT, kInt16Min, kInt16Max),
        Flag("fast_par", &P::fast_par),
        Integer("legacyReadMode", &P::legacyReadMode, 0, 3),
        Integer("guideStarMaskRadius", &P::guideStarMaskRadius, 0, 0, kGuideStarMaskRadii),
        Integer("delayAdjustment", &P::delayAdjustment, 1, 3),
        Letter("backgroundChoice", &P::backgroundChoice, "lrg"),
        Flag("focusDelay", &P::focusDelay),
        Integer("raPixelsPerSecond", &P::raPixelsPerSecond, kInt16Min, kInt16Max),
        Integer("decPixelsPerSecond", &P::decPixelsPerSecond, kInt16Min, kInt16Max),
        Integer("raBacklash", &P::raBacklash, 0, kBacklashMaxOnReading),
        Integer("decBacklash", &P::decBacklash, 0, kBacklashMaxOnReading),
        Flag("ignoreSmallDrift", &P::ignoreSmallDrift),
        TypeLetter("telescopeType", &P::telescopeType),
        Flag("disableInterruptsDuringDownload", &P::disableInterruptsDuringDownload),
        Integer("raHysteresis", &P::raHysteresis, 0, kHysteresisCap),
        Integer("decHysteresis", &P::decHysteresis, 0, kHysteresisCap),
        Plain("driveDirections", &P::driveDirections),
        Flag("autoWeakStretch", &P::autoWeakStretch),
        Flag("autoStrongStretch", &P::autoStrongStretch),
        Flag("autoUserStretch", &P::autoUserStretch),
        Integer("autoUserStretchLevel", &P::autoUserStretchLevel, 1, 36),
        Flag("autoHighPass", &P::autoHighPass),
        Flag("autoUnsharp", &P::autoUnsharp),
        Integer("autoUnsharpDiameter", &P::autoUnsharpDiameter, 1, 6),
        Integer("autoUnsharpPower", &P::autoUnsharpPower, 1, 6),
        Flag("autoRemoveBackground", &P::autoRemoveBackground),
        Flag("fastParExtra", &P::fastParExtra),
        Text("fitsObject", &P::fitsObject, kSettingsShortTextChars),
        Text("fitsTelescope", &P::fitsTelescope, kSettingsShortTextChars),
        Text("fitsInstrument", &P::fitsInstrument, kSettingsShortTextChars),
        Text("fitsObserver", &P::fitsObserver, kSettingsShortTextChars),
        Text("fitsOrigin", &P::fitsOrigin, kSettingsShortTextChars),
        Text("fitsHistory", &P::fitsHistory, kSettingsLongTextChars),
        Text("fitsComment", &P::fitsComment, kSettingsLongTextChars),
        Text("fitsFilter", &P::fitsFilter, kSettingsShortTextChars),
        Real("apertureSquareInches", &P::apertureSquareInches),
        Real("focalLengthInches", &P::focalLengthInches),
        Flag("unsignedIntFits", &P::unsignedIntFits),
        Flag("showInterfaceDetails", &P::showInterfaceDetails),
    };
    return entries;
}

std::string FormatReal(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string FormatValue(const SettingEntry& entry, const P& settings) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& v = settings.*member;
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>)
                return v ? "true" : "false";
            else if constexpr (std::is_same_v<T, char>)
                return std::string(1, v);
            else if constexpr (std::is_same_v<T, TelescopeType>)
                return std::string(1, TelescopeTypeLetter(v));
            else if constexpr (std::is_same_v<T, std::array<char, 4>>)
                return std::string(v.begin(), v.end());
            else if constexpr (std::is_same_v<T, std::string>)
                return v;
            else if constexpr (std::is_same_v<T, double>)
                return FormatReal(v);
            else
                return std::to_string(v);
        },
        entry.member);
}

std::optional<long> ParseInteger(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return v;
}

std::optional<bool> ParseBool(const std::string& text) {
    if (text == "true" || text == "1" || text == "y") return true;
    if (text == "false" || text == "0" || text == "n") return false;
    return std::nullopt;
}

bool IsPlainText(const std::string& text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        // A quote would end the card's text early on the next reading.
        if (u < 0x20 || u == 0x7F || c == '\'') return false;
    }
    return true;
}

// A change ready to apply, or the reason the value is refused.
using Change = std::function<void(SessionState&)>;

std::optional<Change> Refused(std::string& problem, std::string reason) {
    problem = std::move(reason);
    return std::nullopt;
}

// The value for one kind of setting, parsed and checked against its entry.
std::optional<Change> ParseValue(bool P::*member, const SettingEntry&, const std::string& text,
                                 std::string& problem) {
    const auto v = ParseBool(text);
    if (!v) return Refused(problem, "expects true or false");
    return Change([member, b = *v](SessionState& s) { s.settings.*member = b; });
}

std::optional<Change> ParseValue(char P::*member, const SettingEntry& entry,
                                 const std::string& text, std::string& problem) {
    if (text.size() != 1 || entry.letters.find(text[0]) == std::string_view::npos) {
        return Refused(problem, "expects one of the letters " + std::string(entry.letters));
    }
    return Change([member, c = text[0]](SessionState& s) {
        s.settings.*member = c;
        if (member == &P::backgroundChoice) {
            s.backgroundColour = BackgroundColourFor(c);
            s.backgroundChanged = true;
        }
    });
}

std::optional<Change> ParseValue(TelescopeType P::*member, const SettingEntry& entry,
                                 const std::string& text, std::string& problem) {
    const std::optional<TelescopeType> type =
        text.size() == 1 ? TelescopeTypeFromLetter(text[0]) : std::nullopt;
    if (!type) return Refused(problem, "expects one of the letters " + std::string(entry.letters));
    return Change([member, t = *type](SessionState& s) { s.settings.*member = t; });
}

std::optional<Change> ParseValue(std::array<char, 4> P::*member, const SettingEntry&,
                                 const std::string& text, std::string& problem) {
    const bool ok = text.size() == 4 && (text.substr(0, 2) == "ns" || text.substr(0, 2) == "sn") &&
                    (text.substr(2) == "ew" || text.substr(2) == "we");
    if (!ok) {
        return Refused(problem,
                       "expects the north, south, east and west letters (nsew, snew, "
                       "nswe or snwe)");
    }
    std::array<char, 4> letters{text[0], text[1], text[2], text[3]};
    return Change([member, letters](SessionState& s) { s.settings.*member = letters; });
}

std::optional<Change> ParseValue(std::string P::*member, const SettingEntry& entry,
                                 const std::string& text, std::string& problem) {
    if (text.size() > entry.maxLength || !IsPlainText(text)) {
        return Refused(problem, "expects up to " + std::to_string(entry.maxLength) +
                                    " printable characters without a single quote");
    }
    return Change([member, text](SessionState& s) { s.settings.*member = text; });
}

std::optional<Change> ParseValue(double P::*member, const SettingEntry&, const std::string& text,
                                 std::string& problem) {
    errno = 0;
    char* end = nullptr;
    const double v = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !std::isfinite(v)) {
        return Refused(problem, "expects a real number");
    }
    return Change([member, v](SessionState& s) { s.settings.*member = v; });
}

// What an integer setting accepts, in words.
std::string IntegerExpectation(const SettingEntry& entry) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) about chains of string
    // concatenation at -O3.
    std::ostringstream expected;
    expected << "expects an integer ";
    if (entry.only.empty()) {
        expected << "from " << entry.minValue << " to " << entry.maxValue;
    } else {
        expected << "among";
        for (int16_t choice : entry.only) expected << ' ' << choice;
    }
    return expected.str();
}

// The integers, signed and unsigned.
template <typename T>
std::optional<Change> ParseValue(T P::*member, const SettingEntry& entry, const std::string& text,
                                 std::string& problem) {
    const auto v = ParseInteger(text);
    bool ok = v && *v >= entry.minValue && *v <= entry.maxValue;
    if (v && !entry.only.empty()) {
        ok = false;
        for (int16_t choice : entry.only) ok = ok || *v == choice;
    }
    if (!ok) return Refused(problem, IntegerExpectation(entry));
    return Change([member, n = static_cast<T>(*v)](SessionState& s) { s.settings.*member = n; });
}

std::optional<Change> ParseChange(const SettingEntry& entry, const std::string& text,
                                  std::string& problem) {
    return std::visit([&](auto member) { return ParseValue(member, entry, text, problem); },
                      entry.member);
}

const SettingEntry* FindEntry(std::string_view name) {
    for (const SettingEntry& entry : Entries())
        if (name == entry.name) return &entry;
    return nullptr;
}

constexpr const char* kHelpIntro =
    "Loads the settings file autosave/Vexa_Q4.ini under the root (a missing folder is\n"
    "created with a default file), applies each --set, writes the file when anything\n"
    "was set, then prints every setting in file order as NAME: VALUE.\n\n"
    "Options:\n";
constexpr int kHelpColumn = 20;

// "--set NAME=VALUE": the change, checked before the settings file is touched.
std::string TakeAssignment(std::vector<Change>& changes, const OptionValues& values) {
    const std::string assignment = values.empty() ? std::string() : values[0];
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) return "--set needs NAME=VALUE";
    const std::string name = assignment.substr(0, equals);
    const SettingEntry* entry = FindEntry(name);
    if (!entry) return "unknown setting '" + name + "'";
    std::string problem;
    auto change = ParseChange(*entry, assignment.substr(equals + 1), problem);
    if (!change) return name + " " + problem;
    changes.push_back(std::move(*change));
    return {};
}

const OptionTable<std::vector<Change>>& SettingsTable() {
    using R = std::vector<Change>;
    static const OptionTable<R> table = [] {
        std::vector<OptionRow<R>> rows = {
            HelpText<R>(kHelpIntro, kHelpColumn),
            Option<R>("--set", "NAME=VALUE", ValueForm::Value,
                      "change one setting (repeatable). Booleans take true or false,\n"
                      "characters one letter, driveDirections four letters (nsew),\n"
                      "reals a number; values outside what the settings file accepts\n"
                      "are refused.",
                      TakeAssignment),
            Listing<R>("--help", "this text"),
            HelpText<R>("\nSettings:\n"),
        };
        for (const SettingEntry& entry : Entries())
            rows.push_back(HelpText<R>("  " + std::string(entry.name) + '\n'));
        return OptionTable<R>("settings", kSettingsSynopsis, std::move(rows));
    }();
    return table;
}

}  // namespace

int RunSettingsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // Every option is checked before the settings file is touched.
    std::vector<Change> changes;
    if (const auto exit = ReadCommandLine(SettingsTable(), args, changes, out, err)) return *exit;

    // As the settings dialog does: a file that cannot be read is reported, and a write
    // below (when anything is set) puts a complete file in its place.
    const bool loaded = LoadSettings() == 0;
    if (!loaded) ShowMessage(MessageCode::SettingsLoadFailed);
    SessionState& session = Session();
    for (const Change& change : changes) change(session);
    if (!changes.empty() && SaveSettings() != 0) {
        ShowMessageWithReason(MessageCode::SettingsSaveFailed, WriteFailureReason());
        return kExitFailure;
    }

    for (const SettingEntry& entry : Entries())
        out << entry.name << ": " << EscapeBytes(FormatValue(entry, session.settings)) << '\n';
    return loaded || !changes.empty() ? kExitSuccess : kExitFailure;
}

}  // namespace vexa::cli
