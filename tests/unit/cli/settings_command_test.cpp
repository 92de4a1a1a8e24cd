#include "cli/settings_command.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::cli {
namespace {

namespace fs = std::filesystem;

class SettingsCommandTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    std::ostringstream out;
    std::ostringstream err;

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        args.insert(args.begin(), {"--root", fixture.root, "settings"});
        return RunCli(args, out, err);
    }
    fs::path File() const { return fs::path(fixture.root) / "autosave" / "Vexa_Q4.ini"; }
    std::vector<std::string> OutLines() const {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

TEST_F(SettingsCommandTest, EmptyRootGetsTheDefaultFileAndEverySettingIsPrinted) {
    EXPECT_EQ(Run({}), kExitSuccess);
    EXPECT_EQ(fs::file_size(File()), 1183u);
    EXPECT_EQ(err.str(), "");
    const std::vector<std::string> lines = OutLines();
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(lines[0], "autosaveNumber: 0");
    EXPECT_EQ(lines[2], "fast_par: false");
    EXPECT_EQ(lines[6], "backgroundChoice: l");
    EXPECT_EQ(lines[13], "telescopeType: n");
    EXPECT_EQ(lines[17], "driveDirections: nsew");
    EXPECT_EQ(lines[27], "fastParExtra: false");
    EXPECT_EQ(lines[28], "fitsObject: ");
    EXPECT_EQ(lines[30], "fitsInstrument: Corvane CCD");
    EXPECT_EQ(lines[35], "fitsFilter: None");
    EXPECT_EQ(lines[36], "apertureSquareInches: 0");
    EXPECT_EQ(lines[39], "showInterfaceDetails: true");
    // The fake interface the test installed is back in place.
    EXPECT_EQ(&Ui(), static_cast<UiServices*>(&fixture.ui));
}

TEST_F(SettingsCommandTest, SetValuesPersist) {
    EXPECT_EQ(Run({"--set", "telescopeType=l", "--set", "guideStarMaskRadius=11", "--set",
                   "fitsObject=M42", "--set=apertureSquareInches=12.5", "--set",
                   "driveDirections=snwe", "--set", "showInterfaceDetails=false", "--set",
                   "hoursToUT=-2", "--set", "backgroundChoice=r"}),
              kExitSuccess)
        << err.str();
    Session().settings = PersistentSettings{};
    EXPECT_EQ(Run({}), kExitSuccess);
    const std::string text = out.str();
    for (const char* line :
         {"telescopeType: l\n", "guideStarMaskRadius: 11\n", "fitsObject: M42\n",
          "apertureSquareInches: 12.5\n", "driveDirections: snwe\n",
          "showInterfaceDetails: false\n", "hoursToUT: -2\n", "backgroundChoice: r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(Session().backgroundColour.red, 120);
}

TEST_F(SettingsCommandTest, BadSetsAreUsageErrorsThatTouchNothing) {
    const std::vector<std::string> bad = {
        "noSuchSetting=1",        "telescopeType=x",        "telescopeType=ll",
        "guideStarMaskRadius=10", "raBacklash=31",          "decBacklash=-1",
        "raHysteresis=21",        "autoUserStretchLevel=0", "autoUnsharpPower=7",
        "driveDirections=nsxx",   "driveDirections=nse",    "fast_par=maybe",
        "autosaveNumber=65531",   "hoursToUT=40000",        "hoursToUT=3.5",
        "apertureSquareInches=x", "focalLengthInches=inf",  "fitsObject=O'Brien",
        "telescopeType",          "legacyReadMode=",
    };
    for (const std::string& set : bad) {
        EXPECT_EQ(Run({"--set", set}), kExitUsage) << set;
        EXPECT_NE(err.str().find("usage: vexaq4-cli [--root DIR] settings [--set NAME=VALUE ...]"),
                  std::string::npos)
            << set;
        EXPECT_EQ(out.str(), "") << set;
    }
    EXPECT_EQ(Run({"--set", "fitsObject=" + std::string(69, 'x')}), kExitUsage);
    EXPECT_EQ(Run({"--set"}), kExitUsage);
    EXPECT_EQ(Run({"--verbose"}), kExitUsage);
    EXPECT_FALSE(fs::exists(File().parent_path()));
    EXPECT_EQ(Run({"--set", "fitsHistory=" + std::string(255, 'x')}), kExitSuccess);
}

TEST_F(SettingsCommandTest, NothingIsWrittenBeforeEveryOptionIsChecked) {
    EXPECT_EQ(Run({"--set", "telescopeType=l", "--set", "raBacklash=99"}), kExitUsage);
    EXPECT_FALSE(fs::exists(File().parent_path()));
}

TEST_F(SettingsCommandTest, FailedWriteShowsTheMessageAndExitsOne) {
    // "autosave" is a plain file: neither the folder nor the settings file can be made.
    std::ofstream(fs::path(fixture.root) / "autosave") << "x";
    EXPECT_EQ(Run({"--set", "telescopeType=l"}), kExitFailure);
    EXPECT_EQ(err.str(),
              "VEXA_Q4_USB: Unable to load INI file, please delete and try again\n"
              "VEXA_Q4_USB: Unable to save INI file, please check disk space\n\nNot a directory\n");
    EXPECT_EQ(out.str(), "");
}

TEST_F(SettingsCommandTest, UnreadableFileIsReportedAndRepairedBySet) {
    fs::create_directories(File().parent_path());
    std::ofstream(File(), std::ios::binary) << "ab";
    EXPECT_EQ(Run({}), kExitFailure);
    EXPECT_EQ(err.str(), "VEXA_Q4_USB: Unable to load INI file, please delete and try again\n");
    EXPECT_EQ(OutLines().size(), 40u);
    EXPECT_EQ(Run({"--set", "autosaveNumber=12"}), kExitSuccess);
    EXPECT_EQ(fs::file_size(File()), 1183u);
    EXPECT_EQ(Run({}), kExitSuccess);
    EXPECT_EQ(OutLines()[0], "autosaveNumber: 12");
}

TEST_F(SettingsCommandTest, FastParMessageGoesToStandardErrorAsOneLine) {
    EXPECT_EQ(Run({}), kExitSuccess);
    {
        std::fstream f(File(), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4);
        f.put('?');
    }
    EXPECT_EQ(Run({}), kExitSuccess);
    EXPECT_EQ(err.str(), "Vexa_Q4_USB: Failed to read fast_par value\n");
}

TEST_F(SettingsCommandTest, HelpAndGlobalUsage) {
    EXPECT_EQ(Run({"--help"}), kExitSuccess);
    EXPECT_NE(out.str().find("--set NAME=VALUE"), std::string::npos);
    EXPECT_NE(out.str().find("showInterfaceDetails"), std::string::npos);
    EXPECT_FALSE(fs::exists(File().parent_path()));

    out.str("");
    EXPECT_EQ(RunCli({"--help"}, out, err), kExitSuccess);
    EXPECT_NE(out.str().find("settings [--set NAME=VALUE ...]"), std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"--root"}, {"frobnicate"}, {"--bogus"}, {"--root", fixture.root}}) {
        err.str("");
        EXPECT_EQ(RunCli(args, out, err), kExitUsage);
        EXPECT_NE(err.str().find("usage: vexaq4-cli [--root DIR] COMMAND [OPTIONS]"),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace vexa::cli
