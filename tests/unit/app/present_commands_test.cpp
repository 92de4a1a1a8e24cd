// Copy, Print, Print setup, Help and About: what each asks of the user interface and what the
// user is told when there is nothing to act on or the printer or help pages are missing.
#include "app/present_commands.h"
#include "app/present_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/display_refresh.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using PrintStatus = PresentServices::PrintStatus;

class PresentCommandsTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    test::FakeUi& ui = fixture.ui;
    std::string BitmapPath() const { return HostPath(kViewBitmapPath).string(); }
};

TEST_F(PresentCommandsTest, CopyWithoutBitmapIsRefusedWithAMessage) {
    CmdCopy();
    EXPECT_EQ(ui.clipboardCopies, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "VEXA_Q4_USB");
    EXPECT_EQ(ui.messages[0].text, "Sorry, there is no image to copy");
}

TEST_F(PresentCommandsTest, CopyHandsTheViewToTheClipboard) {
    RefreshDisplay();
    ASSERT_TRUE(s.displayBitmapExists);
    CmdCopy();
    EXPECT_EQ(ui.clipboardCopies, 1);
    EXPECT_TRUE(ui.messages.empty());
    // The view lost its bitmap after all: told, not silently ignored.
    ui.clipboardCopySucceeds = false;
    CmdCopy();
    EXPECT_EQ(ui.LastText(), "Sorry, there is no image to copy");
}

TEST_F(PresentCommandsTest, PrintWithoutBitmapFileIsRefused) {
    CmdPrint();
    EXPECT_TRUE(ui.printedFiles.empty());
    EXPECT_EQ(ui.LastText(), "Sorry, there is no image to print");
}

TEST_F(PresentCommandsTest, PrintSendsTheFileTheLastRefreshWrote) {
    for (int mode : {0, 1}) {  // Full and Half bitmaps both print
        s.geometryMode = mode;
        ApplyGeometry();
        RefreshDisplay();
        CmdPrint();
        ASSERT_EQ(ui.printedFiles.size(), static_cast<size_t>(mode + 1));
        EXPECT_EQ(ui.printedFiles.back(), BitmapPath());
        EXPECT_EQ(fs::file_size(ui.printedFiles.back()), mode == 0 ? 1340078u : 336858u);
    }
    EXPECT_TRUE(ui.messages.empty());
    ui.printStatus = PrintStatus::Cancelled;
    CmdPrint();
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PresentCommandsTest, PrintReportsMissingPrinterAndFailures) {
    RefreshDisplay();
    ui.printStatus = PrintStatus::NoPrinter;
    CmdPrint();
    EXPECT_EQ(ui.LastText(), "Sorry, no printer is installed");
    ui.printStatus = PrintStatus::Failed;
    CmdPrint();
    EXPECT_EQ(ui.LastText(), "Sorry, the image could not be printed");
    ui.printStatus = PrintStatus::UnreadableFile;
    CmdPrint();
    EXPECT_EQ(ui.LastText(), "Cannot open bitmap file");
    EXPECT_EQ(ui.printedFiles.size(), 3u);
}

TEST_F(PresentCommandsTest, PartialBitmapFileIsNotPrinted) {
    RefreshDisplay();
    fs::resize_file(BitmapPath(), 1078 + 1300);  // as a short pixel write leaves it
    CmdPrint();
    EXPECT_TRUE(ui.printedFiles.empty());
    EXPECT_EQ(ui.LastText(), "Cannot open bitmap file");
    // Only the whole-image file counts: the small-frame bitmap is not what Print sends.
    fs::remove(BitmapPath());
    std::ofstream(HostPath(kFrameBitmapPath)) << std::string(17462, '\0');
    CmdPrint();
    EXPECT_TRUE(ui.printedFiles.empty());
    EXPECT_EQ(ui.LastText(), "Sorry, there is no image to print");
}

TEST_F(PresentCommandsTest, PrintSetupReportsAMissingPrinter) {
    CmdPrintSetup();
    EXPECT_EQ(ui.printSetups, 1);
    EXPECT_TRUE(ui.messages.empty());
    ui.printSetupStatus = PrintStatus::NoPrinter;
    CmdPrintSetup();
    EXPECT_EQ(ui.printSetups, 2);
    EXPECT_EQ(ui.LastText(), "Sorry, no printer is installed");
}

TEST_F(PresentCommandsTest, HelpFailureShowsTheStopBox) {
    CmdHelp();
    EXPECT_EQ(ui.helpRequests, 1);
    EXPECT_TRUE(ui.messages.empty());
    ui.helpOpens = false;
    CmdHelp();
    EXPECT_EQ(ui.helpRequests, 2);
    EXPECT_EQ(ui.stopBoxes, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "VEXA_Q4");
    EXPECT_EQ(ui.messages[0].text, "WinHelp failed!");
}

TEST_F(PresentCommandsTest, AboutOpensTheBoxWithItsTexts) {
    CmdAbout();
    EXPECT_EQ(ui.aboutBoxes, 1);
    EXPECT_STREQ(kAboutTitle, "Help About Vexa_Q4_USB");
    EXPECT_STREQ(kAboutDescription,
                 "Vexa_Q4_USB Image processing software for use with Corvane TQ cameras");
    for (const char* line : {kAboutVersion, kAboutReleaseDate, kAboutNotice}) {
        EXPECT_GT(std::string(line).size(), 0u);
    }
}

}  // namespace
}  // namespace vexa
