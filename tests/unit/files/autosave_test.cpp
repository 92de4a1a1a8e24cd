#include "files/autosave.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/fits_file.h"
#include "processing/undo_history.h"
#include "session/safe_file_writer.h"
#include "session/settings_file.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::CardOf;
using test::Padded;
using test::ReadBytes;

constexpr const char* kCreateFailed = "Unable to create file, check disk space";
constexpr const char* kNoMore =
    "Sorry, you must first load an autosaved file to start the sequence, or there are no more "
    "files";

// Seconds since 1970 of a UT calendar instant, worked out by hand.
constexpr int64_t kDay = 86400;
// 2012-11-28: 15,672 days since 1970-01-01 (42 years with 10 leap days = 15,340, plus 332
// days of 2012 before 28 November).
constexpr int64_t kNov28_2012 = 15672 * kDay;
// 2007-03-05: 37 years with 9 leap days = 13,514 days, plus 63 days of 2007 before 5 March.
constexpr int64_t kMar5_2007 = 13577 * kDay;

class AutosaveTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    fs::path Folder() const { return fs::path(fixture.root) / "autosave"; }

    void SetUp() override { fs::create_directory(Folder()); }
};

TEST_F(AutosaveTest, NumbersRunFrom1To65530AndWrap) {
    EXPECT_EQ(NextAutosaveNumber(0), 1);
    EXPECT_EQ(NextAutosaveNumber(41), 42);
    EXPECT_EQ(NextAutosaveNumber(65529), 65530);
    EXPECT_EQ(NextAutosaveNumber(65530), 1);
    EXPECT_EQ(NextAutosaveNumber(65535), 1);
    EXPECT_EQ(AutosaveFileName(12), "c:\\AUTOSAVE\\IMG12.FIT");
}

TEST_F(AutosaveTest, AutosaveWritesTheNextNumberedFileAndSavesTheSettings) {
    test::SetPatternImage(1);
    s.settings.autosaveNumber = 65529;
    ASSERT_TRUE(AutosaveFits(s.currentImage));
    EXPECT_TRUE(fs::exists(Folder() / "IMG65530.FIT"));
    EXPECT_EQ(ReadBytes(Folder() / "IMG65530.FIT").size(), 677660u);
    Bytes ini = ReadBytes(Folder() / "Vexa_Q4.ini");
    ASSERT_EQ(ini.size(), 1183u);
    EXPECT_EQ(ini[0] | ini[1] << 8, 65530);
    ASSERT_TRUE(AutosaveFits(s.currentImage));
    EXPECT_TRUE(fs::exists(Folder() / "IMG1.FIT"));
    ini = ReadBytes(Folder() / "Vexa_Q4.ini");
    EXPECT_EQ(ini[0] | ini[1] << 8, 1);
    EXPECT_EQ(s.settings.autosaveNumber, 1);
}

TEST_F(AutosaveTest, TakesTheFirstNumberWhoseFileDoesNotExist) {
    struct Case {
        const char* name;
        uint16_t last;
        std::vector<std::string> existing;
        uint16_t written;
    } cases[] = {
        {"nothing in the way", 4, {}, 5},
        {"the next files exist", 4, {"IMG5.FIT", "IMG6.FIT"}, 7},
        {"it exists in other letter case", 4, {"img5.fit", "Img6.Fit"}, 7},
        {"the settings were deleted", 0, {"IMG1.FIT", "IMG2.FIT", "IMG4.FIT"}, 3},
        {"after the last number", 65530, {"IMG1.FIT"}, 2},
        {"the last number is taken", 65529, {"IMG65530.FIT"}, 1},
    };
    test::SetPatternImage(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(Folder());
        fs::create_directory(Folder());
        for (const std::string& name : c.existing) test::WriteBytes(Folder() / name, Bytes{7});
        s.settings.autosaveNumber = c.last;
        EXPECT_EQ(AutosaveFits(s.currentImage), std::optional<uint16_t>(c.written));
        EXPECT_EQ(s.settings.autosaveNumber, c.written);
        const std::string written = "IMG" + std::to_string(c.written) + ".FIT";
        EXPECT_EQ(ReadBytes(Folder() / written).size(), 677660u);
        for (const std::string& name : c.existing) EXPECT_EQ(ReadBytes(Folder() / name), Bytes{7});
        const Bytes ini = ReadBytes(Folder() / "Vexa_Q4.ini");
        ASSERT_EQ(ini.size(), 1183u);
        EXPECT_EQ(ini[0] | ini[1] << 8, c.written);
        EXPECT_EQ(test::NamesIn(Folder()).size(), c.existing.size() + 2);  // nothing else
    }
}

TEST_F(AutosaveTest, TheSearchForAFreeNumberGoesOneRoundAtMost) {
    int asked = 0;
    auto takenFrom = [&asked](int first) {
        return [&asked, first](uint16_t n) {
            ++asked;
            return n >= first;
        };
    };
    EXPECT_EQ(FirstFreeAutosaveNumber(7, takenFrom(9)), 8);
    EXPECT_EQ(FirstFreeAutosaveNumber(65000, takenFrom(65001)), 1);
    EXPECT_EQ(FirstFreeAutosaveNumber(3, takenFrom(1)), std::nullopt);
    EXPECT_EQ(asked, 1 + 531 + kLastAutosaveNumber);
}

// The window and the command line saving into one folder at once: every frame gets a file
// of its own, and no file is replaced.
TEST_F(AutosaveTest, ProgramsSavingAtOnceNeverShareANumber) {
    constexpr int kPrograms = 3;
    constexpr int kFrames = 8;
    test::SetPatternImage(1);
    std::vector<pid_t> programs;
    for (int p = 0; p < kPrograms; ++p) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int saved = 0;
            for (int f = 0; f < kFrames; ++f) saved += AutosaveFits(s.currentImage) ? 1 : 0;
            _exit(saved == kFrames ? 0 : 1);
        }
        programs.push_back(child);
    }
    for (const pid_t program : programs) {
        int status = -1;
        ASSERT_EQ(waitpid(program, &status, 0), program);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<std::string> expected = {"Vexa_Q4.ini"};
    for (int n = 1; n <= kPrograms * kFrames; ++n) {
        expected.push_back("IMG" + std::to_string(n) + ".FIT");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::NamesIn(Folder()), expected);
}

TEST_F(AutosaveTest, FailedWriteStillUsesUpTheNumberAndLeavesNoFile) {
    test::SetPatternImage(1);
    s.settings.autosaveNumber = 4;
    fs::remove_all(Folder());
    test::WriteBytes(Folder(), Bytes{1});  // a regular file where the folder should be
    EXPECT_FALSE(AutosaveFits(s.currentImage));
    EXPECT_EQ(s.settings.autosaveNumber, 5);
    fs::remove(Folder());
    fs::create_directory(Folder());
    {
        test::FileSizeLimit limit(10000);
        EXPECT_FALSE(AutosaveFits(s.currentImage));
    }
    EXPECT_EQ(s.settings.autosaveNumber, 6);
    EXPECT_TRUE(test::NamesIn(Folder()).empty());  // no partial file, no settings written
    ASSERT_TRUE(AutosaveFits(s.currentImage));
    EXPECT_EQ(test::NamesIn(Folder()), (std::vector<std::string>{"IMG7.FIT", "Vexa_Q4.ini"}));
}

TEST_F(AutosaveTest, MidExposureStampWithFloorOfTheHalf) {
    EXPECT_EQ(MidExposureInstant(0, 0), 0);
    EXPECT_EQ(MidExposureInstant(100, 111), 105);
    EXPECT_EQ(MidExposureInstant(10, 7), 8);  // floor(-3 / 2) = -2
    const int32_t start = static_cast<int32_t>(kNov28_2012 + 21 * 3600 + 59 * 60 + 59);
    s.exposureStart = start;
    s.exposureEnd = start + 11;  // 22:00:10
    test::SetPatternImage(1);
    ASSERT_TRUE(AutosaveFits(s.currentImage));
    EXPECT_EQ(s.fitsTime, "22:00:04");
    EXPECT_EQ(s.fitsDate, "28/11/12");
    EXPECT_EQ(s.exposureStart, start);
    const Bytes f = ReadBytes(Folder() / "IMG1.FIT");
    EXPECT_EQ(CardOf(f, 11), Padded("DATE-OBS= '28/11/12'"));
    EXPECT_EQ(CardOf(f, 12), Padded("TIME-OBS= '22:00:04'"));
}

TEST_F(AutosaveTest, DateAndTimeFormats) {
    EXPECT_EQ(FitsDateOf(kMar5_2007), "5/3/07");
    EXPECT_EQ(FitsDateOf(kNov28_2012), "28/11/12");
    EXPECT_EQ(FitsDateOf(0), "1/1/70");
    EXPECT_EQ(FitsDateOf(946684800 - kDay), "31/12/99");  // 1999
    EXPECT_EQ(FitsDateOf(946684800), "1/1/00");           // 2000
    EXPECT_EQ(FitsDateOf(1262304000), "1/1/10");          // 2010
    EXPECT_EQ(FitsTimeOf(3 * 3600 + 7 * 60 + 9), "03:07:09");
    EXPECT_EQ(FitsTimeOf(kMar5_2007 + 23 * 3600 + 59 * 60 + 59), "23:59:59");
}

TEST_F(AutosaveTest, QuickSaveBeforeAnyCaptureIsStampedAt1970) {
    test::SetPatternImage(1);
    ASSERT_TRUE(AutosaveFits(s.currentImage));
    ASSERT_TRUE(AutosaveFits(s.currentImage));
    const Bytes a = ReadBytes(Folder() / "IMG1.FIT");
    const Bytes b = ReadBytes(Folder() / "IMG2.FIT");
    EXPECT_EQ(CardOf(a, 11), Padded("DATE-OBS= '1/1/70'"));
    EXPECT_EQ(CardOf(a, 12), Padded("TIME-OBS= '00:00:00'"));
    EXPECT_EQ(a, b);
}

TEST_F(AutosaveTest, UtNowIsTheLocalReadingPlusHoursToUt) {
    test::ScopedZone zone("EST5");  // local time is UT less 5 hours, no summer time
    fixture.clock.SetCalendar(kNov28_2012 + 12 * 3600);
    s.settings.hoursToUT = 0;
    EXPECT_EQ(UtNow(), kNov28_2012 + 7 * 3600);
    s.settings.hoursToUT = 5;
    EXPECT_EQ(UtNow(), kNov28_2012 + 12 * 3600);
    s.settings.hoursToUT = -3;
    EXPECT_EQ(UtNow(), kNov28_2012 + 4 * 3600);
}

TEST_F(AutosaveTest, FinishFrameStampsWritesHistoryAndAutosaves) {
    test::ScopedZone zone("UTC0");
    fixture.clock.SetCalendar(kMar5_2007 + 3 * 3600);
    test::SetPatternImage(1);
    s.exposureStart = static_cast<int32_t>(kMar5_2007 + 3 * 3600 - 20);
    AppendHistory("Normal Stretch");
    s.darkFrameOn = true;
    s.flatFieldOn = true;
    s.autoSaveImage = true;
    FinishFrame();
    EXPECT_EQ(s.exposureEnd, kMar5_2007 + 3 * 3600);
    EXPECT_STREQ(s.historyLines[0].data(), "Dark Frame Subtracted");
    EXPECT_STREQ(s.historyLines[1].data(), "Flatfield Applied");
    EXPECT_EQ(s.historyLines[2][0], '\0');
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    EXPECT_EQ(s.fitsTime, "02:59:50");
    EXPECT_TRUE(fs::exists(Folder() / "IMG1.FIT"));
    EXPECT_TRUE(fixture.ui.messages.empty());

    // Only the flat: it takes the first line. Auto-processing keeps its own lines.
    s.darkFrameOn = false;
    s.autoSaveImage = false;
    FinishFrame();
    EXPECT_STREQ(s.historyLines[0].data(), "Flatfield Applied");
    EXPECT_EQ(s.historyLines[1][0], '\0');
    s.applyAutoProcessing = true;
    AppendHistory("High Pass Low Power Filter");
    FinishFrame();
    EXPECT_STREQ(s.historyLines[1].data(), "High Pass Low Power Filter");
    EXPECT_FALSE(fs::exists(Folder() / "IMG2.FIT"));
}

TEST_F(AutosaveTest, FinishFrameReportsAFailedAutosave) {
    test::SetPatternImage(1);
    s.autoSaveImage = true;
    fs::remove_all(Folder());
    FinishFrame();
    EXPECT_EQ(fixture.ui.LastText(), std::string(kCreateFailed) + "\n\nNo such file or directory");
    EXPECT_EQ(s.settings.autosaveNumber, 1);
}

TEST_F(AutosaveTest, LoadNextRefusesWithoutASequenceOrAtTheEnd) {
    LoadNextAutosaved();
    EXPECT_EQ(fixture.ui.LastText(), kNoMore);
    s.sequenceNumber = 8;
    s.settings.autosaveNumber = 8;
    LoadNextAutosaved();
    EXPECT_EQ(fixture.ui.LastText(), kNoMore);
    EXPECT_EQ(s.sequenceNumber, 8);
}

TEST_F(AutosaveTest, LoadNextStepsPastMissingFiles) {
    test::SetPatternImage(1);
    s.settings.autosaveNumber = 0;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(AutosaveFits(s.currentImage));  // IMG1 to IMG3
    fs::remove(Folder() / "IMG2.FIT");
    s.sequenceNumber = 1;
    LoadNextAutosaved();
    EXPECT_EQ(s.sequenceNumber, 2);
    EXPECT_EQ(fixture.ui.LastText(), "You didn't choose a valid TQ or suitable FITs File");
    EXPECT_EQ(s.currentFileName, "(Untitled)");  // the missing file never showed
    fixture.ui.messages.clear();
    LoadNextAutosaved();
    EXPECT_EQ(s.sequenceNumber, 3);
    EXPECT_TRUE(fixture.ui.messages.empty());
    EXPECT_EQ(s.currentFileName, "c:\\AUTOSAVE\\IMG3.FIT");
    LoadNextAutosaved();
    EXPECT_EQ(fixture.ui.LastText(), kNoMore);
}

}  // namespace
}  // namespace vexa
