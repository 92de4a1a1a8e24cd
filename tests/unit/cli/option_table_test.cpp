#include "cli/option_table.h"

#include <cctype>
#include <sstream>

#include <gtest/gtest.h>

namespace vexa::cli {
namespace {

struct Request {
    bool flag = false;
    std::string value, separate, optional = "-";
    OptionValues two;
    std::vector<std::string> words;
};

bool IsDigit(const std::string& word) {
    return word.size() == 1 && std::isdigit(static_cast<unsigned char>(word[0]));
}

OptionTable<Request> TestTable(OptionWords words, HelpWords help) {
    auto keep = [](std::string Request::*field) {
        return [field](Request& r, const OptionValues& v) -> std::string {
            if (v.empty() && field != &Request::optional) return "missing";
            r.*field = v.empty() ? "" : v[0];
            return {};
        };
    };
    OptionTable<Request> table(
        "test", "test [OPTIONS] WORDS",
        {Flag<Request>("--flag", &Request::flag, "a flag"),
         Option<Request>("--value", "V", ValueForm::Value, "", keep(&Request::value)),
         Option<Request>("--sep", "S", ValueForm::SeparateValue, "", keep(&Request::separate)),
         Option<Request>("--two", "A B", ValueForm::TwoValues, "",
                         [](Request& r, const OptionValues& v) {
                             r.two = v;
                             return v.empty() ? "missing" : "";
                         }),
         Option<Request>("--opt", "[N]", ValueForm::OptionalValue, "", keep(&Request::optional))});
    table.rows.back().takesWord = IsDigit;
    table.optionWords = words;
    table.helpWords = help;
    table.takeWord = [](Request& r, const std::string& word) {
        r.words.push_back(word);
        return std::string();
    };
    return table;
}

TEST(OptionTableTest, EachFormTakesItsSpellingsAndNoOthers) {
    struct Case {
        std::vector<std::string> args;
        OptionWords words;
        HelpWords help;
        std::string read;  // the request's fields as text, or the outcome
    } cases[] = {
        {{"--flag", "--value", "a", "--sep", "b", "--two", "c", "d"},
         OptionWords::All,
         HelpWords::InOrder,
         "1|a|b|-|c,d|"},
        {{"--value=x=y", "--opt=7"}, OptionWords::All, HelpWords::InOrder, "0|x=y||7||"},
        {{"--value="}, OptionWords::All, HelpWords::InOrder, "0|||-||"},
        {{"--opt", "3", "--opt"}, OptionWords::All, HelpWords::InOrder, "0|||||"},
        {{"--opt", "x"}, OptionWords::DoubleDash, HelpWords::InOrder, "0|||||x"},
        {{"-5", "-h"}, OptionWords::DoubleDash, HelpWords::InOrder, "help"},
        {{"-5", "w"}, OptionWords::DoubleDash, HelpWords::InOrder, "0|||-||-5,w"},
        {{"-5"}, OptionWords::Dash, HelpWords::InOrder, "unknown option '-5'"},
        {{"-"}, OptionWords::DashAndMore, HelpWords::InOrder, "0|||-||-"},
        {{"x"}, OptionWords::All, HelpWords::InOrder, "unknown option 'x'"},
        {{"--flag=1"}, OptionWords::Dash, HelpWords::InOrder, "unknown option '--flag=1'"},
        {{"--sep=b"}, OptionWords::Dash, HelpWords::InOrder, "unknown option '--sep=b'"},
        {{"--two", "c"}, OptionWords::Dash, HelpWords::InOrder, "missing"},
        {{"--value"}, OptionWords::Dash, HelpWords::InOrder, "missing"},
        {{"--value", "--help"}, OptionWords::Dash, HelpWords::InOrder, "0|--help||-||"},
        {{"--value", "--help"}, OptionWords::Dash, HelpWords::Anywhere, "help"},
        {{"--bogus", "--help"}, OptionWords::Dash, HelpWords::InOrder, "unknown option '--bogus'"},
        {{"--bogus", "-h"}, OptionWords::Dash, HelpWords::Anywhere, "help"},
    };
    for (const Case& c : cases) {
        Request r;
        const ReadOutcome outcome = ReadOptions(TestTable(c.words, c.help), c.args, r);
        std::string two, words;
        for (const std::string& v : r.two) two += (two.empty() ? "" : ",") + v;
        for (const std::string& w : r.words) words += (words.empty() ? "" : ",") + w;
        const std::string read = outcome.kind == ReadOutcome::HelpAsked ? "help"
                                 : outcome.kind == ReadOutcome::Refused
                                     ? outcome.problem
                                     : std::string(r.flag ? "1" : "0") + '|' + r.value + '|' +
                                           r.separate + '|' + r.optional + '|' + two + '|' + words;
        EXPECT_EQ(read, c.read) << c.args[0];
    }
}

TEST(OptionTableTest, ReadingStopsAtTheFirstWordWhenAsked) {
    OptionTable<Request> table = TestTable(OptionWords::Dash, HelpWords::InOrder);
    table.stopAtWord = true;
    Request r;
    const ReadOutcome outcome = ReadOptions(table, {"--flag", "run", "--bogus"}, r);
    EXPECT_EQ(outcome.kind, ReadOutcome::Read);
    EXPECT_EQ(outcome.next, 1u);
}

TEST(OptionTableTest, HelpLinesKeepTheirColumnsAndWidth) {
    using R = Request;
    const std::string longName(30, 'x');
    OptionTable<R> table(
        "test", "test",
        {HelpText<R>("Intro.\n", 12), Flag<R>("--a", &R::flag, "first\nsecond"),
         Listing<R>("act n|s", "an action"), Flag<R>("--bb", &R::flag, "").Listed(HelpPlace::After),
         Flag<R>("--cc", &R::flag, "").Listed(HelpPlace::AfterBracketed),
         Flag<R>("--hidden", &R::flag, "never shown").Listed(HelpPlace::Unlisted),
         Flag<R>("--wide-name", &R::flag, "two blanks"),
         Flag<R>("--" + longName, &R::flag, std::string(50, 'd')),
         Flag<R>("--" + longName, &R::flag, "").Listed(HelpPlace::AfterComma),
         Flag<R>("--" + longName, &R::flag, "").Listed(HelpPlace::AfterComma)});
    std::ostringstream out;
    PrintHelp(table, out);
    EXPECT_EQ(out.str(),
              "usage: vexaq4-cli [--root DIR] test\n\nIntro.\n"
              "  --a       first\n"
              "            second\n"
              "  act n|s --bb [--cc]  an action\n"
              "  --wide-name  two blanks\n"
              "  --" +
                  longName + ", --" + longName +
                  ",\n"
                  "  --" +
                  longName +
                  "\n"
                  "            " +
                  std::string(50, 'd') + "\n");
}

}  // namespace
}  // namespace vexa::cli
