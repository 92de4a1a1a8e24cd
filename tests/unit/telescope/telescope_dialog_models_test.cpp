// The telescope dialogs' rules: which catalogue and co-ordinate entries are sent and which get
// the range messages, the arrows with swapped directions, the radio buttons redisplayed from
// the stored commands, the information text and the notices in the title.
#include "telescope/telescope_dialog_models.h"

#include <gtest/gtest.h>

#include "tests/unit/support/telescope_fixture.h"

namespace vexa {
namespace {

class TelescopeDialogModelsTest : public ::testing::Test {
  protected:
    void SetUp() override { fixture.Connect(); }
    test::TelescopeFixture fixture;
    test::FakeUi& ui = fixture.session.ui;
    MoveTelescopeDialogModel model{fixture.mount};
};

TEST_F(TelescopeDialogModelsTest, CatalogueEntriesPreferMessierThenCngcElseTheRangeMessage) {
    struct Case {
        const char* messier;
        const char* cngc;
        const char* sent;  // "" for the range message
    };
    const Case cases[] = {
        {"110", "", "#:LM 0110#"},
        {"1", "7815", "#:LM 0001#"},
        {"111", "7815", "#:LC 7815#"},
        {"0", "1", "#:LC 0001#"},
        {"", "42", "#:LC 0042#"},
        {" 57 ", "", "#:LM 0057#"},
        {"0", "7816", ""},
        {"0", "", ""},
        {"0", "0", ""},
        {"", "", ""},
        {"-1", "-5", ""},
        {"12x", "", ""},
        {"9999999", "", ""},
        {"abc", "5", "#:LC 0005#"},
    };
    for (const Case& c : cases) {
        fixture.line.ClearEvents();
        ui.messages.clear();
        model.messierText = c.messier;
        model.cngcText = c.cngc;
        const bool sent = model.GotoObject();
        const std::vector<std::string> writes = fixture.line.Writes();
        if (*c.sent) {
            EXPECT_TRUE(sent) << c.messier << "/" << c.cngc;
            ASSERT_FALSE(writes.empty());
            EXPECT_EQ(writes[0], c.sent);
            EXPECT_TRUE(ui.messages.empty());
        } else {
            EXPECT_FALSE(sent) << c.messier << "/" << c.cngc;
            EXPECT_TRUE(fixture.line.events().empty());
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].caption, "Vexa_R4 - Control Telescope");
            EXPECT_EQ(ui.messages[0].text, "Object out of range - try again");
        }
    }
}

TEST_F(TelescopeDialogModelsTest, CoordinatesAreCheckedAtEveryBound) {
    struct Case {
        const char *h, *m, *d, *dm;
        bool sent;
    };
    const Case cases[] = {
        {"23", "59", "-89", "0", true}, {"0", "0", "89", "59", true},
        {"12", "30", "-0", "30", true}, {"24", "0", "0", "0", false},
        {"0", "60", "0", "0", false},   {"0", "0", "-90", "0", false},
        {"0", "0", "90", "0", false},   {"0", "0", "0", "60", false},
        {"-1", "0", "0", "0", false},   {"0", "-1", "0", "0", false},
        {"0", "0", "0", "-1", false},   {"1h", "0", "0", "0", false},
        {"", "", "", "", false},        {"5", "30", "", "0", false},
        {"5", "", "10", "0", false},    {"5", "30", "10", " ", false},
        {"", "30", "+", "0", false},
    };
    for (const Case& c : cases) {
        fixture.line.ClearEvents();
        ui.messages.clear();
        model.raHoursText = c.h;
        model.raMinutesText = c.m;
        model.decDegreesText = c.d;
        model.decMinutesText = c.dm;
        EXPECT_EQ(model.GotoCoordinates(), c.sent)
            << c.h << " " << c.m << " " << c.d << " " << c.dm;
        if (c.sent) {
            EXPECT_TRUE(ui.messages.empty());
        } else {
            EXPECT_TRUE(fixture.line.events().empty());
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].caption, "Vexa_R4 - Control Telescope");
            EXPECT_EQ(ui.messages[0].text,
                      "Invalid Co-ordinates set.\n\nRange is R.A. 0hr 00min, to 23hr 59mins\n"
                      "        Dec  -89deg 00min, to +89deg 59mins");
        }
    }
}

TEST_F(TelescopeDialogModelsTest, ADeclinationJustSouthOfTheEquatorKeepsItsSign) {
    model.raHoursText = "1";
    model.raMinutesText = "2";
    model.decDegreesText = "-0";
    model.decMinutesText = "30";
    EXPECT_TRUE(model.GotoCoordinates());
    EXPECT_EQ(fixture.line.Writes()[1], "#:Sd -00*30");
}

TEST_F(TelescopeDialogModelsTest, ArrowsMoveByTheConfiguredLetters) {
    struct Case {
        std::array<char, 4> directions;  // north, south, east, west
        MoveArrow arrow;
        const char* sent;
    };
    const Case cases[] = {
        {{'n', 's', 'e', 'w'}, MoveArrow::Right, "#:Me#"},
        {{'n', 's', 'e', 'w'}, MoveArrow::Left, "#:Mw#"},
        {{'n', 's', 'w', 'e'}, MoveArrow::Right, "#:Mw#"},  // swap e/w
        {{'n', 's', 'w', 'e'}, MoveArrow::Left, "#:Me#"},
        {{'s', 'n', 'e', 'w'}, MoveArrow::Up, "#:Ms#"},  // swap n/s
        {{'n', 's', 'e', 'w'}, MoveArrow::Down, "#:Ms#"},
    };
    for (const Case& c : cases) {
        Session().settings.driveDirections = c.directions;
        fixture.line.ClearEvents();
        model.PressMoveArrow(c.arrow);
        model.PressMoveArrow(MoveArrow::Up);  // a second press before the release: nothing
        model.ReleaseMoveArrow();
        const std::vector<std::string> writes = fixture.line.Writes();
        ASSERT_EQ(writes.size(), 6u);  // rate, move, four stops
        EXPECT_EQ(writes[1], c.sent);
    }
}

TEST_F(TelescopeDialogModelsTest, RadioButtonsFollowTheStoredCommands) {
    struct Case {
        const char* command;
        SlewRate shown;
    };
    for (const Case& c : {Case{"#:RS#", SlewRate::Slew}, Case{"#:RM#", SlewRate::Find},
                          Case{"#:RC#", SlewRate::Centre}, Case{"#:RG#", SlewRate::Guide},
                          Case{"#:RX#", SlewRate::Guide}, Case{"", SlewRate::Guide}}) {
        Session().telescope.slewRateCommand = c.command;
        EXPECT_EQ(model.ShownSlewRate(), c.shown) << c.command;
    }
    for (SlewRate rate : {SlewRate::Find, SlewRate::Centre, SlewRate::Guide, SlewRate::Slew}) {
        model.ChooseSlewRate(rate);
        EXPECT_EQ(model.ShownSlewRate(), rate);
    }
    EXPECT_FALSE(model.ShownFocusFast());
    model.ChooseFocusSpeed(true);
    EXPECT_EQ(Session().telescope.focusSpeedCommand, "#:FF#");
    EXPECT_TRUE(model.ShownFocusFast());
}

TEST_F(TelescopeDialogModelsTest, InformationShowsWhatCameWithUnshowableBytesMarked) {
    Session().telescope.scopeInfo = std::string("M42\x01 RA\xff#", 9);
    EXPECT_EQ(model.InfoText(), "M42? RA?#");
}

TEST_F(TelescopeDialogModelsTest, LineTroubleShowsInTheTitleUntilTheNextGoodAction) {
    EXPECT_EQ(model.Title(), "Vexa_Q4_USB Move Telescope");
    model.GotoPlanet(Planet::Jupiter);  // no replies queued
    EXPECT_EQ(model.Title(), "Vexa_Q4_USB Move Telescope - No reply from the telescope");
    EXPECT_EQ(fixture.line.Writes()[0], "#:LS 0905#");
    const std::string info(33, 'x');
    for (const std::string& reply : std::vector<std::string>{"1", "0", info, "0", info})
        fixture.line.QueueReply(reply);
    model.raHoursText = "1";
    model.raMinutesText = model.decDegreesText = model.decMinutesText = "0";
    EXPECT_TRUE(model.GotoCoordinates());
    EXPECT_EQ(model.Notice(), "The telescope refused the co-ordinates");
    model.PressMoveArrow(MoveArrow::Left);
    EXPECT_EQ(model.Title(), "Vexa_Q4_USB Move Telescope");
    EXPECT_EQ(LinkNotice(Status(StatusCode::Disconnected)),
              "The connection to the telescope was lost");
}

TEST_F(TelescopeDialogModelsTest, PlanetsUseTheirStarNumbers) {
    const int expected[kPlanetCount] = {901, 902, 904, 905, 906, 907, 908, 909};
    for (int i = 0; i < kPlanetCount; ++i) {
        EXPECT_EQ(PlanetStarNumber(static_cast<Planet>(i)), expected[i])
            << PlanetName(static_cast<Planet>(i));
    }
}

TEST_F(TelescopeDialogModelsTest, HelpExplainsTheCatalogueBoxes) {
    model.Help();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(
        ui.messages[0].text,
        "Enter a Messier or CNGC number and press the GoTo Object button.\n\nIf you enter both "
        "numbers the Messier will be favoured. To use CGNC numbers ensure the Messier number "
        "is 0");
}

TEST_F(TelescopeDialogModelsTest, ControlBoxDialogPressesAndReleases) {
    fixture.Connect(TelescopeType::ControlBox);
    ControlBoxDialogModel box(fixture.mount);
    box.PressArrow(MoveArrow::Right);
    box.PressArrow(MoveArrow::Left);
    box.Finish();
    const std::vector<std::string> expected = {"\x01", "\x11", std::string(1, '\0')};
    EXPECT_EQ(fixture.line.Writes(), expected);
    EXPECT_EQ(box.Title(), "Move Telescope");
}

}  // namespace
}  // namespace vexa
