#include "app/settings_dialog_model.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "session/session_state.h"
#include "session/settings_file.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

class SettingsDialogModelTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SettingsDialogModel model;
    PersistentSettings& Settings() { return Session().settings; }
    fs::path File() const { return fs::path(fixture.root) / "autosave" / "Vexa_Q4.ini"; }
};

TEST_F(SettingsDialogModelTest, RadioGroupsShowOtherValuesAsTheirLastChoice) {
    EXPECT_EQ(model.ShownGuideStarMaskRadius(), 8);
    for (int16_t odd : {0, 10, 16, -7}) {
        Settings().guideStarMaskRadius = odd;
        EXPECT_EQ(model.ShownGuideStarMaskRadius(), 15) << odd;
    }
    Settings().delayAdjustment = 0;
    EXPECT_EQ(model.ShownDelayAdjustment(), 3);
    Settings().delayAdjustment = 2;
    EXPECT_EQ(model.ShownDelayAdjustment(), 2);
    Session().guideTrainingSeconds = 3;
    EXPECT_EQ(model.ShownGuideTrainingSeconds(), 4);
    Session().guideTrainingSeconds = 2;
    EXPECT_EQ(model.ShownGuideTrainingSeconds(), 2);
    // Letters that match no button are shown as they are, so no button is checked.
    Session().commPort = '7';
    EXPECT_EQ(model.ShownCommPort(), '7');
}

TEST_F(SettingsDialogModelTest, ChoicesWriteTheSessionAtOnce) {
    Settings().guideStarMaskRadius = 10;
    model.ChooseGuideStarMaskRadius(11);
    EXPECT_EQ(Settings().guideStarMaskRadius, 11);
    model.ChooseDelayAdjustment(3);
    EXPECT_EQ(Settings().delayAdjustment, 3);
    model.ChooseCommPort('2');
    EXPECT_EQ(Session().commPort, '2');
    model.ChooseGuideTrainingSeconds(4);
    EXPECT_EQ(Session().guideTrainingSeconds, 4);
    model.ChooseTelescopeType('l');
    EXPECT_EQ(Settings().telescopeType, TelescopeType::Lx200);
    // Values no button stands for change nothing.
    model.ChooseGuideStarMaskRadius(10);
    model.ChooseTelescopeType('q');
    model.ChooseGuideTrainingSeconds(3);
    EXPECT_EQ(Settings().guideStarMaskRadius, 11);
    EXPECT_EQ(Settings().telescopeType, TelescopeType::Lx200);
    EXPECT_EQ(Session().guideTrainingSeconds, 4);
}

TEST_F(SettingsDialogModelTest, BackgroundChoiceSetsTheColourAndRaisesTheChange) {
    model.ChooseBackground('g');
    EXPECT_EQ(Settings().backgroundChoice, 'g');
    EXPECT_EQ(Session().backgroundColour.red, 90);
    EXPECT_EQ(Session().backgroundColour.green, 90);
    EXPECT_EQ(Session().backgroundColour.blue, 90);
    EXPECT_TRUE(Session().backgroundChanged);
    Session().backgroundChanged = false;
    model.ChooseBackground('r');
    EXPECT_EQ(Session().backgroundColour.red, 120);
    EXPECT_EQ(Session().backgroundColour.green, 40);
    EXPECT_TRUE(Session().backgroundChanged);
    EXPECT_EQ(model.ShownBackground(), 'r');
}

TEST_F(SettingsDialogModelTest, SwapsExchangeThePairs) {
    auto& d = Settings().driveDirections;
    EXPECT_FALSE(model.SwapNorthSouthChecked());
    model.ClickSwapNorthSouth();
    EXPECT_EQ(d, (std::array<char, 4>{'s', 'n', 'e', 'w'}));
    EXPECT_TRUE(model.SwapNorthSouthChecked());
    model.ClickSwapEastWest();
    EXPECT_EQ(d, (std::array<char, 4>{'s', 'n', 'w', 'e'}));
    EXPECT_TRUE(model.SwapEastWestChecked());
    model.ClickSwapNorthSouth();
    model.ClickSwapEastWest();
    EXPECT_EQ(d, (std::array<char, 4>{'n', 's', 'e', 'w'}));
    // Letters other than the expected ones go back to the plain order.
    d = {'x', 'y', 'q', 'w'};
    EXPECT_FALSE(model.SwapNorthSouthChecked());
    model.ClickSwapNorthSouth();
    model.ClickSwapEastWest();
    EXPECT_EQ(d, (std::array<char, 4>{'n', 's', 'e', 'w'}));
}

TEST_F(SettingsDialogModelTest, SlewValuesAreTakenOnlyWhenSetWithHysteresisCappedAt20) {
    Settings().raPixelsPerSecond = 7;
    Settings().decBacklash = 3;
    const SlewTexts shown = model.ShownSlewValues();
    EXPECT_EQ(shown[kRaPixelsPerSecondEdit], "7");
    EXPECT_EQ(shown[kDecBacklashEdit], "3");
    EXPECT_EQ(shown[kDecHysteresisEdit], "0");

    EXPECT_EQ(model.SetSlewValues({"12", " 4 ", "30", "7xyz", "35", "20"}), "");
    EXPECT_EQ(Settings().raPixelsPerSecond, 12);
    EXPECT_EQ(Settings().decPixelsPerSecond, 4);
    EXPECT_EQ(Settings().raBacklash, 30);
    EXPECT_EQ(Settings().decBacklash, 7);
    EXPECT_EQ(Settings().raHysteresis, 20);
    EXPECT_EQ(Settings().decHysteresis, 20);

    // Backlash outside what the file accepts is held to 0..30; nonsense reads as 0.
    EXPECT_EQ(model.SetSlewValues({"1", "49", "45", "-3", "-2", "19"}), "");
    EXPECT_EQ(Settings().raPixelsPerSecond, 1);
    EXPECT_EQ(Settings().decPixelsPerSecond, 49);
    EXPECT_EQ(Settings().raBacklash, 30);
    EXPECT_EQ(Settings().decBacklash, 0);
    EXPECT_EQ(Settings().raHysteresis, -2);
    EXPECT_EQ(Settings().decHysteresis, 19);
}

TEST_F(SettingsDialogModelTest, RatesOutsideOneTo49RefuseAllSixWithARangeMessage) {
    struct Case {
        const char* ra;
        const char* dec;
        const char* message;  // how the range message starts
    } cases[] = {
        {"0", "2", "RA pixels per sec must be a whole number from 1 to 49"},
        {"", "2", "RA pixels per sec must be a whole number from 1 to 49"},
        {"2", "abc", "Dec pixels per sec must be a whole number from 1 to 49"},
        {"2", "7xyz", "Dec pixels per sec must be a whole number from 1 to 49"},
        {"2", "50", "Dec pixels per sec must be a whole number from 1 to 49"},
        {"-3", " ", "RA and Dec pixels per sec must be whole numbers from 1 to 49"},
    };
    for (const Case& c : cases) {
        const SlewTexts before = model.ShownSlewValues();
        const std::string refusal = model.SetSlewValues({c.ra, c.dec, "9", "9", "9", "9"});
        EXPECT_EQ(refusal.rfind(c.message, 0), 0u) << c.ra << "/" << c.dec << ": " << refusal;
        EXPECT_EQ(model.ShownSlewValues(), before) << c.ra << "/" << c.dec;
    }
}

TEST_F(SettingsDialogModelTest, EditIntegersReadLikeTheDialogReadsThem) {
    EXPECT_EQ(ReadEditInteger(""), 0);
    EXPECT_EQ(ReadEditInteger("  +15"), 15);
    EXPECT_EQ(ReadEditInteger("-40000"), -32768);
    EXPECT_EQ(ReadEditInteger("123456789012345678901234567890"), 32767);
    EXPECT_EQ(ReadEditInteger("- 5"), 0);
}

TEST_F(SettingsDialogModelTest, StoredOnlyChoices) {
    model.ChooseFastPar(FastParChoice::FastExtended);
    EXPECT_TRUE(Settings().fast_par);
    EXPECT_TRUE(Settings().fastParExtra);
    model.ChooseFastPar(FastParChoice::Fast);
    EXPECT_TRUE(Settings().fast_par);
    EXPECT_FALSE(Settings().fastParExtra);
    model.ChooseFastPar(FastParChoice::Off);
    EXPECT_FALSE(Settings().fast_par);
    EXPECT_FALSE(Settings().fastParExtra);
    model.ChooseLegacyReadMode(3);
    EXPECT_EQ(Settings().legacyReadMode, 3);
    model.ChooseLegacyReadMode(4);
    EXPECT_EQ(Settings().legacyReadMode, 3);
}

// ---- the command ----

TEST_F(SettingsDialogModelTest, SaveChangesWritesTheFileAndRepaints) {
    ASSERT_EQ(LoadSettings(), 0);  // first start: default file
    bool opened = false;
    fixture.ui.settingsDialog = [&](SettingsDialogModel& m) {
        opened = true;
        m.ChooseTelescopeType('b');
        m.ChooseBackground('g');
        return true;
    };
    CmdSetProgramDefaults();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(fixture.ui.messages.empty());
    EXPECT_EQ(fixture.ui.repaints, 1);
    Settings() = PersistentSettings{};
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(Settings().telescopeType, TelescopeType::ControlBox);
    EXPECT_EQ(Settings().backgroundChoice, 'g');
}

TEST_F(SettingsDialogModelTest, DialogShowsWhatTheFileHolds) {
    ASSERT_EQ(LoadSettings(), 0);
    Settings().guideStarMaskRadius = 13;
    ASSERT_EQ(SaveSettings(), 0);
    Settings().guideStarMaskRadius = 7;
    int16_t shown = 0;
    fixture.ui.settingsDialog = [&](SettingsDialogModel& m) {
        shown = m.ShownGuideStarMaskRadius();
        return false;
    };
    CmdSetProgramDefaults();
    EXPECT_EQ(shown, 13);
}

TEST_F(SettingsDialogModelTest, CancelKeepsTheChangesButDoesNotWrite) {
    ASSERT_EQ(LoadSettings(), 0);
    const auto before = fs::last_write_time(File());
    fixture.ui.settingsDialog = [](SettingsDialogModel& m) {
        m.ChooseTelescopeType('l');
        return false;
    };
    CmdSetProgramDefaults();
    EXPECT_EQ(Settings().telescopeType, TelescopeType::Lx200);
    EXPECT_EQ(fs::last_write_time(File()), before);
    std::ifstream in(File(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes[22], 'n');
    EXPECT_EQ(fixture.ui.repaints, 1);
}

TEST_F(SettingsDialogModelTest, UnreadableFileShowsCode23AndTheDialogOpensAnyway) {
    fs::create_directories(File().parent_path());
    std::ofstream(File(), std::ios::binary) << "abc";  // ends inside the second field
    bool opened = false;
    fixture.ui.settingsDialog = [&](SettingsDialogModel&) {
        opened = true;
        return true;
    };
    CmdSetProgramDefaults();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, "VEXA_Q4_USB");
    EXPECT_EQ(fixture.ui.messages[0].text, "Unable to load INI file, please delete and try again");
    EXPECT_TRUE(opened);
    EXPECT_EQ(fs::file_size(File()), 1183u);  // Save Changes wrote a whole file
}

TEST_F(SettingsDialogModelTest, FailedSaveShowsCode24) {
    ASSERT_EQ(LoadSettings(), 0);
    fixture.ui.settingsDialog = [&](SettingsDialogModel&) {
        // The folder turns into a plain file while the dialog is open.
        fs::remove_all(File().parent_path());
        std::ofstream(File().parent_path()) << "x";
        return true;
    };
    CmdSetProgramDefaults();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].text, "Unable to save INI file, please check disk space");
    EXPECT_EQ(fixture.ui.repaints, 1);
}

}  // namespace
}  // namespace vexa
