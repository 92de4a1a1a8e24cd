#include "files/tq_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "processing/undo_history.h"
#include "session/host_paths.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;
using test::WriteBytes;

constexpr const char* kNotValid = "You didn't choose a valid TQ or suitable FITs File";
constexpr const char* kFitsForeign = "Unable to load FITS file, File was not saved by this program";

class TqFileTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();

    fs::path PathOf(const std::string& name) const { return fs::path(fixture.root) / name; }

    // A TQ file built independently: each sample least significant byte first.
    Bytes TqBytes(int width, int height, int salt = 0) const {
        Bytes b;
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                const uint16_t v = static_cast<uint16_t>(test::PatternSample(r, c) + salt);
                b.push_back(static_cast<uint8_t>(v & 0xFF));
                b.push_back(static_cast<uint8_t>(v >> 8));
            }
        }
        return b;
    }

    void SetDetailsAndHistory() {
        s.settings.fitsObject = "M42";
        s.settings.fitsHistory = "old";
        s.fitsDate = "1/1/70";
        s.exposureSeconds = 9.0;
        AppendHistory("Normal Stretch");
    }
};

TEST_F(TqFileTest, ImageFileKindIsDecidedBySizeAlone) {
    EXPECT_EQ(ImageFileKindOfSize(669500), ImageFileKind::TqHalf);
    EXPECT_EQ(ImageFileKindOfSize(2678000), ImageFileKind::TqFull);
    EXPECT_EQ(ImageFileKindOfSize(677660), ImageFileKind::FitsHalf);
    EXPECT_EQ(ImageFileKindOfSize(2686160), ImageFileKind::FitsFull);
    for (int64_t other : {-1, 0, 669499, 669501, 1346360, 342110, 2686161}) {
        EXPECT_EQ(ImageFileKindOfSize(other), ImageFileKind::None) << other;
    }
}

TEST_F(TqFileTest, HalfFileLoadsAsHalfGeometryWhateverItsName) {
    WriteBytes(PathOf("picture.FIT"), TqBytes(650, 515));
    SetDetailsAndHistory();
    s.currentImage.fill(1);
    ASSERT_TRUE(LoadImageFile(PathOf("picture.FIT").string()));
    EXPECT_EQ(s.geometryMode, 1);
    EXPECT_EQ(s.geometry.width, 650);
    EXPECT_EQ(s.geometry.sampleCount, 669500);
    EXPECT_EQ(s.currentImage[0], test::PatternSample(0, 0));
    EXPECT_EQ(s.currentImage[650 * 514 + 649], test::PatternSample(514, 649));
    EXPECT_EQ(s.currentImage[334750], 1);  // beyond the image the plane keeps its samples
    // FITS details reset for TQ files too, and the history emptied.
    EXPECT_EQ(s.settings.fitsObject, "");
    EXPECT_EQ(s.settings.fitsHistory, "");
    EXPECT_EQ(s.fitsDate, "");
    EXPECT_EQ(s.exposureSeconds, 0.0);
    EXPECT_EQ(s.settings.fitsInstrument, "Corvane CCD");
    EXPECT_EQ(s.historyLines[0][0], '\0');
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(TqFileTest, FullFileLoadsShowsTheWaitCursorAndRefreshes) {
    s.geometryMode = 1;
    ApplyGeometry();
    WriteBytes(PathOf("full"), TqBytes(1300, 1030));
    ASSERT_TRUE(LoadImageFile(PathOf("full").string()));
    EXPECT_EQ(s.geometryMode, 0);
    EXPECT_EQ(s.geometry.width, 1300);
    EXPECT_EQ(s.currentImage[1300 * 1029 + 1299], test::PatternSample(1029, 1299));
    EXPECT_EQ(s.currentFileName, PathOf("full").string());
    ASSERT_GE(fixture.ui.cursors.size(), 2u);
    EXPECT_EQ(fixture.ui.cursors.front(), CursorKind::Wait);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Arrow);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);  // the display was refreshed
    // In photometry the cross comes back.
    s.photometryMode = true;
    ASSERT_TRUE(LoadImageFile(PathOf("full").string()));
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Cross);
}

TEST_F(TqFileTest, WrongSizeOrMissingFileChangesNothingNotEvenTheTitle) {
    SetDetailsAndHistory();
    test::SetPatternImage(1, 5);
    const Plane before = s.currentImage;
    for (const Bytes& contents : {Bytes(669499, 0), Bytes(669501, 0), Bytes()}) {
        WriteBytes(PathOf("bad"), contents);
        fixture.ui.loadedBitmaps.clear();
        EXPECT_FALSE(LoadImageFile(PathOf("bad").string()));
        EXPECT_EQ(fixture.ui.LastText(), kNotValid);
        EXPECT_EQ(s.currentFileName, "(Untitled)");
        EXPECT_EQ(s.currentImage, before);
        EXPECT_EQ(s.geometryMode, 1);
        EXPECT_EQ(s.settings.fitsObject, "M42");
        EXPECT_STREQ(s.historyLines[0].data(), "Normal Stretch");
        EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
    }
    EXPECT_FALSE(LoadImageFile(PathOf("nothing-here").string()));
    EXPECT_EQ(fixture.ui.LastText(), kNotValid);
    EXPECT_FALSE(LoadImageFile(fixture.root));  // a folder
    EXPECT_EQ(fixture.ui.LastText(), kNotValid);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Arrow);
}

TEST_F(TqFileTest, PipeOfAValidNameDoesNotHang) {
    const fs::path fifo = PathOf("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadImageFile(fifo.string()));
    EXPECT_EQ(fixture.ui.LastText(), kNotValid);
}

TEST_F(TqFileTest, FitsSizeWithForeignHeaderKeepsImageGeometryAndDetails) {
    SetDetailsAndHistory();
    test::SetPatternImage(0, 9);
    const Plane before = s.currentImage;
    Bytes fake(677660, ' ');  // a FITS size, but not this program's header
    WriteBytes(PathOf("x.tq"), fake);
    EXPECT_FALSE(LoadImageFile(PathOf("x.tq").string()));
    EXPECT_EQ(fixture.ui.LastText(), kFitsForeign);
    EXPECT_EQ(s.geometryMode, 0);
    EXPECT_EQ(s.geometry.width, 1300);
    EXPECT_EQ(s.currentImage, before);
    EXPECT_EQ(s.settings.fitsObject, "M42");
    EXPECT_DOUBLE_EQ(s.exposureSeconds, 9.0);
    EXPECT_STREQ(s.historyLines[0].data(), "Normal Stretch");
    EXPECT_EQ(s.currentFileName, "(Untitled)");
}

TEST_F(TqFileTest, FitsFileLoadsAndSetsGeometryDetailsAndHistory) {
    test::SetPatternImage(1);
    s.settings.fitsObject = "NGC 7000";
    AppendHistory("Gradient Filter");
    ASSERT_TRUE(WriteFitsFile(PathOf("IMG12.FIT").string(), s.currentImage, false));
    ResetFitsDetails();
    s.geometryMode = 0;
    ApplyGeometry();
    s.currentImage.fill(0);
    s.fileDialogFolder = fixture.root;
    ASSERT_TRUE(LoadImageFile("IMG12.FIT"));
    EXPECT_EQ(s.geometryMode, 1);
    EXPECT_EQ(s.currentImage[650 * 300 + 17], test::PatternSample(300, 17));
    EXPECT_EQ(s.settings.fitsObject, "NGC 7000");
    EXPECT_STREQ(s.historyLines[0].data(), "Gradient Filter");
    EXPECT_EQ(s.sequenceNumber, 12);
}

TEST_F(TqFileTest, SequenceNumberComesFromFitsNamesBeginningImg) {
    uint16_t n = 99;
    EXPECT_TRUE(SequenceNumberFromName("img7.fit", n));
    EXPECT_EQ(n, 7);
    EXPECT_TRUE(SequenceNumberFromName("IMG65530.FIT", n));
    EXPECT_EQ(n, 65530);
    EXPECT_TRUE(SequenceNumberFromName("ImG12", n));
    EXPECT_EQ(n, 12);
    EXPECT_TRUE(SequenceNumberFromName("IMGx3.FIT", n));
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(SequenceNumberFromName("IMG4a5.FIT", n));
    EXPECT_EQ(n, 4);
    EXPECT_TRUE(SequenceNumberFromName("IMG999999.FIT", n));
    EXPECT_EQ(n, 65535);
    n = 99;
    EXPECT_FALSE(SequenceNumberFromName("c:\\AUTOSAVE\\IMG8.FIT", n));
    EXPECT_FALSE(SequenceNumberFromName("IM", n));
    EXPECT_EQ(n, 99);
}

TEST_F(TqFileTest, TqFileNamedImgDoesNotSetTheSequenceNumber) {
    s.fileDialogFolder = fixture.root;
    WriteBytes(PathOf("IMG3"), TqBytes(650, 515));
    s.sequenceNumber = 5;
    ASSERT_TRUE(LoadImageFile("IMG3"));
    EXPECT_EQ(s.sequenceNumber, 5);
}

TEST_F(TqFileTest, SaveThenLoadGivesIdenticalSamplesAndGeometry) {
    for (int mode : {0, 1}) {
        test::SetPatternImage(mode, 11);
        const Plane saved = s.currentImage;
        ASSERT_TRUE(SaveTqFile(PathOf("round").string()));
        const Bytes file = ReadBytes(PathOf("round"));
        const int w = mode ? 650 : 1300, h = mode ? 515 : 1030;
        EXPECT_EQ(file, TqBytes(w, h, 11));
        s.geometryMode = mode ? 0 : 1;
        ApplyGeometry();
        s.currentImage.fill(0);
        ASSERT_TRUE(LoadImageFile(PathOf("round").string()));
        EXPECT_EQ(s.geometryMode, mode);
        EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + w * h, s.currentImage.begin()));
    }
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(TqFileTest, SaveFailureReportsAndKeepsTheOlderFile) {
    test::SetPatternImage(1);
    WriteBytes(PathOf("keep"), Bytes(3, 3));
    bool ok = true;
    {
        test::FileSizeLimit limit(50000);
        ok = SaveTqFile(PathOf("keep").string());
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(fixture.ui.LastText(), "Unable to create/overwrite TQ File\n\nFile too large");
    EXPECT_EQ(ReadBytes(PathOf("keep")), Bytes(3, 3));
    EXPECT_EQ(test::NamesIn(fixture.root), std::vector<std::string>{"keep"});
    // A folder that is a regular file.
    EXPECT_FALSE(SaveTqFile(PathOf("keep/inner").string()));
    EXPECT_EQ(fixture.ui.LastText(), "Unable to create/overwrite TQ File\n\nNot a directory");
    EXPECT_FALSE(SaveTqFile(""));
    EXPECT_EQ(fixture.ui.LastText(), "Failed to Save TQ File");
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Arrow);
}

TEST_F(TqFileTest, ReferenceLoadsIntoWorkImageWithoutGeometryCheck) {
    s.geometryMode = 0;
    ApplyGeometry();
    WriteBytes(PathOf("dark.def"), TqBytes(650, 515, 2));
    s.workImage.fill(4);
    ASSERT_TRUE(LoadTqReference(PathOf("dark.def").string()));
    EXPECT_EQ(s.geometryMode, 0);
    EXPECT_EQ(s.workImage[0], static_cast<uint16_t>(test::PatternSample(0, 0) + 2));
    EXPECT_EQ(s.workImage[334749], static_cast<uint16_t>(test::PatternSample(514, 649) + 2));
    EXPECT_EQ(s.workImage[334750], 4);
    s.geometryMode = 1;
    ApplyGeometry();
    WriteBytes(PathOf("flat.def"), TqBytes(1300, 1030));
    ASSERT_TRUE(LoadTqReference(PathOf("flat.def").string()));
    EXPECT_EQ(s.geometryMode, 1);
    EXPECT_EQ(s.workImage[1338999], test::PatternSample(1029, 1299));
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(TqFileTest, ReferenceOfWrongSizeOrMissingKeepsWorkImage) {
    s.workImage.fill(4);
    WriteBytes(PathOf("fits"), Bytes(677660, 0));
    EXPECT_FALSE(LoadTqReference(PathOf("fits").string()));
    EXPECT_EQ(fixture.ui.LastText(), "Sorry, you didn't choose a TQ File");
    EXPECT_FALSE(LoadTqReference(PathOf("none").string()));
    EXPECT_EQ(fixture.ui.LastText(), "Sorry, you didn't choose a TQ File");
    EXPECT_TRUE(
        std::all_of(s.workImage.begin(), s.workImage.end(), [](uint16_t v) { return v == 4; }));
}

TEST_F(TqFileTest, BareNamesAreFoundInTheDialogFolderWithoutRegardToCase) {
    const fs::path folder = PathOf("obs");
    fs::create_directory(folder);
    WriteBytes(folder / "img7.fit", TqBytes(650, 515));
    s.fileDialogFolder = folder.string();
    EXPECT_TRUE(LoadImageFile("IMG7.FIT"));
    EXPECT_EQ(s.currentFileName, "img7.fit");  // the title names the file as it is on disk
    // Drive-c names go under the drive root, also without regard to case.
    fs::create_directory(PathOf("AutoSave"));
    WriteBytes(PathOf("AutoSave") / "Img2.Fit", TqBytes(650, 515));
    EXPECT_TRUE(LoadImageFile("c:\\AUTOSAVE\\IMG2.FIT"));
    EXPECT_EQ(s.currentFileName, "c:\\AUTOSAVE\\IMG2.FIT");  // the program's own name
    // Writers keep the exact name in the dialog folder.
    test::SetPatternImage(1);
    ASSERT_TRUE(SaveTqFile("New~1"));
    EXPECT_TRUE(fs::exists(folder / "New~1"));
}

}  // namespace
}  // namespace vexa
