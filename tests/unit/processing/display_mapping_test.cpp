// The 256-entry colour table for the grey, false-colour, auto-contrast and palette-stretch
// options, checked on hand-computed entries.
#include <gtest/gtest.h>

#include "processing/display_mapping.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}
Rgb At(const ColourTable& t, int level) {
    return {t[level].red, t[level].green, t[level].blue};
}
int GreyAt(const ColourTable& t, int level) {
    EXPECT_EQ(t[level].red, t[level].green);
    EXPECT_EQ(t[level].red, t[level].blue);
    return t[level].red;
}

class ColourTableTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
};

TEST_F(ColourTableTest, AllOptionsOffIsTheGreyRamp) {
    const ColourTable t = BuildColourTable();
    EXPECT_EQ(At(t, 200), (Rgb{200, 200, 200}));
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(GreyAt(t, i), i);
        EXPECT_EQ(t[i].reserved, 0);
    }
}

TEST_F(ColourTableTest, AutoContrastCurveWithThresholdTen) {
    s.autoContrast = true;
    s.backgroundLevel = 10;
    const ColourTable t = BuildColourTable();
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(GreyAt(t, i), 0) << i;
    EXPECT_EQ(GreyAt(t, 11), 48);
    EXPECT_EQ(GreyAt(t, 12), 59);
    EXPECT_EQ(GreyAt(t, 128), 202);
    EXPECT_EQ(GreyAt(t, 255), 251);
}

TEST_F(ColourTableTest, AutoContrastWithThresholdZeroReachesWhite) {
    s.autoContrast = true;
    s.backgroundLevel = 0;
    const ColourTable t = BuildColourTable();
    EXPECT_EQ(GreyAt(t, 0), 0);
    EXPECT_EQ(GreyAt(t, 1), 48);
    EXPECT_EQ(GreyAt(t, 255), 255);
}

TEST_F(ColourTableTest, AutoContrastThresholdAtTopIsAllBlack) {
    s.autoContrast = true;
    s.backgroundLevel = 255;
    const ColourTable t = BuildColourTable();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(GreyAt(t, i), 0);
}

TEST_F(ColourTableTest, PaletteStretchMultipliers) {
    s.paletteStretch = true;
    s.paletteStretchBits = 12;
    ColourTable t = BuildColourTable();
    EXPECT_EQ(GreyAt(t, 15), 240);
    EXPECT_EQ(GreyAt(t, 16), 255);
    EXPECT_EQ(GreyAt(t, 200), 255);

    s.paletteStretchBits = 14;  // x 4
    t = BuildColourTable();
    EXPECT_EQ(GreyAt(t, 63), 252);
    EXPECT_EQ(GreyAt(t, 64), 255);

    s.paletteStretchBits = 16;
    t = BuildColourTable();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(GreyAt(t, i), i);
}

TEST_F(ColourTableTest, PaletteStretchWinsOverAutoContrast) {
    s.paletteStretch = true;
    s.paletteStretchBits = 13;  // x 8
    s.autoContrast = true;
    s.backgroundLevel = 10;
    const ColourTable t = BuildColourTable();
    EXPECT_EQ(GreyAt(t, 5), 40);
    EXPECT_EQ(GreyAt(t, 11), 88);
    EXPECT_EQ(GreyAt(t, 32), 255);
}

TEST_F(ColourTableTest, FalseColourEntries) {
    s.falseColour = true;
    const ColourTable t = BuildColourTable();
    EXPECT_EQ(At(t, 0), (Rgb{0, 0, 1}));
    EXPECT_EQ(At(t, 128), (Rgb{128, 64, 64}));
    EXPECT_EQ(At(t, 240), (Rgb{240, 225, 15}));
    EXPECT_EQ(At(t, 241), (Rgb{241, 241, 241}));
    EXPECT_EQ(At(t, 255), (Rgb{255, 255, 255}));
    // 100: green 10000 / 256 = 39, blue 155 - 24025 / 256 = 155 - 93 = 62.
    EXPECT_EQ(At(t, 100), (Rgb{100, 39, 62}));
}

TEST_F(ColourTableTest, FalseColourWithPaletteStretchAloneStaysUnstretched) {
    s.falseColour = true;
    const ColourTable plain = BuildColourTable();
    s.paletteStretch = true;
    s.paletteStretchBits = 12;
    const ColourTable stretched = BuildColourTable();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(At(stretched, i), At(plain, i)) << i;
}

TEST_F(ColourTableTest, FalseColourFollowsAutoContrast) {
    s.falseColour = true;
    s.autoContrast = true;
    s.backgroundLevel = 10;
    const ColourTable t = BuildColourTable();
    EXPECT_EQ(At(t, 10), (Rgb{0, 0, 1}));
    // Level 12 maps to 59: green 3481 / 256 = 13, blue 196 - 38416 / 256 = 196 - 150 = 46.
    EXPECT_EQ(At(t, 12), (Rgb{59, 13, 46}));
}

TEST_F(ColourTableTest, FalseColourWithBothUsesThePaletteStretch) {
    s.falseColour = true;
    s.autoContrast = true;
    s.backgroundLevel = 10;
    s.paletteStretch = true;
    s.paletteStretchBits = 12;
    const ColourTable t = BuildColourTable();
    EXPECT_EQ(At(t, 8), (Rgb{128, 64, 64}));    // 8 x 16 = 128
    EXPECT_EQ(At(t, 15), (Rgb{240, 225, 15}));  // 240
    EXPECT_EQ(At(t, 16), (Rgb{255, 255, 255}));
}

TEST_F(ColourTableTest, OutOfRangeSettingsAreClamped) {
    s.paletteStretch = true;
    s.paletteStretchBits = 40;
    EXPECT_EQ(GreyAt(BuildColourTable(), 100), 100);  // as 16 bits
    s.paletteStretchBits = -3;
    EXPECT_EQ(GreyAt(BuildColourTable(), 15), 240);  // as 12 bits
    s.paletteStretch = false;
    s.autoContrast = true;
    s.backgroundLevel = -50;
    EXPECT_EQ(GreyAt(BuildColourTable(), 255), 255);  // as threshold 0
}

TEST(DisplayLevelCountsTest, HistogramWindowCountsWhatTheBackgroundEstimateCounts) {
    test::SessionFixture fixture;
    SessionState& s = Session();
    for (size_t k = 0; k < s.currentImage.size(); ++k) s.currentImage[k] = uint16_t(k * 37);
    for (const int mode : {0, 1}) {
        s.geometryMode = mode;
        ApplyGeometry();
        const DisplayLevelCounts counts = CountInteriorLevels(s.currentImage, s.geometry);
        EstimateBackgroundLevel();
        EXPECT_EQ(counts, s.displayHistogramWide);
        uint64_t total = 0;
        for (uint32_t c : counts) total += c;
        // Rows 5 to height - 12, columns 10 to width - 11.
        EXPECT_EQ(total, uint64_t(s.geometry.height - 16) * uint64_t(s.geometry.width - 20));
    }
}

}  // namespace
}  // namespace vexa
