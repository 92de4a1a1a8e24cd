// The display refresh: display levels, the auto-contrast threshold, the background estimate,
// the bitmap file written and read back, and the messages when that fails.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/display_refresh.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

class DisplayRefreshTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    fs::path Root() const { return fs::path(fixture.root); }
    void FillLevel(int level) { s.currentImage.fill(static_cast<uint16_t>(level << 8)); }
    void SetLevel(int row, int column, int level) {
        s.currentImage[static_cast<size_t>(row) * s.geometry.width + column] =
            static_cast<uint16_t>(level << 8 | 0x7F);
    }
};

// ---- display levels ----

TEST_F(DisplayRefreshTest, FillDisplayBytesTakesTheHighByteAndStopsAtCount) {
    std::mt19937 random(7);
    std::vector<uint16_t> samples(1000);
    for (auto& v : samples) v = static_cast<uint16_t>(random());
    for (int count : {0, 1, 15, 16, 31, 33, 63, 999}) {
        std::vector<uint8_t> bytes(1000, 0xAB);
        FillDisplayBytes(samples.data(), bytes.data(), count);
        for (int k = 0; k < count; ++k) ASSERT_EQ(bytes[k], samples[k] >> 8) << count << " " << k;
        for (int k = count; k < 1000; ++k) ASSERT_EQ(bytes[k], 0xAB) << count << " " << k;
    }
    const uint16_t edges[] = {0, 255, 256, 65535, 32768, 511};
    uint8_t out[6];
    FillDisplayBytes(edges, out, 6);
    EXPECT_EQ(std::vector<int>(out, out + 6), (std::vector<int>{0, 0, 1, 255, 128, 1}));
}

// ---- auto-contrast threshold ----

TEST_F(DisplayRefreshTest, ThresholdIsTheModeOfTheBandLowestLevelWinningTies) {
    FillLevel(99);  // outside the band: never counted
    for (int k = 10240; k < 25600; ++k) s.currentImage[k] = (k % 2 ? 40 : 30) << 8 | 0xFF;
    ComputeAutoContrastThreshold();
    EXPECT_EQ(s.backgroundLevel, 30);
    EXPECT_EQ(s.displayHistogram[30], 7680);
    EXPECT_EQ(s.displayHistogram[40], 7680);
    EXPECT_EQ(s.displayHistogram[99], 0);

    s.currentImage[10240] = 40 << 8;  // one more 40 than 30
    ComputeAutoContrastThreshold();
    EXPECT_EQ(s.backgroundLevel, 40);
}

TEST_F(DisplayRefreshTest, ThresholdBandEdgesAreSamples10240And25599) {
    FillLevel(0);
    s.currentImage[10239] = 200 << 8;  // just outside
    s.currentImage[25600] = 200 << 8;
    ComputeAutoContrastThreshold();
    EXPECT_EQ(s.backgroundLevel, 0);
    EXPECT_EQ(s.displayHistogram[0], 15360);
    EXPECT_EQ(s.displayHistogram[200], 0);
}

// ---- background estimate ----

TEST_F(DisplayRefreshTest, EstimateCountsRows5ToHeightMinus12AndColumns10ToWidthMinus11) {
    FillLevel(20);
    const int w = s.geometry.width, h = s.geometry.height;
    // Inside: level 30 on the first and last rows of the region, 41 on its edge columns.
    for (int c = 10; c <= w - 11; ++c) SetLevel(5, c, 30), SetLevel(h - 12, c, 30);  // 2560
    for (int r = 6; r <= h - 13; ++r) SetLevel(r, 10, 41), SetLevel(r, w - 11, 41);  // 2024
    // Just outside: level 60, more of it than of 41; counting it would change the result.
    for (int c = 0; c < w; ++c) SetLevel(4, c, 60), SetLevel(h - 11, c, 60);
    for (int r = 0; r < h; ++r) SetLevel(r, 9, 60), SetLevel(r, w - 10, 60);
    EstimateBackgroundLevel();
    EXPECT_EQ(s.displayHistogramWide[30], 2560u);
    EXPECT_EQ(s.displayHistogramWide[41], 2024u);
    EXPECT_EQ(s.displayHistogramWide[60], 0u);
    EXPECT_EQ(s.backgroundLevel, (20 + 30 + 41) / 3);
}

TEST_F(DisplayRefreshTest, EstimateWithOneLevelUsesItThreeTimes) {
    FillLevel(77);
    EstimateBackgroundLevel();
    EXPECT_EQ(s.backgroundLevel, 77);
    // 1014 rows x 1280 columns: beyond the 16-bit counters, which saturate.
    EXPECT_EQ(s.displayHistogramWide[77], 1014u * 1280u);
    EXPECT_EQ(s.displayHistogram[77], 65535);
}

TEST_F(DisplayRefreshTest, EstimateWithTwoLevelsCountsTheMostFrequentTwice) {
    FillLevel(100);
    for (int c = 10; c < 400; ++c) SetLevel(500, c, 40);
    EstimateBackgroundLevel();
    EXPECT_EQ(s.backgroundLevel, (100 + 40 + 100) / 3);
}

TEST_F(DisplayRefreshTest, EstimateTiesGoToTheLowestLevel) {
    FillLevel(90);
    const int w = s.geometry.width;
    for (int r = 5; r <= s.geometry.height - 12; ++r)
        for (int c = 10; c < w / 2; ++c) SetLevel(r, c, 10);  // 640 of each per row
    EstimateBackgroundLevel();
    // 10 first, 90 second, no third level: 10 stands in.
    EXPECT_EQ(s.backgroundLevel, (10 + 90 + 10) / 3);
}

TEST_F(DisplayRefreshTest, EstimateInHalfGeometryUsesTheHalfRows) {
    s.geometryMode = 1;
    ApplyGeometry();
    FillLevel(50);
    for (int c = 0; c < 650; ++c) SetLevel(4, c, 200);  // row 4 is outside the region
    for (int c = 10; c < 310; ++c) SetLevel(503, c, 8), SetLevel(502, c, 9);  // last region rows
    EstimateBackgroundLevel();
    EXPECT_EQ(s.displayHistogramWide[200], 0u);
    EXPECT_EQ(s.displayHistogramWide[8], 300u);
    EXPECT_EQ(s.backgroundLevel, (50 + 8 + 9) / 3);
}

// ---- refresh ----

TEST_F(DisplayRefreshTest, RefreshWritesAndShowsTheFullBitmap) {
    FillStartupRamp();
    RefreshDisplay();
    EXPECT_TRUE(fixture.ui.messages.empty());
    const fs::path file = Root() / "VEXAQ4.bmp";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 1340078u);
    ASSERT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    EXPECT_EQ(fs::path(fixture.ui.loadedBitmaps[0]), file);
    ASSERT_EQ(fixture.ui.titles.size(), 1u);
    EXPECT_EQ(fixture.ui.titles[0], "Vexa_Q4_USB - (Untitled)");
    EXPECT_EQ(fixture.ui.scrollBarUpdates, 1);
    EXPECT_TRUE(s.displayBitmapExists);
    EXPECT_EQ(s.displayWidth, 1300);
    EXPECT_EQ(s.displayHeight, 1030);
    EXPECT_EQ(s.displayBytes[1029 * 1300 + 5], (1029 * 63) >> 8);  // 253
    EXPECT_EQ(s.displayBytes[kFullSampleCount - 1], 253);
}

TEST_F(DisplayRefreshTest, RefreshInHalfGeometryFillsHalfPassSamplesOnly) {
    s.geometryMode = 1;
    ApplyGeometry();
    s.displayBytes.fill(0xEE);
    FillLevel(3);
    RefreshDisplay();
    EXPECT_EQ(s.displayBytes[669499], 3);
    EXPECT_EQ(s.displayBytes[669500], 0xEE);
    EXPECT_EQ(fs::file_size(Root() / "VEXAQ4.bmp"), 336858u);
    EXPECT_EQ(s.displayWidth, 652);
    EXPECT_EQ(s.displayHeight, 515);
}

TEST_F(DisplayRefreshTest, SmallFrameRefreshFillsOneFrameAndWritesTheFrameFile) {
    s.smallFrameDisplay = true;
    s.displayBytes.fill(0xEE);
    FillLevel(9);
    RefreshDisplay();
    EXPECT_EQ(s.displayBytes[16383], 9);
    EXPECT_EQ(s.displayBytes[16384], 0xEE);
    EXPECT_EQ(fs::file_size(Root() / "VEXAQ4f.bmp"), 17462u);
    EXPECT_FALSE(fs::exists(Root() / "VEXAQ4.bmp"));
    EXPECT_EQ(s.displayWidth, 128);
    EXPECT_EQ(s.displayHeight, 128);
    ASSERT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    EXPECT_EQ(fs::path(fixture.ui.loadedBitmaps[0]), Root() / "VEXAQ4f.bmp");
}

TEST_F(DisplayRefreshTest, GuiderFrameDisplayAlsoUsesTheFrameFile) {
    s.guideFrameDisplay = true;
    RefreshDisplay();
    EXPECT_TRUE(fs::exists(Root() / "VEXAQ4f.bmp"));
    EXPECT_EQ(s.displayWidth, 128);
}

TEST_F(DisplayRefreshTest, AutoContrastRefreshSetsTheThresholdAndItsTable) {
    FillLevel(10);
    s.autoContrast = true;
    RefreshDisplay();
    EXPECT_EQ(s.backgroundLevel, 10);
    std::ifstream in(Root() / "VEXAQ4.bmp", std::ios::binary);
    std::vector<char> header(1078);
    in.read(header.data(), 1078);
    // Colour-table entry 11 is grey 48, entry 10 black.
    EXPECT_EQ(static_cast<uint8_t>(header[54 + 4 * 11]), 48);
    EXPECT_EQ(static_cast<uint8_t>(header[54 + 4 * 10]), 0);
}

TEST_F(DisplayRefreshTest, RefreshDoesNotTouchTheThresholdWithoutAutoContrast) {
    FillLevel(10);
    s.backgroundLevel = 123;
    RefreshDisplay();
    EXPECT_EQ(s.backgroundLevel, 123);
}

// ---- failures ----

class DisplayRefreshFailureTest : public DisplayRefreshTest {
  protected:
    void Previous() {
        s.displayBitmapExists = true;
        s.displayWidth = 652;
        s.displayHeight = 515;
    }
    void ExpectCarriedOnWithPreviousView() {
        EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
        EXPECT_EQ(fixture.ui.titles.size(), 1u);
        EXPECT_EQ(fixture.ui.scrollBarUpdates, 1);
        EXPECT_EQ(s.displayWidth, 652);
        EXPECT_EQ(s.displayHeight, 515);
        EXPECT_EQ(s.displayBytes[0], 4);
    }
};

TEST_F(DisplayRefreshFailureTest, MissingDriveGivesTheHeaderMessage) {
    Previous();
    FillLevel(4);
    SetDriveRoot(Root() / "no_such_drive");
    RefreshDisplay();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, "VEXA_Q4_USB");
    EXPECT_EQ(fixture.ui.messages[0].text, "Unable to create temp bitmap file header");
    ExpectCarriedOnWithPreviousView();
}

TEST_F(DisplayRefreshFailureTest, AFolderInTheWayGivesTheCreateMessageAndIsKept) {
    Previous();
    FillLevel(4);
    fs::create_directories(Root() / "vexaq4.BMP" / "keep");
    RefreshDisplay();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.LastText(), "Failed to create temp bitmap");
    EXPECT_TRUE(fs::is_directory(Root() / "vexaq4.BMP" / "keep"));
    ExpectCarriedOnWithPreviousView();
}

// Lets a test make writes fall short, as on a full disk, by lowering the file-size limit.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(DisplayRefreshFailureTest, ShortPixelWriteGivesThePixelMessage) {
    Previous();
    FillLevel(4);
    {
        FileSizeLimit limit(200000);
        RefreshDisplay();
    }
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.LastText(), "Unable to create temp bitmap file");
    EXPECT_FALSE(fs::exists(Root() / "VEXAQ4.bmp"));  // no torn file for other readers
    ExpectCarriedOnWithPreviousView();
}

TEST_F(DisplayRefreshFailureTest, ShortHeaderWriteGivesTheHeaderMessage) {
    Previous();
    FillLevel(4);
    {
        FileSizeLimit limit(500);
        RefreshDisplay();
    }
    EXPECT_EQ(fixture.ui.LastText(), "Unable to create temp bitmap file header");
    ExpectCarriedOnWithPreviousView();
}

TEST_F(DisplayRefreshFailureTest, RefusedReadBackKeepsThePreviousView) {
    Previous();
    FillLevel(4);
    fixture.ui.bitmapLoadSucceeds = false;
    RefreshDisplay();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.LastText(), "Cannot open bitmap file");
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    EXPECT_EQ(fixture.ui.scrollBarUpdates, 1);
    EXPECT_EQ(s.displayWidth, 652);
    EXPECT_EQ(s.displayHeight, 515);
}

TEST_F(DisplayRefreshFailureTest, RefusedFirstReadBackLeavesNoBitmap) {
    fixture.ui.bitmapLoadSucceeds = false;
    RefreshDisplay();
    EXPECT_FALSE(s.displayBitmapExists);
    EXPECT_EQ(s.displayWidth, 0);
}

}  // namespace
}  // namespace vexa
