#include "files/file_commands.h"
#include "app/command_dispatch.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "files/autosave.h"
#include "files/fits_details_model.h"
#include "files/fits_file.h"
#include "files/tq_file.h"
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
using test::WriteBytes;

constexpr const char* kCreateFailed = "Unable to create file, check disk space";

class FileCommandsTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    fs::path obs;

    void SetUp() override {
        obs = fs::path(fixture.root) / "obs";
        fs::create_directory(obs);
        fs::create_directory(fs::path(fixture.root) / "autosave");
    }
    void AnswerOpen(const fs::path& path) {
        fixture.ui.openFileDialog = [path](const FileDialogRequest&) { return path.string(); };
    }
    void AnswerSave(const fs::path& path) {
        fixture.ui.saveFileDialog = [path](const FileDialogRequest&) { return path.string(); };
    }
    void WriteHalfFits(const fs::path& path, int salt) {
        test::SetPatternImage(1, salt);
        ASSERT_TRUE(WriteFitsFile(path.string(), s.currentImage, false));
    }
};

TEST_F(FileCommandsTest, OpenOffersTheRememberedChoicesAndRemembersTheNewOnes) {
    WriteHalfFits(obs / "img7.fit", 1);
    s.fileDialogFolder = "/some/where";
    s.fileDialogFileName = "OLD.FIT";
    AnswerOpen(obs / "img7.fit");
    CmdOpen();
    ASSERT_EQ(fixture.ui.openRequests.size(), 1u);
    const FileDialogRequest& r = fixture.ui.openRequests[0];
    EXPECT_EQ(r.filter, "Corvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|");
    EXPECT_EQ(r.filterIndex, 3);
    EXPECT_EQ(r.folder, "/some/where");
    EXPECT_EQ(r.offeredName, "OLD.FIT");
    EXPECT_TRUE(r.mustExist);
    EXPECT_TRUE(r.hideReadOnly);
    EXPECT_EQ(s.fileDialogFolder, obs.string());
    // The name as it is on disk, which the next Open can offer as it stands.
    EXPECT_EQ(s.fileDialogFileName, "img7.fit");
    EXPECT_EQ(s.fileDialogFilterIndex, 3);
    EXPECT_EQ(s.currentFileName, "img7.fit");
    EXPECT_EQ(fixture.ui.titles.back(), "Vexa_Q4_USB - img7.fit");
    EXPECT_EQ(s.sequenceNumber, 7);
    EXPECT_EQ(s.currentImage[0], static_cast<uint16_t>(test::PatternSample(0, 0) + 1));
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(FileCommandsTest, CtrlAAfterOpeningImg7LoadsImg8OrRefuses) {
    WriteHalfFits(obs / "img7.fit", 0);
    WriteHalfFits(fs::path(fixture.root) / "autosave" / "IMG8.FIT", 8);
    s.currentImage.fill(0);
    AnswerOpen(obs / "img7.fit");
    s.settings.autosaveNumber = 7;
    CmdOpen();
    CmdLoadNextAutosaved();
    EXPECT_EQ(fixture.ui.LastText(),
              "Sorry, you must first load an autosaved file to start the sequence, or there are no "
              "more files");
    s.settings.autosaveNumber = 8;
    CmdLoadNextAutosaved();
    EXPECT_EQ(s.sequenceNumber, 8);
    EXPECT_EQ(s.currentImage[0], static_cast<uint16_t>(test::PatternSample(0, 0) + 8));
}

TEST_F(FileCommandsTest, OpenOfATildeNameOffersTheTqFilterNextTime) {
    WriteBytes(obs / "~m42", Bytes(669500, 0));
    AnswerOpen(obs / "~m42");
    CmdOpen();
    EXPECT_EQ(s.fileDialogFilterIndex, 1);
    EXPECT_EQ(s.currentFileName, "~m42");
    CmdOpen();
    EXPECT_EQ(fixture.ui.openRequests.back().filterIndex, 1);
}

TEST_F(FileCommandsTest, OpenOfANameTypedInAnotherCaseShowsAndOffersTheNameOnDisk) {
    WriteBytes(obs / "Stars.tq", Bytes(669500, 0));
    AnswerOpen(obs / "STARS.TQ");
    CmdOpen();
    EXPECT_TRUE(fixture.ui.messages.empty());
    EXPECT_EQ(s.currentFileName, "Stars.tq");
    CmdOpen();
    EXPECT_EQ(fixture.ui.openRequests.back().offeredName, "Stars.tq");
}

TEST_F(FileCommandsTest, RefusedOpenKeepsTheTitleOfTheImageShown) {
    WriteBytes(obs / "stars.tq", Bytes(669500, 0));
    WriteBytes(obs / "notes.txt", Bytes{1, 2, 3});
    AnswerOpen(obs / "stars.tq");
    CmdOpen();
    AnswerOpen(obs / "notes.txt");
    CmdOpen();
    EXPECT_EQ(fixture.ui.LastText(), "You didn't choose a valid TQ or suitable FITs File");
    EXPECT_EQ(s.currentFileName, "stars.tq");
    EXPECT_EQ(fixture.ui.titles.back(), "Vexa_Q4_USB - stars.tq");
}

TEST_F(FileCommandsTest, OpenCancelledChangesNothing) {
    CmdOpen();
    EXPECT_EQ(s.currentFileName, "(Untitled)");
    EXPECT_EQ(s.fileDialogFilterIndex, 3);
    EXPECT_TRUE(s.fileDialogFolder.empty());
}

TEST_F(FileCommandsTest, OpenWhileMergingKeepsTheFirstImageInWorkImage) {
    WriteHalfFits(obs / "second.fit", 3);
    test::SetPatternImage(1, 9);
    const Plane first = s.currentImage;
    s.mergingMode = true;
    AnswerOpen(obs / "second.fit");
    CmdOpen();
    EXPECT_TRUE(s.mergeSecondPoint);
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 669500, s.workImage.begin()));
    EXPECT_EQ(s.currentImage[0], static_cast<uint16_t>(test::PatternSample(0, 0) + 3));
    EXPECT_EQ(fixture.ui.mergeRedraws, 1);
}

TEST_F(FileCommandsTest, SaveAlwaysWritesATqFileUnderTheTypedName) {
    test::SetPatternImage(1);
    s.fileDialogFilterIndex = 2;
    AnswerSave(obs / "m42.fit");
    CmdSave();
    const FileDialogRequest& r = fixture.ui.saveRequests.at(0);
    EXPECT_EQ(r.filter, "Corvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|");
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_EQ(r.defaultExtension, "");
    EXPECT_EQ(r.offeredName, "");
    EXPECT_TRUE(r.askBeforeOverwrite);
    EXPECT_EQ(ReadBytes(obs / "m42.fit").size(), 669500u);
    EXPECT_EQ(s.currentFileName, "m42.fit");
    EXPECT_EQ(s.fileDialogFilterIndex, 3);
    EXPECT_EQ(s.fileDialogFolder, obs.string());
    AnswerSave(obs / "~raw");
    CmdSave();
    EXPECT_EQ(s.fileDialogFilterIndex, 1);
    EXPECT_TRUE(fs::exists(obs / "~raw"));
}

TEST_F(FileCommandsTest, SaveAsTiffOffersTifAndReportsFailure) {
    test::SetPatternImage(0);
    AnswerSave(obs / "view.TIF");
    CmdSaveTiff();
    const FileDialogRequest& r = fixture.ui.saveRequests.at(0);
    EXPECT_EQ(r.filter, "Tiff file (*.TIF)|*.TIF|All Files(*.*)|*.*|");
    EXPECT_EQ(r.defaultExtension, "TIF");
    EXPECT_EQ(r.offeredName, "*.TIF");
    EXPECT_EQ(ReadBytes(obs / "view.TIF").size(), 1339266u);
    EXPECT_EQ(fixture.ui.cursors.front(), CursorKind::Wait);
    AnswerSave(obs / "missing-folder" / "x.TIF");
    CmdSaveTiff();
    EXPECT_EQ(fixture.ui.LastText(), std::string(kCreateFailed) + "\n\nNo such file or directory");
}

TEST_F(FileCommandsTest, SaveAsFitsRunsTheDetailsDialogThenTheSaveDialog) {
    test::SetPatternImage(1);
    s.eightBitFits = true;
    s.fitsDate = "1/1/70";                  // shorter than 8 characters: today's date is put in
    fixture.clock.SetCalendar(1354060800);  // 2012-11-28 00:00 UT
    test::ScopedZone zone("UTC0");
    std::string shownDate;
    fixture.ui.fitsDetailsDialog = [&](FitsDetailsDialogModel& m) {
        shownDate = m.Edit(fitsdlg::kDate);
        m.Edit(fitsdlg::kObject) = "M42";
        return true;
    };
    AnswerSave(obs / "m42.fit");
    CmdSaveFits();
    EXPECT_EQ(shownDate, "28/11/12");
    const FileDialogRequest& r = fixture.ui.saveRequests.at(0);
    EXPECT_EQ(r.filter, "FITS file (*.FIT)|*.FIT|All Files(*.*)|*.*|");
    EXPECT_EQ(r.defaultExtension, "FIT");
    EXPECT_EQ(r.offeredName, "*.FIT");
    const Bytes f = ReadBytes(obs / "m42.fit");
    EXPECT_EQ(f.size(), 677660u);  // eight-bit was switched off before the dialog
    EXPECT_EQ(CardOf(f, 6), Padded("OBJECT  = 'M42'"));
    EXPECT_EQ(s.fileDialogFilterIndex, 2);
    EXPECT_EQ(s.currentFileName, "m42.fit");
}

TEST_F(FileCommandsTest, SaveAsFitsKeepsALongerDateAndHonoursTheEightBitBox) {
    test::SetPatternImage(1);
    s.fitsDate = "28/11/12";
    fixture.ui.fitsDetailsDialog = [](FitsDetailsDialogModel& m) {
        m.ToggleEightBit();
        return true;
    };
    AnswerSave(obs / "e.fit");
    CmdSaveFits();
    const Bytes f = ReadBytes(obs / "e.fit");
    EXPECT_EQ(f.size(), 342110u);
    EXPECT_EQ(CardOf(f, 11), Padded("DATE-OBS= '28/11/12'"));
}

TEST_F(FileCommandsTest, SaveAsFitsAbortedOffersNoSaveDialog) {
    fixture.ui.fitsDetailsDialog = [](FitsDetailsDialogModel& m) {
        m.Edit(fitsdlg::kObject).push_back('x');
        return false;
    };
    CmdSaveFits();
    EXPECT_TRUE(fixture.ui.saveRequests.empty());
    EXPECT_EQ(s.settings.fitsObject, "");
}

TEST_F(FileCommandsTest, QuickSaveWritesTheNextAutosaveFileOrReports) {
    test::SetPatternImage(1);
    CmdQuickSave();
    EXPECT_TRUE(fs::exists(fs::path(fixture.root) / "autosave" / "IMG1.FIT"));
    EXPECT_TRUE(fixture.ui.messages.empty());
    fs::remove_all(fs::path(fixture.root) / "autosave");
    CmdQuickSave();
    EXPECT_EQ(fixture.ui.LastText(), std::string(kCreateFailed) + "\n\nNo such file or directory");
    EXPECT_EQ(s.settings.autosaveNumber, 2);
}

TEST_F(FileCommandsTest, DeleteAsksWithTheFullPathAndDeletesOnlyOnOk) {
    WriteBytes(obs / "a.fit", Bytes{1});
    AnswerOpen(obs / "a.fit");
    fixture.ui.confirmDialog = [](const ConfirmDialogRequest&) { return false; };
    CmdDeleteFile();
    ASSERT_EQ(fixture.ui.confirmRequests.size(), 1u);
    EXPECT_EQ(fixture.ui.confirmRequests[0].title, "DELETE FILE DIALOG");
    EXPECT_EQ(fixture.ui.confirmRequests[0].text, "Delete this file?");
    EXPECT_EQ(fixture.ui.confirmRequests[0].editText, (obs / "a.fit").string());
    EXPECT_EQ(fixture.ui.openRequests[0].filter,
              "Corvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|");
    EXPECT_EQ(fixture.ui.openRequests[0].title, "Delete File");
    EXPECT_TRUE(fs::exists(obs / "a.fit"));
    fixture.ui.confirmDialog = [](const ConfirmDialogRequest&) { return true; };
    CmdDeleteFile();
    EXPECT_FALSE(fs::exists(obs / "a.fit"));
    CmdDeleteFile();  // already gone: no message
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(FileCommandsTest, SelectingReferencesStoresTheFullPathOnly) {
    s.fileDialogFolder = "/elsewhere";
    AnswerOpen(obs / "~dark");
    CmdSelectDarkFrame();
    EXPECT_EQ(s.darkFrameFileName, (obs / "~dark").string());
    EXPECT_EQ(s.fileDialogFilterIndex, 1);
    AnswerOpen(obs / "flat.def");
    CmdSelectFlatField();
    EXPECT_EQ(s.flatFieldFileName, (obs / "flat.def").string());
    EXPECT_EQ(fixture.ui.openRequests[0].title, "Select Dark Frame");
    EXPECT_EQ(fixture.ui.openRequests[1].title, "Select Flatfield File");
    EXPECT_EQ(s.fileDialogFilterIndex, 3);
    EXPECT_EQ(s.fileDialogFolder, "/elsewhere");
    EXPECT_EQ(fixture.ui.openRequests.back().folder, "/elsewhere");
    EXPECT_TRUE(fixture.ui.openRequests.back().mustExist);
}

TEST_F(FileCommandsTest, ChooseDialogAnswersAndRemembersTheFolderOnRequest) {
    AnswerOpen(obs / "x.def");
    const auto chosen = RunChooseDialog("Pick one");
    EXPECT_EQ(fixture.ui.openRequests.back().title, "Pick one");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->bareName, "x.def");
    EXPECT_EQ(chosen->folder, obs.string());
    EXPECT_TRUE(s.fileDialogFolder.empty());
    RememberChosenFolder(*chosen);
    EXPECT_EQ(s.fileDialogFolder, obs.string());
    fixture.ui.openFileDialog = nullptr;
    EXPECT_FALSE(RunChooseDialog("Pick one").has_value());
}

TEST_F(FileCommandsTest, EditAutosaveTextSavesTheSettingsOnContinue) {
    ASSERT_EQ(SaveSettings(), 0);
    s.eightBitFits = true;
    fixture.ui.fitsDetailsDialog = [](FitsDetailsDialogModel& m) {
        EXPECT_FALSE(m.EightBitChecked());
        m.Edit(fitsdlg::kObserver) = "Bea";
        return true;
    };
    CmdEditAutosaveFitsText();
    EXPECT_TRUE(fixture.ui.messages.empty());
    s.settings.fitsObserver.clear();
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(s.settings.fitsObserver, "Bea");
}

TEST_F(FileCommandsTest, EditAutosaveTextReportsSettingsFailures) {
    // A folder where the settings file should be: it can be neither read nor replaced.
    fs::create_directory(fs::path(fixture.root) / "autosave" / "Vexa_Q4.ini");
    fixture.ui.fitsDetailsDialog = [](FitsDetailsDialogModel&) { return true; };
    CmdEditAutosaveFitsText();
    ASSERT_EQ(fixture.ui.messages.size(), 2u);
    EXPECT_EQ(fixture.ui.messages[0].text, "Unable to load INI file, please delete and try again");
    EXPECT_EQ(fixture.ui.messages[1].text,
              "Unable to save INI file, please check disk space\n\nIs a directory");
}

TEST_F(FileCommandsTest, ShowDetailsCopiesOnContinueOnly) {
    fixture.ui.fitsDetailsDialog = [](FitsDetailsDialogModel& m) {
        m.Edit(fitsdlg::kFilter) = "Blue";
        return true;
    };
    CmdShowFitsDetails();
    EXPECT_EQ(s.settings.fitsFilter, "Blue");
    EXPECT_TRUE(fixture.ui.saveRequests.empty());
    EXPECT_FALSE(fs::exists(fs::path(fixture.root) / "autosave" / "Vexa_Q4.ini"));
}

}  // namespace
}  // namespace vexa
