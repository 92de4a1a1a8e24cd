// Auto-processing: the order of the steps, the background level taken before each stretch,
// the exact samples of a chain, and the "Auto-Processing Choices" dialog with its command.
#include "processing/auto_processing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "processing/undo_history.h"
#include "session/host_paths.h"
#include "session/settings_file.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class AutoProcessingTest : public ::testing::Test {
  protected:
    void Fill(uint16_t value) {
        for (int k = 0; k < kPlaneSamples; ++k) s.currentImage[k] = value;
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const auto& line : s.historyLines) {
            if (line[0] != '\0') lines.emplace_back(line.data());
        }
        return lines;
    }
    test::SessionFixture fixture;
    SessionState& s = Session();
    PersistentSettings& p = Session().settings;
};

TEST_F(AutoProcessingTest, NothingChosenOnlyRefreshes) {
    Fill(2560);
    AppendHistory("Dark Frame Subtracted");
    AppendHistory("Flatfield Applied");
    RunAutoProcessing();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Dark Frame Subtracted", "Flatfield Applied"}));
    EXPECT_EQ(s.currentImage[500000], 2560);
    EXPECT_EQ(fixture.ui.progressOpened, 0);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Arrow);
}

TEST_F(AutoProcessingTest, EveryStepInOrderWithExactSamples) {
    Fill(2560);  // display level 10 everywhere, so the band's mode is 10
    p.autoWeakStretch = true;
    p.autoRemoveBackground = true;
    p.autoHighPass = true;
    p.autoUnsharp = true;
    p.autoUnsharpDiameter = 2;
    p.autoUnsharpPower = 4;
    bool unsharpDialogOpened = false;
    fixture.ui.unsharpDialog = [&](auto&) { return unsharpDialogOpened = true; };
    RunAutoProcessing();

    EXPECT_EQ(s.backgroundLevel, 10);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "Background Removed : min 16", "Non-Linear Stretch : power 2",
                           "High Pass Low Power Filter", "Unsharp Mask : rad 2 ,power 4"}));
    EXPECT_FALSE(unsharpDialogOpened);
    EXPECT_FALSE(s.autoProcessingRunning);
    // 2560 -> index 1280: (1280 - 1024) x 255 / 247 = 264.3 -> 528; index 264: 528 / (1 + 264 /
    // 32768) = 523.8 -> 1046; both filters leave a flat image alone.
    EXPECT_EQ(s.currentImage[0], 1046);
    EXPECT_EQ(s.currentImage[700000], 1046);
    EXPECT_EQ(s.currentImage[kFullSampleCount - 1], 1046);
    EXPECT_EQ(fixture.ui.progressOpened, 4);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);  // one refresh, at the end
    // Every step took its own undo copy: undo goes back over the unsharp mask only.
    EXPECT_EQ(s.undoImage[700000], 1046);
}

TEST_F(AutoProcessingTest, UndoAfterAStretchGoesBackOneStep) {
    Fill(2560);
    p.autoStrongStretch = true;
    p.autoRemoveBackground = true;
    RunAutoProcessing();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Background Removed : min 16",
                                                 "Non-Linear Stretch : power 18"}));
    EXPECT_EQ(s.undoImage[0], 528);  // after background removal, before the stretch
    UndoLastFilter();
    EXPECT_EQ(s.currentImage[0], 528);
}

TEST_F(AutoProcessingTest, LowBackgroundSkipsRemoval) {
    Fill(512);  // level 2
    p.autoWeakStretch = true;
    p.autoRemoveBackground = true;
    RunAutoProcessing();
    EXPECT_EQ(s.backgroundLevel, 2);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Non-Linear Stretch : power 2"}));
    // Index 256: 512 / (1 + 256 / 32768) = 508.03 -> 508.
    EXPECT_EQ(s.currentImage[40000], 1016);
}

TEST_F(AutoProcessingTest, BackgroundLevelComesFromTheBandNearTheTop) {
    Fill(512);
    for (int k = 10240; k < 25600; ++k) s.currentImage[k] = 1280;  // level 5 in the band only
    s.backgroundLevel = 99;
    p.autoUserStretch = true;
    p.autoUserStretchLevel = 7;
    p.autoRemoveBackground = true;
    RunAutoProcessing();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Background Removed : min 6",
                                                 "Non-Linear Stretch : power 7"}));
}

TEST_F(AutoProcessingTest, StretchWithoutRemovalAndHighPassAlone) {
    Fill(2560);
    p.autoHighPass = true;
    RunAutoProcessing();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"High Pass Low Power Filter"}));
    EXPECT_EQ(s.currentImage[600000], 2560);
    // A single bright sample: 5 x 3000 - 4 x 2560 at the sample itself.
    Fill(2560);
    s.currentImage[500 * 1300 + 600] = 3000;
    RunAutoProcessing();
    EXPECT_EQ(s.currentImage[500 * 1300 + 600], 4760);
    EXPECT_EQ(s.currentImage[500 * 1300 + 601], 2120);
}

// ---- the dialog ----

class AutoDialogTest : public AutoProcessingTest {};

TEST_F(AutoDialogTest, OpensWithTheStoredChoice) {
    AutoDialogModel m(s);
    EXPECT_EQ(m.Stretch(), AutoStretchChoice::None);
    EXPECT_EQ(m.UserLevelText(), "4");
    EXPECT_EQ(m.UnsharpDiameterText(), "3");
    EXPECT_EQ(m.UnsharpPowerText(), "1");
    p.autoStrongStretch = true;
    p.autoHighPass = true;
    AutoDialogModel again(s);
    EXPECT_EQ(again.Stretch(), AutoStretchChoice::Strong);
    EXPECT_TRUE(again.HighPass());
    EXPECT_FALSE(again.Unsharp());
}

TEST_F(AutoDialogTest, RadioButtonsKeepOneStretchAndChecksToggle) {
    AutoDialogModel m(s);
    m.ChooseStretch(AutoStretchChoice::Weak);
    EXPECT_TRUE(p.autoWeakStretch);
    m.ChooseStretch(AutoStretchChoice::User);
    EXPECT_FALSE(p.autoWeakStretch);
    EXPECT_TRUE(p.autoUserStretch);
    EXPECT_FALSE(p.autoStrongStretch);
    m.ChooseStretch(AutoStretchChoice::None);
    EXPECT_FALSE(p.autoWeakStretch || p.autoStrongStretch || p.autoUserStretch);
    m.ToggleRemoveBackground();
    m.ToggleUnsharp();
    m.ToggleUnsharp();
    m.ToggleHighPass();
    EXPECT_TRUE(p.autoRemoveBackground);
    EXPECT_FALSE(p.autoUnsharp);
    EXPECT_TRUE(p.autoHighPass);
}

TEST_F(AutoDialogTest, SaveAcceptsTheRanges) {
    AutoDialogModel m(s);
    m.SetUserLevelText(" 29 ");
    m.SetUnsharpDiameterText("6");
    m.SetUnsharpPowerText("6");
    EXPECT_TRUE(m.Save());
    EXPECT_EQ(p.autoUserStretchLevel, 29);
    EXPECT_EQ(p.autoUnsharpDiameter, 6);
    EXPECT_EQ(p.autoUnsharpPower, 6);
    EXPECT_EQ(m.UserLevelText(), "29");
    m.SetUserLevelText("2");
    m.SetUnsharpDiameterText("2");
    m.SetUnsharpPowerText("1");
    EXPECT_TRUE(m.Save());
    EXPECT_EQ(fixture.ui.beeps, 0);
}

TEST_F(AutoDialogTest, RefusedNumbersBeepAndRevert) {
    AutoDialogModel m(s);
    m.SetUserLevelText("30");
    m.SetUnsharpDiameterText("5");
    m.SetUnsharpPowerText("2");
    EXPECT_FALSE(m.Save());
    EXPECT_EQ(fixture.ui.beeps, 1);
    EXPECT_EQ(m.UserLevelText(), "4");  // reverted
    EXPECT_EQ(p.autoUserStretchLevel, 4);
    EXPECT_EQ(p.autoUnsharpDiameter, 5);  // the accepted ones are kept
    EXPECT_EQ(p.autoUnsharpPower, 2);

    for (const char* bad : {"1", "-3", "", "abc", "12x", "99999999999"}) {
        m.SetUserLevelText("10");
        m.SetUnsharpDiameterText(bad);
        m.SetUnsharpPowerText("3");
        EXPECT_FALSE(m.Save()) << bad;
        EXPECT_EQ(m.UnsharpDiameterText(), "5") << bad;
    }
    m.SetUnsharpDiameterText("7");
    EXPECT_FALSE(m.Save());
    m.SetUnsharpDiameterText("4");
    m.SetUnsharpPowerText("0");
    EXPECT_FALSE(m.Save());
    EXPECT_EQ(m.UnsharpPowerText(), "3");
    EXPECT_EQ(p.autoUnsharpDiameter, 4);
}

TEST_F(AutoDialogTest, HelpBox) {
    AutoDialogModel(s).ShowHelp();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, "VEXAQ4 - Auto Processing");
    EXPECT_EQ(fixture.ui.messages[0].text.substr(0, 56),
              "To process images as they are taken choose from these op");
}

TEST_F(AutoDialogTest, CommandWritesTheSettingsFileOnSave) {
    std::filesystem::create_directories(HostPath(kSettingsFolder));  // made at start-up
    fixture.ui.autoProcessingDialog = [](AutoDialogModel& m) {
        m.ChooseStretch(AutoStretchChoice::Weak);
        m.SetUserLevelText("9");
        return m.Save();
    };
    CmdSetAutoProcessing();
    const auto path = HostPath(kSettingsPath);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 1183u);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes[32], 'y');  // weak stretch
    EXPECT_EQ(bytes[33], 'n');
    EXPECT_EQ(bytes[35], 9);  // user power, little-endian
    EXPECT_EQ(bytes[36], 0);
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(AutoDialogTest, CancelWritesNothingButKeepsTheClickedChoices) {
    fixture.ui.autoProcessingDialog = [](AutoDialogModel& m) {
        m.ChooseStretch(AutoStretchChoice::Strong);
        m.SetUserLevelText("9");
        return false;
    };
    CmdSetAutoProcessing();
    EXPECT_FALSE(std::filesystem::exists(HostPath(kSettingsPath)));
    EXPECT_TRUE(p.autoStrongStretch);
    EXPECT_EQ(p.autoUserStretchLevel, 4);
}

TEST_F(AutoDialogTest, FailedWriteShowsMessage24) {
    // A folder where the file should be: the settings cannot be written.
    std::filesystem::create_directories(HostPath(kSettingsPath));
    fixture.ui.autoProcessingDialog = [](AutoDialogModel&) { return true; };
    CmdSetAutoProcessing();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].text, "Unable to save INI file, please check disk space");
}

}  // namespace
}  // namespace vexa
