// The simulated mount: its LX200 answers and control-box bytes, motion on the program clock
// (rates, backlash, GoTo slews, focuser) moving the simulated sky, its misbehaviours, and the
// program's own sequences run through the real terminal backend on its pseudo-terminal.
#include "simulator/simulated_mount.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "devices/serial_port_line.h"
#include "session/settings_file.h"
#include "simulator/simulated_mount_line.h"
#include "simulator/sky_model.h"
#include "telescope/control_box.h"
#include "telescope/guide_pulse.h"
#include "telescope/lx200_sequences.h"
#include "telescope/mount_link.h"
#include "telescope/telescope_command.h"
#include "telescope/telescope_dialog_models.h"
#include "telescope/telescope_link.h"
#include "tests/unit/simulator/simulator_test_support.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

constexpr double kTolerancePx = 0.05;

// The mount's display text: 32 characters, blanks after the words.
std::string Text(std::string words) {
    words.resize(kMountTextChars, ' ');
    return words;
}

bool Saw(const SimulatedMount& mount, const std::string& command) {
    return std::find(mount.Commands().begin(), mount.Commands().end(), command) !=
           mount.Commands().end();
}

class SimulatedMountTest : public test::ClockFixture {
  protected:
    SimulatedMountTest() : sky(test::QuietSky()) {}
    MountConfig Config(MountKind kind = MountKind::Lx200) {
        MountConfig config;
        config.kind = kind;
        return config;
    }
    // Runs the command and lets ms pass before the next.
    std::string Send(SimulatedMount& mount, const std::string& bytes, uint32_t thenMs = 0) {
        std::string reply = mount.Receive(bytes);
        clock.Advance(thenMs);
        return reply;
    }
    SkyModel sky;
};

TEST_F(SimulatedMountTest, AnswersTheLx200CommandsInTheirShapes) {
    SimulatedMount mount(Config());
    EXPECT_EQ(Send(mount, "#:LI#"), Text("No object selected") + "#");
    EXPECT_EQ(Send(mount, "#:LM 0110#"), "");
    const std::string info = Send(mount, "#:LI#");
    EXPECT_EQ(info, Text("M110 RA 00:40 DEC +41*41") + "#");
    EXPECT_EQ(info.size(), 33u);
    EXPECT_EQ(Send(mount, "#:MS#"), "0");
    EXPECT_TRUE(mount.Slewing());
    EXPECT_EQ(Send(mount, "#:LC 7815#:LI#"), Text("CNGC7815 RA 00:03 DEC +20*38") + "#");
    EXPECT_EQ(Send(mount, "#:LS 0905#:LI#").substr(0, 7), "Jupiter");
}

TEST_F(SimulatedMountTest, RefusesWhatItDoesNotKnowOrCannotReach) {
    SimulatedMount mount(Config());
    const std::string outOfRange = "1" + Text("Object out of range") + "#";
    EXPECT_EQ(Send(mount, "#:MS#"), outOfRange);  // nothing selected
    EXPECT_EQ(Send(mount, "#:LM 0002#:LI#"), Text("Object out of range") + "#");
    EXPECT_EQ(Send(mount, "#:MS#"), outOfRange);
    EXPECT_EQ(Send(mount, "#:Sr 01:00.0#:Sd -89*00#:MS#"),
              "111" + Text("Object Below Horizon") + "#");
    EXPECT_FALSE(mount.Slewing());
}

TEST_F(SimulatedMountTest, CoordinateValuesAreCheckedAndAnsweredWithOneByte) {
    struct Case {
        const char* command;
        const char* reply;
    };
    const Case cases[] = {
        {"#:Sr 23:59.0#", "1"},  {"#:Sr23:59:59#", "1"}, {"#:Sr 24:00.0#", "0"},
        {"#:Sr 12:60.0#", "0"},  {"#:Sr 1x:00.0#", "0"}, {"#:Sd -05*30#", "1"},
        {"#:Sd+89*59#", "1"},    {"#:Sd -91*00#", "0"},  {"#:Sd +10*60#", "0"},
        {"#:Sd 45*00:30#", "1"},
    };
    SimulatedMount mount(Config());
    for (const Case& c : cases) EXPECT_EQ(Send(mount, c.command), c.reply) << c.command;

    MountConfig strict = Config();
    strict.refuseSpacedValues = true;
    SimulatedMount classic(strict);
    EXPECT_EQ(Send(classic, "#:Sd -05*30#"), "0");
    EXPECT_EQ(Send(classic, "#:Sd-05*30#"), "1");
}

TEST_F(SimulatedMountTest, GotoSlewsAtItsSpeedAndMovesTheField) {
    MountConfig config = Config();
    config.startRaHours = 0.0;
    config.startDecDegrees = 0.0;
    config.gotoDegreesPerS = 2.0;
    SimulatedMount mount(config, &sky);
    Send(mount, "#:Sr 00:00.0#:Sd +10*00#:MS#", 2000);
    Send(mount, "");
    EXPECT_TRUE(mount.Slewing());
    EXPECT_NEAR(mount.DecDegrees(), 4.0, 1e-9);
    clock.Advance(5000);
    Send(mount, "");
    EXPECT_FALSE(mount.Slewing());
    EXPECT_EQ(Send(mount, "#:GR#:GD#"), "00:00.0#+10*00#");
    double dx = 0, dy = 0;
    sky.FieldOffsetAt(clock.Milliseconds(), dx, dy);
    EXPECT_NEAR(dy, -10.0 * 3600 / config.arcsecPerPx, kTolerancePx);  // north is up
}

TEST_F(SimulatedMountTest, MovesRunAtTheChosenRateUntilStopped) {
    struct Case {
        const char* rate;
        double factor;
    };
    for (const Case& c :
         {Case{"#:RG#", 1.0}, Case{"#:RC#", 8.0}, Case{"#:RM#", 64.0}, Case{"#:RS#", 512.0}}) {
        SimulatedMount mount(Config());
        Send(mount, c.rate);
        Send(mount, "#:Me#", 1000);
        Send(mount, "#:Qe#", 1000);
        EXPECT_NEAR(mount.FieldShiftXPx(), 5.0 * c.factor, kTolerancePx) << c.rate;
        EXPECT_FALSE(mount.Moving());
    }
    SimulatedMount mount(Config());
    Send(mount, "#:RG#:Mn#:Mw#", 400);
    Send(mount, "#:Q#");
    EXPECT_NEAR(mount.FieldShiftXPx(), -2.0, kTolerancePx);
    EXPECT_NEAR(mount.FieldShiftYPx(), -2.0, kTolerancePx);
}

TEST_F(SimulatedMountTest, AReversalFirstTakesUpTheBacklash) {
    MountConfig config = Config();
    config.raBacklashPx = 2.0;
    SimulatedMount mount(config, &sky);
    Send(mount, "#:RG#:Me#", 1000);
    Send(mount, "#:Qe#:Mw#", 1000);
    Send(mount, "#:Qw#:Mw#", 1000);  // same way again: no backlash
    Send(mount, "#:Qw#");
    EXPECT_NEAR(mount.FieldShiftXPx(), 5.0 - 3.0 - 5.0, kTolerancePx);
    double dx = 0, dy = 0;
    sky.FieldOffsetAt(clock.Milliseconds(), dx, dy);
    EXPECT_NEAR(dx, mount.FieldShiftXPx(), kTolerancePx);
}

TEST_F(SimulatedMountTest, TheFocuserChangesTheStarWidth) {
    SimulatedMount mount(Config(), &sky);
    const double sharp = sky.StarFwhmPx();
    Send(mount, "#:FF#:F+#", 2000);
    Send(mount, "#:FQ#:FS#:F-#", 1000);
    Send(mount, "#:FQ#");
    EXPECT_NEAR(mount.FocusSteps(), 100.0 - 5.0, 1e-9);
    EXPECT_NEAR(sky.FocusSteps(), 95.0, 1e-9);
    EXPECT_GT(sky.StarFwhmPx(), sharp);
}

TEST_F(SimulatedMountTest, TheControlBoxDrivesWhileTheDriveBitIsOn) {
    SimulatedMount mount(Config(MountKind::ControlBox));
    EXPECT_EQ(Send(mount, "\r", 0), "");
    Send(mount, std::string(1, '\x02'), 5);  // direction alone: no motion
    Send(mount, std::string(1, '\x12'), 1000);
    Send(mount, std::string(1, '\0'), 1000);
    EXPECT_NEAR(mount.FieldShiftYPx(), -5.0, kTolerancePx);
    EXPECT_FALSE(mount.Moving());
    EXPECT_EQ(mount.Commands().back(), "byte 0");
}

TEST_F(SimulatedMountTest, MisbehavesOnRequest) {
    SimulatedMount mount(Config());
    mount.SetFault(MountFault::NoReply);
    EXPECT_EQ(Send(mount, "#:LI#:Sr 01:00.0#"), "");
    mount.SetFault(MountFault::ShortReply, 0, 10);
    // The unanswered value took effect all the same.
    EXPECT_EQ(Send(mount, "#:LI#"), Text("Co-ordinates RA 01:00 DEC +00*00").substr(0, 23));
    EXPECT_EQ(Send(mount, "#:Sd +01*00#"), "");
    mount.SetFault(MountFault::Garbage);
    const std::string garbage = Send(mount, "#:LI#");
    EXPECT_EQ(garbage.size(), 33u);
    EXPECT_EQ(garbage.find('#'), std::string::npos);
    mount.SetFault(MountFault::LateReply, 500);
    EXPECT_EQ(Send(mount, "#:Sr 01:00.0#", 499), "");
    EXPECT_EQ(Send(mount, ""), "");
    clock.Advance(1);
    EXPECT_EQ(Send(mount, ""), "1");
}

// ---- through the pseudo-terminal and the program's own sequences ----

class MountOnTerminalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fixture.clock.SetStepPerReading(1);
        ASSERT_TRUE(mount.OpenTerminal().ok());
        Serve(mount);
        SetReplyTimeoutMs(200);  // bounds the reads that must come up empty
    }
    void TearDown() override {
        mountLink.reset();
        SetReplyTimeoutMs(0);
    }
    // A link whose COM1 is served's terminal, serviced by it.
    void Serve(SimulatedMount& served) {
        SerialPortPaths ports;
        ports.Set('1', served.DevicePath());
        mountLink = std::make_unique<MountLink>(
            ServicedBy(served, [] { return std::make_unique<SerialPortLine>(); }), ports);
    }
    bool Open(TelescopeType type = TelescopeType::Lx200) {
        Session().settings.telescopeType = type;
        return type == TelescopeType::ControlBox ? mountLink->OpenControlBoxLine()
                                                 : mountLink->OpenLx200Line();
    }
    SerialLine& Line() { return mountLink->Line(); }

    test::SessionFixture fixture;
    VirtualClock& clock = fixture.clock;
    SkyModel sky{test::QuietSky()};
    SimulatedMount mount{MountConfig(), &sky};
    std::unique_ptr<MountLink> mountLink;
    TelescopeState& link = Session().telescope;
};

TEST_F(MountOnTerminalTest, CatalogueAndCoordinateGotoRunEndToEnd) {
    ASSERT_TRUE(Open());
    EXPECT_TRUE(CatalogueGoto(Line(), kMessierPrefix, 110).ok());
    EXPECT_EQ(link.scopeInfo, Text("M110 RA 00:40 DEC +41*41") + "#");
    EXPECT_EQ(link.lastGotoReply, '0');
    EXPECT_TRUE(Saw(mount, "LM 0110") && Saw(mount, "MS"));

    EXPECT_TRUE(CoordinateGoto(Line(), {5, 35, -5, 23}).ok());
    EXPECT_EQ(link.scopeInfo, "Co-ordinates RA 05:35 DEC -05*23#");
    EXPECT_TRUE(Saw(mount, "Sr 05:35.0") && Saw(mount, "Sd -05*23"));

    EXPECT_TRUE(CoordinateGoto(Line(), {1, 0, -89, 0}).ok());  // the mount's '1' and message
    EXPECT_EQ(link.lastGotoReply, '1');
    EXPECT_TRUE(ReadScopeInfo(Line()).ok());  // and the line is framed after it
    EXPECT_EQ(link.scopeInfo, "Co-ordinates RA 01:00 DEC -89*00#");
}

TEST_F(MountOnTerminalTest, AMountThatRefusesTheSpacedValuesSlewsOnTheUnspacedOnes) {
    struct Case {
        bool refuseSpaced;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {false, {"Sr 05:35.0", "Sd -05*23", "LI", "MS"}},
        {true, {"Sr 05:35.0", "Sd -05*23", "LI", "Sr05:35.0", "Sd-05*23", "LI", "MS"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refuseSpaced);
        MountConfig config;
        config.refuseSpacedValues = c.refuseSpaced;
        SimulatedMount other(config);
        ASSERT_TRUE(other.OpenTerminal().ok());
        Serve(other);
        ASSERT_TRUE(Open());
        GotoAnswer answer;
        EXPECT_TRUE(CoordinateGoto(Line(), {5, 35, -5, 23}, &answer).ok());
        EXPECT_EQ(answer.reply, '0');
        EXPECT_TRUE(other.Slewing());
        EXPECT_TRUE(ReadScopeInfo(Line()).ok());  // framed after the second try as well
        EXPECT_EQ(link.scopeInfo, "Co-ordinates RA 05:35 DEC -05*23#");
        const std::deque<std::string>& seen = other.Commands();
        EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.end() - 1), c.commands);
        mountLink.reset();
    }
}

TEST_F(MountOnTerminalTest, GuidePulsesMoveTheSkyByRateTimesDuration) {
    ASSERT_TRUE(Open());
    EXPECT_TRUE(SendLx200GuidePulse(Line(), 'e', 400).ok());
    EXPECT_TRUE(SendLx200GuidePulse(Line(), 's', 200).ok());
    // 5 px/s at the guide rate; a few clock readings pass between the move and its stop.
    EXPECT_NEAR(mount.FieldShiftXPx(), 2.0, 0.05);
    EXPECT_NEAR(mount.FieldShiftYPx(), 1.0, 0.05);
    double dx = 0, dy = 0;
    sky.FieldOffsetAt(0, dx, dy);
    EXPECT_NEAR(dx, mount.FieldShiftXPx(), 1e-9);
}

TEST_F(MountOnTerminalTest, TheControlBoxLineIsServedAsAControlBox) {
    ASSERT_TRUE(Open(TelescopeType::ControlBox));
    EXPECT_TRUE(InitialiseControlBox(Line()).ok());
    EXPECT_TRUE(SendControlBoxPulse(Line(), 'w', 600).ok());
    EXPECT_NEAR(mount.FieldShiftXPx(), -3.0, 0.05);
    EXPECT_TRUE(StartControlBoxMove(Line(), 'n').ok());
    mount.Service();
    EXPECT_TRUE(mount.Moving());
    EXPECT_TRUE(StopControlBoxMove(Line()).ok());
    mount.Service();
    EXPECT_FALSE(mount.Moving());
}

TEST_F(MountOnTerminalTest, SilenceAndLateAnswersAreDrainedAndTheNextGotoIsFramed) {
    ASSERT_TRUE(Open());
    mount.SetFault(MountFault::NoReply);
    EXPECT_EQ(CatalogueGoto(Line(), kMessierPrefix, 31).code(), StatusCode::Timeout);
    mount.SetFault(MountFault::LateReply, 5000);
    EXPECT_EQ(CatalogueGoto(Line(), kMessierPrefix, 42).code(), StatusCode::Timeout);
    mount.SetFault(MountFault::None);
    fixture.clock.Advance(6000);  // the late answers are now due: stale on the line
    EXPECT_TRUE(CatalogueGoto(Line(), kMessierPrefix, 1).ok());
    EXPECT_EQ(link.scopeInfo.substr(0, 3), "M1 ");
    EXPECT_EQ(link.lastGotoReply, '0');
}

TEST_F(MountOnTerminalTest, ShortAndGarbledAnswersEndInAQuietLine) {
    ASSERT_TRUE(Open());
    mount.SetFault(MountFault::ShortReply, 0, 5);
    EXPECT_EQ(CatalogueGoto(Line(), kMessierPrefix, 13).code(), StatusCode::Timeout);
    EXPECT_EQ(link.scopeInfo, Text("M13 RA 16:41 DEC +36*28").substr(0, 28));
    // A garbled slew reply is no '0': the message read after it never comes.
    mount.SetFault(MountFault::Garbage);
    EXPECT_EQ(CatalogueGoto(Line(), kMessierPrefix, 13).code(), StatusCode::Timeout);
    mount.SetFault(MountFault::None);
    EXPECT_TRUE(ReadScopeInfo(Line()).ok());
    EXPECT_EQ(link.scopeInfo, Text("M13 RA 16:41 DEC +36*28") + "#");
}

TEST_F(MountOnTerminalTest, TheTelescopeCommandDrivesTheMountThroughItsDialog) {
    ASSERT_EQ(LoadSettings(), 0);  // the folder and the default file
    Session().settings.telescopeType = TelescopeType::Lx200;
    ASSERT_EQ(SaveSettings(), 0);
    fixture.ui.moveTelescopeDialog = [&](MoveTelescopeDialogModel& dialog) {
        dialog.messierText = "42";
        dialog.GotoObject();
        EXPECT_EQ(dialog.InfoText().substr(0, 4), "M42 ");
        clock.Advance(60000);  // long enough for the slew
        dialog.ChooseSlewRate(SlewRate::Guide);
        dialog.PressMoveArrow(MoveArrow::Left);
        clock.Advance(1000);
        dialog.ReleaseMoveArrow();
        dialog.PressFocusArrow(true);
        clock.Advance(1000);
    };
    CmdTelescopeControl(*mountLink);
    EXPECT_TRUE(fixture.ui.messages.empty());
    mount.Service();
    EXPECT_FALSE(mount.Moving());
    EXPECT_NEAR(mount.DecDegrees(), -5.383, 1e-6);  // at M42; the west move left Dec. alone
    EXPECT_NEAR(mount.RaHours(), 5.588, 0.001);
    EXPECT_NEAR(mount.FocusSteps(), 5.0, 0.1);  // slow, and stopped when the dialog ended
    EXPECT_TRUE(Saw(mount, "Mw") && Saw(mount, "FQ"));
}

TEST_F(MountOnTerminalTest, AMountThatVanishesEndsTheConnection) {
    ASSERT_TRUE(Open());
    ASSERT_TRUE(StartMove(Line(), 'e').ok());
    mount.CloseTerminal();
    EXPECT_EQ(StopMove(Line()).code(), StatusCode::Disconnected);
    EXPECT_FALSE(mountLink->Connected());
    EXPECT_FALSE(Line().IsOpen());
    EXPECT_FALSE(Open());  // the device is gone
}

}  // namespace
}  // namespace vexa
