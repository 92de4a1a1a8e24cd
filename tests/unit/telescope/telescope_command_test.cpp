// "Telescope Control" and the connection rules behind it: which device opens with which line
// settings, the messages for an unreadable settings file and for no line, the dialog for each
// telescope type, and a line opened once for the whole run.
#include "telescope/telescope_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "devices/serial_port_line.h"
#include "session/message_catalogue.h"
#include "session/settings_file.h"
#include "telescope/mount_link.h"
#include "telescope/telescope_dialog_models.h"
#include "tests/unit/support/telescope_fixture.h"

namespace vexa {
namespace {

using test::Controlled;
using test::Opened;
using test::SerialEvent;
using test::SerialOp;
using test::Set;

class TelescopeCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A settings file that says LX200, so the reload on connecting keeps the type.
        Session().settings.telescopeType = TelescopeType::Lx200;
        ASSERT_EQ(LoadSettings(), 0);  // creates the folder and the default file
        Session().settings.telescopeType = TelescopeType::Lx200;
        ASSERT_EQ(SaveSettings(), 0);
    }
    test::TelescopeFixture fixture;
    test::FakeSerialLine& line = fixture.line;
    MountLink& link = fixture.link;
    test::FakeUi& ui = fixture.session.ui;
    SessionState& s = Session();
};

TEST_F(TelescopeCommandTest, Lx200OpensThePortOnceAndShowsItsDialog) {
    CmdTelescopeControl(link);
    const std::vector<SerialEvent> opening = {Opened("/dev/ttyUSB0"), Controlled(),
                                              Set("COM1:9600,n,8,1")};
    EXPECT_EQ(line.events(), opening);
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(link.PortId(), 1);
    EXPECT_EQ(ui.moveTelescopeDialogs, 1);
    EXPECT_EQ(ui.controlBoxDialogs, 0);
    CmdTelescopeControl(link);
    EXPECT_EQ(line.events().size(), opening.size());  // not reopened
    EXPECT_EQ(ui.moveTelescopeDialogs, 2);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TelescopeCommandTest, ThePortDigitAndTheCommandLineChooseTheDevice) {
    s.commPort = '2';
    link.Ports().Set('2', "/dev/ttyS7");
    CmdTelescopeControl(link);
    EXPECT_EQ(line.events().front(), Opened("/dev/ttyS7"));
    EXPECT_EQ(line.events().back(), Set("COM2:9600,n,8,1"));
    EXPECT_EQ(link.PortId(), 2);
}

TEST_F(TelescopeCommandTest, ControlBoxOpensAt300BaudInitialisesAndShowsItsDialog) {
    s.settings.telescopeType = TelescopeType::ControlBox;
    ASSERT_EQ(SaveSettings(), 0);
    CmdTelescopeControl(link);
    EXPECT_EQ(line.events()[2], Set("COM1:300,n,8,1"));
    EXPECT_EQ(line.Writes().front(), "\r");  // the box's initialisation
    EXPECT_EQ(ui.controlBoxDialogs, 1);
    EXPECT_EQ(ui.moveTelescopeDialogs, 0);
}

TEST_F(TelescopeCommandTest, NoLineMeansNoConnectionTypeNoneAndNoDialog) {
    struct Case {
        SerialOp failing;
        StatusCode code;
    };
    for (TelescopeType type : {TelescopeType::Lx200, TelescopeType::ControlBox}) {
        for (const Case& c : {Case{SerialOp::Open, StatusCode::NotFound},
                              Case{SerialOp::Settings, StatusCode::IoError}}) {
            link.Close();
            s.settings.telescopeType = type;
            ASSERT_EQ(SaveSettings(), 0);
            line.SetResult(c.failing, Status(c.code, "no"));
            ui.messages.clear();
            CmdTelescopeControl(link);
            ASSERT_EQ(ui.messages.size(), 1u) << TelescopeTypeLetter(type);
            EXPECT_EQ(ui.messages[0].text, "Sorry. No Connection to Telescope");
            EXPECT_EQ(s.settings.telescopeType, TelescopeType::None);
            EXPECT_FALSE(link.Connected());
            EXPECT_FALSE(link.Line().IsOpen());
            line.SetResult(c.failing, Status::Ok());
        }
    }
    EXPECT_EQ(ui.moveTelescopeDialogs + ui.controlBoxDialogs, 0);
}

TEST_F(TelescopeCommandTest, ALineWithoutModemControlStillConnects) {
    line.SetResult(SerialOp::Control, Status(StatusCode::Unsupported, "pty"));
    CmdTelescopeControl(link);
    EXPECT_TRUE(link.Connected());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TelescopeCommandTest, AnUnreadableSettingsFileIsReportedRewrittenAndTheCommandGoesOn) {
    const std::filesystem::path ini =
        std::filesystem::path(fixture.session.root) / "autosave" / "Vexa_Q4.ini";
    std::ofstream(ini, std::ios::binary | std::ios::trunc) << std::string(3, '\0');
    CmdTelescopeControl(link);
    ASSERT_GE(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Unable to load INI file, please delete and try again");
    EXPECT_EQ(std::filesystem::file_size(ini), static_cast<uintmax_t>(kSettingsFileBytes));
    EXPECT_TRUE(link.Connected());  // type 'l' from before the short read
}

TEST_F(TelescopeCommandTest, PathsThatAreNoSerialLineAreRefused) {
    MountLink devices([] { return std::make_unique<SerialPortLine>(); });
    const std::filesystem::path file = std::filesystem::path(fixture.session.root) / "plain.txt";
    std::ofstream(file) << "not a device";
    for (const std::string& path :
         {file.string(), fixture.session.root, std::string("/nonexistent/tty")}) {
        s.settings.telescopeType = TelescopeType::Lx200;
        ASSERT_EQ(SaveSettings(), 0);
        devices.Ports().Set('1', path);
        ui.messages.clear();
        CmdTelescopeControl(devices);
        ASSERT_EQ(ui.messages.size(), 1u) << path;
        EXPECT_EQ(ui.messages[0].text, "Sorry. No Connection to Telescope") << path;
        EXPECT_NE(devices.LastFailure().text().find(path), std::string::npos);
    }
    EXPECT_EQ(std::filesystem::file_size(file), 12u);
}

TEST_F(TelescopeCommandTest, TheDialogsEndWithAnyRunStopped) {
    ui.moveTelescopeDialog = [](MoveTelescopeDialogModel& m) {
        m.PressMoveArrow(MoveArrow::Up);
        m.PressFocusArrow(true);
    };
    CmdTelescopeControl(link);
    EXPECT_FALSE(s.telescope.moving);
    EXPECT_FALSE(s.telescope.focusing);
    const std::vector<std::string> writes = line.Writes();
    ASSERT_GE(writes.size(), 5u);
    EXPECT_EQ(writes.back(), "#:FQ#");
    EXPECT_EQ(writes[writes.size() - 2], "#:Qw#");
}

}  // namespace
}  // namespace vexa
