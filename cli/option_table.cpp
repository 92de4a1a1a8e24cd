#include "cli/option_table.h"

#include <algorithm>
#include <ostream>

namespace vexa::cli {

namespace {

// The help's lines end by this column, where the text allows it.
constexpr size_t kHelpWidth = 80;
constexpr const char* kIndent = "  ";
// Between a left column that reaches the descriptions' column and its description.
constexpr size_t kWideGap = 2;

bool TakesJoinedValue(ValueForm form) {
    return form == ValueForm::Value || form == ValueForm::OptionalValue;
}

std::string Spelling(const OptionSyntax& row) {
    return row.valueName.empty() ? row.name : row.name + ' ' + row.valueName;
}

bool JoinsThePreviousLine(const OptionSyntax& row) {
    return row.kind == RowKind::Option &&
           (row.place == HelpPlace::AfterComma || row.place == HelpPlace::After ||
            row.place == HelpPlace::AfterBracketed);
}

// The left column of one help line: the row's spelling and those of the options listed with
// it, broken before a piece that would pass the help's width.
std::string LeftColumn(const std::vector<const OptionSyntax*>& rows, size_t& r) {
    std::string left =
        kIndent + (rows[r]->kind == RowKind::Listing ? rows[r]->name : Spelling(*rows[r]));
    size_t lineStart = 0;
    while (r + 1 < rows.size() && JoinsThePreviousLine(*rows[r + 1])) {
        const OptionSyntax& next = *rows[++r];
        const bool comma = next.place == HelpPlace::AfterComma;
        const std::string piece =
            next.place == HelpPlace::AfterBracketed ? '[' + Spelling(next) + ']' : Spelling(next);
        if (comma) left += ',';
        if (left.size() - lineStart + 1 + piece.size() > kHelpWidth) {
            left += '\n';
            lineStart = left.size();
            left += kIndent;
        } else {
            left += ' ';
        }
        left += piece;
    }
    return left;
}

// One help line with its description: at the column, or two blanks after a left column that
// reaches it, or on the next line at the column when it would pass the help's width there.
void PrintLine(std::ostream& out, const std::string& left, const std::string& help, size_t column) {
    out << left;
    if (help.empty()) {
        out << '\n';
        return;
    }
    const size_t lastLine = left.size() - (left.rfind('\n') + 1);
    const std::string first = help.substr(0, help.find('\n'));
    if (lastLine < column) {
        out << std::string(column - lastLine, ' ');
    } else if (lastLine + kWideGap + first.size() <= kHelpWidth) {
        out << std::string(kWideGap, ' ');
    } else {
        out << '\n' << std::string(column, ' ');
    }
    for (const char c : help) {
        out << c;
        if (c == '\n') out << std::string(column, ' ');
    }
    out << '\n';
}

}  // namespace

bool IsHelpWord(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

bool WantsHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(), IsHelpWord);
}

int UsageError(std::ostream& err, const std::string& command, const std::string& synopsis,
               const std::string& problem) {
    err << kProgramName << ' ' << command << ": " << problem << '\n' << UsageLine(synopsis) << '\n';
    return kExitUsage;
}

bool IsOptionWord(OptionWords words, const std::string& arg) {
    switch (words) {
        case OptionWords::All:
            return true;
        case OptionWords::Dash:
            return arg.starts_with("-");
        case OptionWords::DashAndMore:
            return arg.size() > 1 && arg[0] == '-';
        case OptionWords::DoubleDash:
            return arg.starts_with("--");
        case OptionWords::None:
            break;
    }
    return false;
}

const OptionSyntax* MatchOption(const std::vector<const OptionSyntax*>& rows,
                                const std::string& arg) {
    for (const OptionSyntax* row : rows) {
        if (row->kind != RowKind::Option) continue;
        if (arg == row->name) return row;
        if (TakesJoinedValue(row->form) && arg.starts_with(row->name + '=')) return row;
    }
    return nullptr;
}

OptionValues TakeOptionValues(const OptionSyntax& option, const std::vector<std::string>& args,
                              size_t& i) {
    const std::string& arg = args[i];
    const bool more = i + 1 < args.size();
    if (arg != option.name) return {arg.substr(option.name.size() + 1)};
    switch (option.form) {
        case ValueForm::Flag:
            return {};
        case ValueForm::Value:
        case ValueForm::SeparateValue:
            return more ? OptionValues{args[++i]} : OptionValues{};
        case ValueForm::TwoValues:
            if (i + 2 >= args.size()) return {};
            i += 2;
            return {args[i - 1], args[i]};
        case ValueForm::OptionalValue:
        case ValueForm::OptionalWord:
            return more && option.takesWord(args[i + 1]) ? OptionValues{args[++i]} : OptionValues{};
    }
    return {};
}

void PrintOptionRows(std::ostream& out, const std::string& usageLine,
                     const std::vector<const OptionSyntax*>& rows) {
    out << usageLine << "\n\n";
    size_t column = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        const OptionSyntax& row = *rows[r];
        if (row.kind == RowKind::Text) {
            out << row.name;
            if (row.column > 0) column = static_cast<size_t>(row.column);
            continue;
        }
        if (row.place == HelpPlace::Unlisted) continue;
        const std::string left = LeftColumn(rows, r);
        PrintLine(out, left, row.help, column);
    }
}

}  // namespace vexa::cli
