// The transfer-table builders against hand-computed entries, and the pass that runs the image
// through the table: doubling, the label rows, the 25 steps, the undo copy and the progress.
#include "processing/stretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "processing/undo_history.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class StretchTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    const auto& Table() const { return s.stretchTable; }
    std::string History(int i) const { return s.historyLines[i].data(); }
    // A table whose every entry is a marker value, to see that a builder left it alone.
    void FillMarker() { s.stretchTable.fill(12345); }
    bool TableIsMarker() const {
        return std::all_of(Table().begin(), Table().end(), [](uint16_t v) { return v == 12345; });
    }
};

// ---- Normal Stretch ----

TEST_F(StretchTest, NormalStretchWhite200Black100) {
    ASSERT_TRUE(BuildNormalStretchTable(200, 100));
    EXPECT_EQ(Table()[0], 0);
    EXPECT_EQ(Table()[12799], 0);
    EXPECT_EQ(Table()[12800], 0);
    EXPECT_EQ(Table()[12801], 2);      // 255 / 100 = 2.55
    EXPECT_EQ(Table()[12850], 127);    // 127.5
    EXPECT_EQ(Table()[12900], 255);    // exactly one level
    EXPECT_EQ(Table()[25599], 32637);  // 12799 x 2.55 = 32637.45
    EXPECT_EQ(Table()[25600], 32767);
    EXPECT_EQ(Table()[32767], 32767);
}

TEST_F(StretchTest, NormalStretchFullRangeAndDarkening) {
    ASSERT_TRUE(BuildNormalStretchTable(255, 0));
    for (int n : {0, 1, 1000, 32767}) EXPECT_EQ(Table()[n], n);
    ASSERT_TRUE(BuildNormalStretchTable(300, 0));
    EXPECT_EQ(Table()[32767], 27851);  // 32767 x 255 / 300: nothing saturates
    EXPECT_EQ(*std::max_element(Table().begin(), Table().end()), 27851);
}

TEST_F(StretchTest, NormalStretchIsExactAtWholeMultiples) {
    // With 7 levels between black and white every 7th entry is an exact multiple of 255; a
    // slope rounded before the multiplication would lose one there.
    ASSERT_TRUE(BuildNormalStretchTable(107, 100));
    for (int k = 0; k <= 127; ++k) EXPECT_EQ(Table()[12800 + 7 * k], 255 * k) << k;
    EXPECT_EQ(Table()[12800 + 6], 218);  // 6 x 255 / 7 = 218.57
}

TEST_F(StretchTest, NormalStretchRefusesWhiteNotAboveBlackAndLevelsOutOfRange) {
    FillMarker();
    EXPECT_FALSE(BuildNormalStretchTable(100, 100));
    EXPECT_FALSE(BuildNormalStretchTable(50, 100));
    EXPECT_FALSE(BuildNormalStretchTable(301, 0));
    EXPECT_FALSE(BuildNormalStretchTable(200, -1));
    EXPECT_TRUE(TableIsMarker());
}

TEST_F(StretchTest, NormalStretchHistoryShowsTwiceTheLevels) {
    EXPECT_EQ(NormalStretchHistory(200, 10), "Normal Stretch : max 400 , min : 20");
    EXPECT_EQ(NormalStretchHistory(300, 0), "Normal Stretch : max 600 , min : 0");
}

// ---- Power Law ----

TEST_F(StretchTest, PowerLawEntries) {
    ASSERT_TRUE(BuildPowerLawTable(2.0));
    EXPECT_EQ(Table()[0], 0);
    EXPECT_EQ(Table()[16384], 8192);
    EXPECT_EQ(Table()[32767], 32766);  // 32767^2 / 32768 = 32766.00003
    ASSERT_TRUE(BuildPowerLawTable(0.5));
    EXPECT_EQ(Table()[0], 0);
    EXPECT_EQ(Table()[1], 181);
    EXPECT_EQ(Table()[16384], 23170);
    EXPECT_EQ(Table()[32767], 32767);
    ASSERT_TRUE(BuildPowerLawTable(3.0));
    EXPECT_EQ(Table()[32767], 32765);
}

TEST_F(StretchTest, PowerLawClampsAndRefusesExactlyOne) {
    ASSERT_TRUE(BuildPowerLawTable(-1.0));  // 32768^2 / n: far above the table's top
    EXPECT_EQ(Table()[0], 0);
    EXPECT_EQ(Table()[1], 32767);
    FillMarker();
    EXPECT_FALSE(BuildPowerLawTable(1.0));
    EXPECT_TRUE(TableIsMarker());
    EXPECT_EQ(PowerLawHistory(2.0000000000000009), "Power Stretch :  2.0");
    EXPECT_EQ(PowerLawHistory(0.10000000000000014), "Power Stretch :  0.1");
}

// ---- the curves without parameters ----

TEST_F(StretchTest, SineEntries) {
    BuildSineTable();
    EXPECT_EQ(Table()[0], 0);
    EXPECT_EQ(Table()[8192], 4799);
    EXPECT_EQ(Table()[16384], 16383);
    EXPECT_EQ(Table()[21600], 24237);  // sin(0.5)
    EXPECT_EQ(Table()[32767], 32765);
}

TEST_F(StretchTest, LogEntries) {
    BuildLogTable();
    EXPECT_EQ(Table()[0], 0);
    EXPECT_EQ(Table()[1], 2184);
    EXPECT_EQ(Table()[9], 7255);
    EXPECT_EQ(Table()[99], 14510);
    EXPECT_EQ(Table()[32767], 32761);
}

TEST_F(StretchTest, AntilogEntriesAndTheLastSixLimited) {
    BuildAntilogTable();
    EXPECT_EQ(Table()[0], 0);
    EXPECT_EQ(Table()[1], 0);
    EXPECT_EQ(Table()[10000], 22);
    EXPECT_EQ(Table()[20000], 569);
    EXPECT_EQ(Table()[32761], 32760);
    for (int n = 32762; n < 32768; ++n) EXPECT_EQ(Table()[n], 32767) << n;
}

TEST_F(StretchTest, InvertEntries) {
    BuildInvertTable();
    EXPECT_EQ(Table()[0], 32767);
    EXPECT_EQ(Table()[100], 32667);
    EXPECT_EQ(Table()[32767], 0);
}

// ---- Non-Linear ----

TEST_F(StretchTest, NonLinearEntriesAndItsHistoryLine) {
    BuildNonLinearTable(2.0);
    EXPECT_EQ(Table()[0], 0);
    EXPECT_EQ(Table()[16384], 21845);  // 32768 / 1.5
    EXPECT_EQ(Table()[32767], 32767);
    EXPECT_EQ(History(0), "Non-Linear Stretch : power 2");
    BuildNonLinearTable(25.0);
    EXPECT_EQ(Table()[16384], 31507);  // 409600 / 13
    BuildNonLinearTable(18.7);
    EXPECT_EQ(History(2), "Non-Linear Stretch : power 18");
    EXPECT_EQ(s.progressTitlePending, false);
    EXPECT_EQ(fixture.ui.progressOpened, 0);  // the builder never applies the table
}

TEST_F(StretchTest, NonLinearOutsideItsDomainStaysInTheTable) {
    BuildNonLinearTable(-1.0);  // the denominator passes through zero at d = 0.5
    for (uint16_t v : Table()) EXPECT_LE(v, 32767);
}

// ---- Remove Background ----

TEST_F(StretchTest, RemoveBackgroundLevel10) {
    s.backgroundLevel = 10;
    ASSERT_TRUE(BuildRemoveBackgroundTable(false));
    EXPECT_EQ(Table()[1023], 0);
    EXPECT_EQ(Table()[1024], 0);
    EXPECT_EQ(Table()[1025], 1);    // 255 / 247
    EXPECT_EQ(Table()[1271], 255);  // 247 entries on: exactly one level
    EXPECT_EQ(Table()[32762], 32765);
    EXPECT_EQ(Table()[32767], 32767);  // 32771.1 limited
    EXPECT_EQ(History(0), "Background Removed : min 16");
    EXPECT_EQ(fixture.ui.progressOpened, 0);  // not applied
}

TEST_F(StretchTest, RemoveBackgroundLevel3BlanksBelow128) {
    s.backgroundLevel = 3;
    ASSERT_TRUE(BuildRemoveBackgroundTable(false));
    EXPECT_EQ(Table()[127], 0);
    EXPECT_EQ(Table()[128], 0);
    EXPECT_EQ(Table()[129], 1);  // 255 / 254
    EXPECT_EQ(History(0), "Background Removed : min 2");
}

TEST_F(StretchTest, RemoveBackgroundAtLevel2OrBelowDoesNothing) {
    for (int32_t level : {2, 0, -5, 300}) {
        s.backgroundLevel = level;
        s.currentImage[20000] = 777;
        s.undoImage[20000] = 0;
        FillMarker();
        EXPECT_FALSE(BuildRemoveBackgroundTable(true)) << level;
        EXPECT_TRUE(TableIsMarker());
        EXPECT_EQ(s.currentImage[20000], 777);
        EXPECT_EQ(s.undoImage[20000], 0);
        EXPECT_EQ(s.historyLines[0][0], '\0');
        EXPECT_EQ(fixture.ui.progressOpened, 0);
        EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
    }
}

// ---- the pass ----

class StretchPassTest : public StretchTest {
  protected:
    void SetUp() override {
        for (size_t k = 0; k < s.currentImage.size(); ++k) {
            s.currentImage[k] = static_cast<uint16_t>(k * 7919u);
        }
        original = s.currentImage;
        BuildInvertTable();
    }
    static uint16_t Inverted(uint16_t v) { return static_cast<uint16_t>(2 * (32767 - (v >> 1))); }
    Plane original{};
};

TEST_F(StretchPassTest, EverySampleGoesThroughTheTableDoubled) {
    ApplyStretchTable(false);
    for (int k = 0; k < kFullSampleCount; ++k) {
        ASSERT_EQ(s.currentImage[k], Inverted(original[k])) << k;
        ASSERT_EQ(s.currentImage[k] % 2, 0);
    }
    // The spare samples past the Full image stay.
    for (int k = kFullSampleCount; k < kPlaneSamples; ++k)
        EXPECT_EQ(s.currentImage[k], original[k]);
    EXPECT_EQ(s.undoImage[12345], original[12345]);
    EXPECT_EQ(s.undoImage[kFullSampleCount - 1], original[kFullSampleCount - 1]);
}

TEST_F(StretchPassTest, ExtremeSamples) {
    s.currentImage[0] = 0;
    s.currentImage[1] = 65535;
    s.currentImage[2] = 1;
    ApplyStretchTable(false);
    EXPECT_EQ(s.currentImage[0], 65534);
    EXPECT_EQ(s.currentImage[1], 0);
    EXPECT_EQ(s.currentImage[2], 65534);
}

TEST_F(StretchPassTest, LabelledImageKeepsItsFirstTenRows) {
    s.currentImage[4] = 17;
    s.currentImage[5] = 17;
    original = s.currentImage;
    ApplyStretchTable(false);
    for (int k = 0; k < 13000; ++k) ASSERT_EQ(s.currentImage[k], original[k]) << k;
    EXPECT_EQ(s.currentImage[13000], Inverted(original[13000]));
    EXPECT_EQ(s.currentImage[kFullSampleCount - 1], Inverted(original[kFullSampleCount - 1]));
    // The undo copy still holds the whole image, label rows included.
    EXPECT_TRUE(
        std::equal(original.begin(), original.begin() + kFullSampleCount, s.undoImage.begin()));
}

TEST_F(StretchPassTest, StepsShorterThanTheImageStillTakeTheWholeUndoCopy) {
    s.geometry.stretchTailCount = 50000;  // 13,000 + 25 x 50,000 = 1,263,000 samples
    ApplyStretchTable(false);
    EXPECT_EQ(s.currentImage[1262999], Inverted(original[1262999]));
    EXPECT_EQ(s.currentImage[1263000], original[1263000]);
    EXPECT_TRUE(
        std::equal(original.begin(), original.begin() + kFullSampleCount, s.undoImage.begin()));
}

TEST_F(StretchPassTest, HalfGeometryCovers669500Samples) {
    s.geometryMode = 1;
    ApplyGeometry();
    ApplyStretchTable(false);
    EXPECT_EQ(s.currentImage[0], Inverted(original[0]));
    EXPECT_EQ(s.currentImage[334750], Inverted(original[334750]));  // past the Half image
    EXPECT_EQ(s.currentImage[669499], Inverted(original[669499]));
    EXPECT_EQ(s.currentImage[669500], original[669500]);
    EXPECT_EQ(s.undoImage[669499], original[669499]);
    EXPECT_EQ(s.undoImage[669500], 0);  // the undo copy covers the pass only
}

TEST_F(StretchPassTest, ProgressWindowPositionsAndCursor) {
    ApplyStretchTable(false);
    const test::FakeUi& ui = fixture.ui;
    EXPECT_EQ(ui.progressOpened, 1);
    EXPECT_EQ(ui.progressClosed, 1);
    EXPECT_FALSE(ui.progressOpen);
    std::vector<int> expected;
    for (int k = 0; k < 25; ++k) expected.push_back(10 * k);
    EXPECT_EQ(ui.progressPositions, expected);
    EXPECT_TRUE(ui.progressTitles.empty());  // only a capture asks for the title
    EXPECT_EQ(s.pendingProgressTitle, "CONTRAST STRETCH");
    EXPECT_EQ(ui.cursors, (std::vector<CursorKind>{CursorKind::Wait, CursorKind::Arrow}));
    EXPECT_TRUE(ui.loadedBitmaps.empty());  // no refresh asked
}

TEST_F(StretchPassTest, PendingTitleIsAppliedOnceBeforeTheFirstStep) {
    s.pendingProgressTitle = "EXPOSURE UNDERWAY";
    s.progressTitlePending = true;
    ApplyStretchTable(false);
    EXPECT_EQ(fixture.ui.progressTitles, (std::vector<std::string>{"CONTRAST STRETCH"}));
    EXPECT_FALSE(s.progressTitlePending);
}

TEST_F(StretchPassTest, RefreshAndThePhotometryCursor) {
    s.photometryMode = true;
    ApplyStretchTable(true);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Cross);
    EXPECT_EQ(s.displayBytes[0], Inverted(original[0]) >> 8);
}

TEST_F(StretchPassTest, UndoRestoresThePass) {
    ApplyStretchTable(false);
    UndoLastFilter();
    EXPECT_TRUE(
        std::equal(original.begin(), original.begin() + kFullSampleCount, s.currentImage.begin()));
}

TEST(StretchMapTest, MapThroughTableWithAndWithoutKeepingOriginals) {
    std::vector<uint16_t> table(kStretchTableEntries);
    for (int n = 0; n < kStretchTableEntries; ++n) table[n] = static_cast<uint16_t>(n / 3);
    std::vector<uint16_t> samples(1001);
    for (size_t k = 0; k < samples.size(); ++k) samples[k] = static_cast<uint16_t>(k * 65);
    std::vector<uint16_t> expected(samples.size());
    for (size_t k = 0; k < samples.size(); ++k) expected[k] = 2 * table[samples[k] >> 1];
    const std::vector<uint16_t> input = samples;
    std::vector<uint16_t> kept(samples.size(), 1);
    MapKeepingOriginals(samples.data() + 1, kept.data() + 1, samples.size() - 1, table.data());
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(kept[0], 1);
    for (size_t k = 1; k < samples.size(); ++k) {
        ASSERT_EQ(samples[k], expected[k]) << k;
        ASSERT_EQ(kept[k], input[k]) << k;
    }
    samples = input;
    MapThroughStretchTable(samples.data(), samples.size(), table.data());
    EXPECT_EQ(samples, expected);
}

}  // namespace
}  // namespace vexa
