// One table per command declares its options: how each is written, what its value is, what it
// does with it, and its help line. The command's parser and its --help text are both made from
// the table, so that an option is named in one place only.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_app.h"
#include "cli/cli_args.h"

namespace vexa::cli {

// The words of value an option was given: none for a flag, nor when a value is missing.
using OptionValues = std::vector<std::string>;

// How an option is written with its value.
enum class ValueForm {
    Flag,           // the name alone; "--name=..." is not this option
    Value,          // "--name VALUE" or "--name=VALUE"
    SeparateValue,  // "--name VALUE" only
    TwoValues,      // "--name VALUE VALUE", both words present
    OptionalValue,  // "--name", "--name=VALUE", or "--name VALUE" when the option takes the word
    OptionalWord,   // "--name", or "--name VALUE" when the option takes the word
};

// Where the help lists an option.
enum class HelpPlace {
    OwnLine,         // a line of its own, with its description
    AfterComma,      // on the line of the option before it, after a comma
    After,           // on the line of the option before it, after a blank
    AfterBracketed,  // on the line of the option before it, in brackets
    Unlisted,        // described by a listing row instead
};

// A row is an option, a help line for something that is no option (an action word), or a
// text printed as it stands.
enum class RowKind { Option, Listing, Text };

// What the parser and the help need of a row, whatever the command's request.
struct OptionSyntax {
    RowKind kind = RowKind::Option;
    std::string name;       // "--normal"; a listing's left column; a text row's text
    std::string valueName;  // the value as the help writes it ("WHITE,BLACK", "[FILE]")
    ValueForm form = ValueForm::Flag;
    HelpPlace place = HelpPlace::OwnLine;
    std::string help;  // the description; its later lines are indented to the column
    int column = 0;    // a text row: where the descriptions of the rows after it start
    // The optional forms: whether the word after the name is the option's value.
    bool (*takesWord)(const std::string&) = nullptr;
};

// Which arguments are options; the others are the command's words (files, numbers, actions).
enum class OptionWords {
    All,          // every argument
    Dash,         // those starting with '-'
    DashAndMore,  // '-' followed by at least one more character
    DoubleDash,   // those starting with "--"
    None,         // no argument: the command takes words only
};

// When "--help" and "-h" ask for the help: as the arguments are read in order (a value may be
// one of them), or wherever they stand.
enum class HelpWords { InOrder, Anywhere };

// Takes the option's values into the request: the problem for the usage error, or empty.
template <class Request>
using TakeValues = std::function<std::string(Request&, const OptionValues&)>;

template <class Request>
struct OptionRow : OptionSyntax {
    TakeValues<Request> take;

    OptionRow Listed(HelpPlace where) && {
        place = where;
        return std::move(*this);
    }
};

template <class Request>
struct OptionTable {
    OptionTable(std::string command, std::string synopsis, std::vector<OptionRow<Request>> rows)
        : command(std::move(command)), synopsis(std::move(synopsis)), rows(std::move(rows)) {}

    std::string command;  // as the usage error names it; empty for the global options
    std::string synopsis;
    std::vector<OptionRow<Request>> rows;
    OptionWords optionWords = OptionWords::All;
    HelpWords helpWords = HelpWords::InOrder;
    // Takes a word that is no option; the problem, or empty. None: words are unknown options.
    std::function<std::string(Request&, const std::string&)> takeWord;
    // Reading ends at the first word that is no option (the global options end at the command).
    bool stopAtWord = false;
    // Options read by a reader of their own: true when it took args[i] (i then on its last
    // word), problem set when it refused them.
    std::function<bool(Request&, const std::vector<std::string>&, size_t&, std::string&)>
        otherOptions;
    std::string unknownName = "option";  // "unknown option '--x'"
};

// What reading the arguments came to.
struct ReadOutcome {
    enum Kind { Read, HelpAsked, Refused } kind = Read;
    std::string problem;  // Refused: why
    size_t next = 0;      // Read with stopAtWord: the index of the word reading stopped at
};

// ---- the parts that do not depend on the request ----

bool IsHelpWord(const std::string& arg);
// True when any of the arguments asks for the help.
bool WantsHelp(const std::vector<std::string>& args);
// "vexaq4-cli COMMAND: PROBLEM" and the command's usage line on err; returns kExitUsage.
int UsageError(std::ostream& err, const std::string& command, const std::string& synopsis,
               const std::string& problem);
bool IsOptionWord(OptionWords words, const std::string& arg);
// The row that args[i] names; nullptr when none. A joined value ("--name=VALUE") names only an
// option whose form allows it.
const OptionSyntax* MatchOption(const std::vector<const OptionSyntax*>& rows,
                                const std::string& arg);
// The values of the option at args[i]; i moves to the last word taken.
OptionValues TakeOptionValues(const OptionSyntax& option, const std::vector<std::string>& args,
                              size_t& i);
// The help: the usage line, then the rows: options with their value names and descriptions in
// columns, texts as they stand.
void PrintOptionRows(std::ostream& out, const std::string& usageLine,
                     const std::vector<const OptionSyntax*>& rows);

template <class Request>
std::vector<const OptionSyntax*> Syntaxes(const OptionTable<Request>& table) {
    std::vector<const OptionSyntax*> rows;
    for (const OptionRow<Request>& row : table.rows) rows.push_back(&row);
    return rows;
}

// ---- reading a command line with a table ----

template <class Request>
ReadOutcome ReadOptions(const OptionTable<Request>& table, const std::vector<std::string>& args,
                        Request& request) {
    if (table.helpWords == HelpWords::Anywhere && WantsHelp(args))
        return {ReadOutcome::HelpAsked, {}, 0};
    const std::vector<const OptionSyntax*> syntaxes = Syntaxes(table);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (table.helpWords == HelpWords::InOrder && IsHelpWord(arg)) {
            return {ReadOutcome::HelpAsked, {}, 0};
        }
        std::string problem;
        if (const OptionSyntax* match = MatchOption(syntaxes, arg)) {
            const auto& row = static_cast<const OptionRow<Request>&>(*match);
            problem = row.take(request, TakeOptionValues(row, args, i));
        } else if (table.otherOptions && table.otherOptions(request, args, i, problem)) {
            // Taken, or refused with its problem.
        } else if (IsOptionWord(table.optionWords, arg) || !(table.stopAtWord || table.takeWord)) {
            problem = "unknown " + table.unknownName + " '" + arg + "'";
        } else if (table.stopAtWord) {
            return {ReadOutcome::Read, {}, i};
        } else {
            problem = table.takeWord(request, arg);
        }
        if (!problem.empty()) return {ReadOutcome::Refused, problem, i};
    }
    return {ReadOutcome::Read, {}, args.size()};
}

// The usage line, a blank line, then the rows.
template <class Request>
void PrintHelp(const OptionTable<Request>& table, std::ostream& out) {
    PrintOptionRows(out, UsageLine(table.synopsis), Syntaxes(table));
}

// "vexaq4-cli COMMAND: PROBLEM" and the command's usage line; returns kExitUsage.
template <class Request>
int Usage(const OptionTable<Request>& table, std::ostream& err, const std::string& problem) {
    return UsageError(err, table.command, table.synopsis, problem);
}

// Reads a command's arguments into request. The exit status when the command ends here (its
// help printed: 0; a usage error: 2), nothing when it goes on.
template <class Request>
std::optional<int> ReadCommandLine(const OptionTable<Request>& table,
                                   const std::vector<std::string>& args, Request& request,
                                   std::ostream& out, std::ostream& err) {
    const ReadOutcome outcome = ReadOptions(table, args, request);
    if (outcome.kind == ReadOutcome::HelpAsked) {
        PrintHelp(table, out);
        return kExitSuccess;
    }
    if (outcome.kind == ReadOutcome::Refused) return Usage(table, err, outcome.problem);
    return std::nullopt;
}

// ---- rows ----

template <class Request>
OptionRow<Request> Option(std::string name, std::string valueName, ValueForm form, std::string help,
                          TakeValues<Request> take) {
    OptionRow<Request> row;
    row.name = std::move(name);
    row.valueName = std::move(valueName);
    row.form = form;
    row.help = std::move(help);
    row.take = std::move(take);
    return row;
}

// A flag that sets a member of the request.
template <class Request>
OptionRow<Request> Flag(std::string name, bool Request::*member, std::string help) {
    return Option<Request>(std::move(name), {}, ValueForm::Flag, std::move(help),
                           [member](Request& request, const OptionValues&) {
                               request.*member = true;
                               return std::string();
                           });
}

// An option with one value: parse turns the text into an optional value, which store puts
// into the request; a value that is missing or that parse refuses is the usage error problem.
template <class Request, class Parse, class Store>
OptionRow<Request> Valued(std::string name, std::string valueName, Parse parse, std::string problem,
                          Store store, std::string help, ValueForm form = ValueForm::Value) {
    return Option<Request>(std::move(name), std::move(valueName), form, std::move(help),
                           [parse, problem, store](Request& request, const OptionValues& values) {
                               const auto value =
                                   values.empty() ? decltype(parse(values[0])){} : parse(values[0]);
                               if (!value) return problem;
                               store(request, *value);
                               return std::string();
                           });
}

// A line of the help for something that is no option.
template <class Request>
OptionRow<Request> Listing(std::string left, std::string help) {
    OptionRow<Request> row;
    row.kind = RowKind::Listing;
    row.name = std::move(left);
    row.help = std::move(help);
    return row;
}

// A text of the help printed as it stands; column, when given, places the descriptions of the
// rows after it.
template <class Request>
OptionRow<Request> HelpText(std::string text, int column = 0) {
    OptionRow<Request> row;
    row.kind = RowKind::Text;
    row.name = std::move(text);
    row.column = column;
    return row;
}

// ---- kinds of value ----

inline auto IntegerIn(long low, long high) {
    return [low, high](const std::string& text) { return ParseInteger(text, low, high); };
}
inline auto IntegersIn(size_t count, long low, long high) {
    return [count, low, high](const std::string& text) {
        return ParseIntegerList(text, count, low, high);
    };
}
// Any text that is not empty (a file, a device).
inline std::optional<std::string> NonEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}
// Any text, the empty one too.
inline std::optional<std::string> AnyText(const std::string& text) {
    return text;
}
// One word of a list, as the value it stands for.
template <class Value>
auto WordOf(std::vector<std::pair<std::string, Value>> words) {
    return [words = std::move(words)](const std::string& text) -> std::optional<Value> {
        for (const auto& [word, value] : words)
            if (text == word) return value;
        return std::nullopt;
    };
}

}  // namespace vexa::cli
