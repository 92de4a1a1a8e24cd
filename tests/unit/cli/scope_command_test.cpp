// vexaq4-cli scope and simulate-mount as a user runs them: actions on the in-process simulated
// mount with the wire in the serial log, the dialogs' range messages, a port that is no
// serial line, and the usage errors.
#include "cli/scope_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/simulate_mount_command.h"
#include "cli/text_ui_services.h"
#include "telescope/telescope_link.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/telescope_fixture.h"

namespace vexa {
namespace {

class ScopeCommandTest : public ::testing::Test {
  protected:
    ScopeCommandTest() {
        fixture.clock.SetStepPerReading(1);
        SetReplyTimeoutMs(200);
    }
    ~ScopeCommandTest() override { SetReplyTimeoutMs(0); }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        args.insert(args.begin(), {"--root", fixture.root});
        return cli::RunCli(args, out, err);
    }
    // The scope command alone on a scripted line, its messages on err as the program prints them.
    int RunOn(test::FakeSerialLine& line, const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        std::vector<uint32_t> times;
        UiServices& previous = Ui();
        cli::TextUiServices ui(err);
        SetUi(&ui);
        const int status = cli::RunScopeCommand(args, out, err, [&] {
            return std::make_unique<test::ForwardingLine>(line, fixture.clock, times);
        });
        SetUi(&previous);
        return status;
    }
    std::string Log() const {
        std::ifstream file(logPath);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    test::SessionFixture fixture;
    std::ostringstream out;
    std::ostringstream err;
    std::string logPath = fixture.root + "/serial.log";
};

TEST_F(ScopeCommandTest, GotoPrintsTheInformationAndTheReply) {
    EXPECT_EQ(Run({"--serial-log", logPath, "scope", "--simulator", "goto", "--messier", "110"}), 0)
        << err.str();
    EXPECT_EQ(out.str(), "info: M110 RA 00:40 DEC +41*41        #\nreply: 0\n");
    EXPECT_NE(Log().find("out \"#:LM 0110#\""), std::string::npos);
    EXPECT_NE(Log().find("settings \"COM1:9600,n,8,1\""), std::string::npos);

    EXPECT_EQ(Run({"scope", "--simulator", "goto", "--messier", "0", "--ngc", "7815"}), 0);
    EXPECT_EQ(out.str().substr(0, 14), "info: CNGC7815");
    EXPECT_EQ(Run({"scope", "--simulator", "goto", "--planet", "saturn"}), 0);
    EXPECT_EQ(out.str().substr(0, 12), "info: Saturn");
    EXPECT_EQ(Run({"scope", "--simulator", "goto", "--ra", "5:35", "--dec", "-5:23"}), 0);
    EXPECT_EQ(out.str(), "info: Co-ordinates RA 05:35 DEC -05*23#\nreply: 0\n");
    EXPECT_EQ(Log().find("timeout"), std::string::npos);  // every read found what it waited for
}

TEST_F(ScopeCommandTest, TheExitStatusAndOutputFollowWhatTheMountAnswered) {
    const std::string info = "M110 RA 00:40 DEC +41*41        #";
    const std::string below = "Object Below Horizon            #";
    const std::string lx200[] = {"--type", "lx200"};
    struct Case {
        const char* mount;
        std::vector<std::string> args;
        std::vector<std::string> replies;
        int status;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {"takes the GoTo",
         {"goto", "--messier", "110"},
         {info + "0" + info},
         0,
         "info: " + info + "\nreply: 0\n",
         ""},
        {"refuses the GoTo",
         {"goto", "--planet", "mars"},
         {info + "1" + below, info},
         1,
         "info: " + info + "\nreply: 1\n",
         "vexaq4-cli scope: the mount refused the GoTo: Object Below Horizon\n"},
        {"refuses with control bytes",
         {"goto", "--ngc", "5"},
         {info + "2" + std::string("No\x01go") + std::string(27, ' ') + "#", info},
         1,
         "info: " + info + "\nreply: 2\n",
         "vexaq4-cli scope: the mount refused the GoTo: No\\x01go\n"},
        {"refuses the values either way",
         {"goto", "--ra", "5:30", "--dec", "21:09"},
         {"1", "0", info, "0", info},
         1,
         "info: " + info + "\n",
         "vexaq4-cli scope: The telescope refused the co-ordinates\n"},
        {"never answers",
         {"goto", "--messier", "1"},
         {},
         1,
         "info: \n",
         "vexaq4-cli scope: No reply from the telescope\n"},
        {"sends information with a control byte",
         {"info"},
         {"M42\x7f" + info.substr(4)},
         0,
         "info: M42\\x7f" + info.substr(4) + "\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mount);
        test::FakeSerialLine line;
        for (const std::string& reply : c.replies) line.QueueReply(reply);
        std::vector<std::string> args(std::begin(lx200), std::end(lx200));
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(RunOn(line, args), c.status);
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
    test::FakeSerialLine unused;
    EXPECT_EQ(RunOn(unused, {"info"}), 1);  // the settings' type is None
    EXPECT_EQ(err.str(), "vexaq4-cli scope: no telescope type is set (settings telescopeType)\n");
    EXPECT_TRUE(unused.events().empty());
}

TEST_F(ScopeCommandTest, OutOfRangeEntriesGetTheDialogsMessagesAndSendNothing) {
    EXPECT_EQ(Run({"--serial-log", logPath, "scope", "--simulator", "goto", "--messier", "0",
                   "--ngc", "7816"}),
              1);
    EXPECT_EQ(err.str(), "Vexa_R4 - Control Telescope: Object out of range - try again\n");
    EXPECT_EQ(Run({"scope", "--simulator", "goto", "--ra", "24:00", "--dec", "0:0"}), 1);
    EXPECT_EQ(err.str(),
              "Vexa_R4 - Control Telescope: Invalid Co-ordinates set.\n\nRange is R.A. 0hr "
              "00min, to 23hr 59mins\n        Dec  -89deg 00min, to +89deg 59mins\n");
    EXPECT_EQ(Log().find("out"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}

TEST_F(ScopeCommandTest, MovesPulsesAndFocusRunsGoOnTheWire) {
    ASSERT_EQ(Run({"--serial-log", logPath, "scope", "--simulator", "move", "e", "--ms", "20"}), 0)
        << err.str();
    ASSERT_EQ(Run({"--serial-log", logPath, "scope", "--simulator", "pulse", "n", "--ms", "30"}),
              0);
    ASSERT_EQ(Run({"--serial-log", logPath, "scope", "--simulator", "focus", "out", "--ms", "10"}),
              0);
    ASSERT_EQ(Run({"--serial-log", logPath, "scope", "--simulator", "--type", "box", "pulse", "w",
                   "--ms", "10"}),
              0);
    ASSERT_EQ(Run({"--serial-log", logPath, "scope", "--simulator", "info"}), 0);
    EXPECT_EQ(out.str(), "info: No object selected              #\n");
    const std::string log = Log();
    for (const char* expected :
         {"out \"#:RS#\"", "out \"#:Me#\"", "out \"#:Qw#\"", "out \"#:RG#\"", "out \"#:Mn#\"",
          "out \"#:Qn#\"", "out \"#:FS#\"", "out \"#:F-#\"", "out \"#:FQ#\"",
          "settings \"COM1:300,n,8,1\"", "out \"\\x08\"", "out \"\\x18\"", "out \"\\x00\""}) {
        EXPECT_NE(log.find(expected), std::string::npos) << expected;
    }
}

TEST_F(ScopeCommandTest, APortThatIsNoSerialLineIsRefused) {
    const std::string file = fixture.root + "/not-a-tty";
    std::ofstream(file) << "keep me";
    EXPECT_EQ(Run({"scope", "--type", "lx200", "--port", file, "info"}), 1);
    EXPECT_NE(err.str().find("VEXA_Q4_USB: Sorry. No Connection to Telescope\n"),
              std::string::npos);
    EXPECT_NE(err.str().find(file), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(file), 7u);
    EXPECT_EQ(Run({"--com1", fixture.root, "scope", "--type", "lx200", "info"}), 1);
    EXPECT_NE(err.str().find("No Connection"), std::string::npos);
}

TEST_F(ScopeCommandTest, TheControlBoxRefusesWhatItCannotDo) {
    EXPECT_EQ(Run({"scope", "--simulator", "--type", "box", "goto", "--messier", "1"}), 1);
    EXPECT_NE(err.str().find("the control box can only move and pulse"), std::string::npos);
}

TEST_F(ScopeCommandTest, BadRequestsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"scope"},
        {"scope", "park"},
        {"scope", "move", "e"},
        {"scope", "move", "x", "--ms", "10"},
        {"scope", "move", "e", "--ms", "0"},
        {"scope", "pulse", "n", "--ms", "600001"},
        {"scope", "focus", "up", "--ms", "10"},
        {"scope", "goto"},
        {"scope", "goto", "--ra", "1:00"},
        {"scope", "goto", "--ra", "100", "--dec", "1:0"},
        {"scope", "goto", "--planet", "earth"},
        {"scope", "goto", "--messier", "1", "--planet", "mars"},
        {"scope", "info", "now"},
        {"scope", "--simulator", "--port", "/dev/null", "info"},
        {"scope", "--type", "meade", "info"},
        {"scope", "--speed", "2", "info"},
        {"--serial-log"},
        {"--com1=", "scope", "info"},
        {"simulate-mount"},
        {"simulate-mount", "--link"},
        {"simulate-mount", "--link", "x", "--type", "gem"},
    };
    for (const std::vector<std::string>& args : cases) {
        EXPECT_EQ(Run(args), 2) << args.back() << ": " << err.str();
        EXPECT_NE(err.str().find("usage: vexaq4-cli"), std::string::npos);
    }
}

TEST_F(ScopeCommandTest, SimulateMountLeavesAnExistingFileAlone) {
    const std::string file = fixture.root + "/mount";
    std::ofstream(file) << "data";
    EXPECT_EQ(Run({"simulate-mount", "--link", file}), 1);
    EXPECT_NE(err.str().find("is not a symbolic link"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(file), 4u);
}

TEST_F(ScopeCommandTest, AnUnwritableSerialLogIsReported) {
    EXPECT_EQ(Run({"--serial-log", fixture.root + "/no/such/folder/log", "scope", "info"}), 1);
    EXPECT_NE(err.str().find("cannot write the serial log"), std::string::npos);
}

TEST_F(ScopeCommandTest, TheIndiAndMountLinkOptionsAreListedAndReadAfterTheCommandToo) {
    for (const std::vector<std::string>& help :
         {std::vector<std::string>{"--help"}, {"scope", "--help"}, {"guide", "--help"}}) {
        EXPECT_EQ(Run(help), 0) << help[0];
        EXPECT_NE(out.str().find("  --indi HOST[:PORT][/DEVICE]\n"), std::string::npos) << help[0];
        EXPECT_NE(out.str().find("  --mount-link PATH  "), std::string::npos) << help[0];
    }
    struct Case {
        std::vector<std::string> args;
        const char* problem;
    };
    const Case cases[] = {
        {{"scope", "info", "--indi"}, "--indi needs HOST[:PORT][/DEVICE]: no server named"},
        {{"scope", "--indi=", "info"}, "--indi needs HOST[:PORT][/DEVICE]: no server named"},
        {{"scope", "--indi", "pi:0", "info"},
         "--indi needs HOST[:PORT][/DEVICE]: the port must be a number from 1 to 65535"},
        {{"scope", "--indi", "pi", "--type", "lx200", "info"},
         "--indi names the telescope: --type and --port do not go with it"},
        {{"scope", "--mount-link", "/tmp/no-link", "info"},
         "--mount-link serves the simulated mount: it needs --simulator"},
        {{"guide", "--mount-link=/tmp/no-link", "--frames", "1"},
         "--mount-link serves the simulated mount: it needs --simulator"},
        {{"guide", "--indi", "[::1", "--frames", "1"},
         "--indi needs HOST[:PORT][/DEVICE]: an IPv6 address needs its closing ']'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), 2) << c.problem;
        EXPECT_NE(err.str().find(c.problem), std::string::npos) << err.str();
    }
    // Given after the command, --indi steers the run: nobody answers on this port.
    EXPECT_EQ(Run({"scope", "--indi", "127.0.0.1:1", "info"}), 1);
    EXPECT_NE(err.str().find("no INDI server answers at 127.0.0.1:1"), std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace vexa
