#include "processing/star_centre.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/reset_session.h"

namespace vexa {
namespace {

class StarCentreTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();

    // Writes a sample at (column, row) with the stride the finder uses for the frame.
    void Put(int column, int row, uint16_t value) {
        s.currentImage[row * CentreFrameWidth() + column] = value;
    }
    void FillSquare(int x, int y, int h, uint16_t value) {
        for (int row = y - h; row <= y + h; ++row)
            for (int column = x - h; column <= x + h; ++column) Put(column, row, value);
    }
    void MarkResults() {
        s.starCentreX = 77;
        s.starCentreY = 88;
        s.starTenthsX = 5;
        s.starTenthsY = 6;
    }
    void ExpectRefusedUnchanged(int x, int y, int h) {
        MarkResults();
        const size_t before = fixture.ui.messages.size();
        EXPECT_EQ(FindStarCentre(x, y, s.currentImage, h), 1) << x << "," << y;
        ASSERT_EQ(fixture.ui.messages.size(), before + 1);
        EXPECT_EQ(fixture.ui.messages.back().caption, "Vexa_Q4_USB  - Find Centre");
        EXPECT_EQ(fixture.ui.messages.back().text, "Find centre failed - outside image area");
        EXPECT_EQ(s.starCentreX, 77);
        EXPECT_EQ(s.starCentreY, 88);
        EXPECT_EQ(s.starTenthsX, 5);
        EXPECT_EQ(s.starTenthsY, 6);
    }
    void ExpectAccepted(int x, int y, int h) {
        const size_t before = fixture.ui.messages.size();
        EXPECT_EQ(FindStarCentre(x, y, s.currentImage, h), 0) << x << "," << y;
        EXPECT_EQ(fixture.ui.messages.size(), before);
    }
};

TEST_F(StarCentreTest, SquareTouchingEachEdgeIsAcceptedAndOneFurtherRefused) {
    ExpectAccepted(8, 8, 8);
    ExpectAccepted(1291, 1021, 8);  // x + h + 1 = 1300, y + h + 1 = 1030
    ExpectRefusedUnchanged(7, 100, 8);
    ExpectRefusedUnchanged(100, 7, 8);
    ExpectRefusedUnchanged(1292, 100, 8);
    ExpectRefusedUnchanged(100, 1022, 8);
    ExpectRefusedUnchanged(100, 100, -1);
    ExpectRefusedUnchanged(-2000000000, 100, 8);
    ExpectRefusedUnchanged(2147483647, 100, 8);
}

TEST_F(StarCentreTest, HalfGeometryBoundsFollowTheBinnedImage) {
    s.geometryMode = 1;
    ApplyGeometry();
    ExpectAccepted(641, 506, 8);
    ExpectRefusedUnchanged(642, 100, 8);
    ExpectRefusedUnchanged(100, 507, 8);
}

TEST_F(StarCentreTest, SmallFrameBoundsAre128AndStrideIs128) {
    s.smallFrameDisplay = true;
    ExpectAccepted(119, 119, 8);
    ExpectRefusedUnchanged(120, 60, 8);
    ExpectRefusedUnchanged(60, 300, 8);  // inside the image, outside the focus frame
    // A star at column 62, row 60 of the 128-wide frame.
    Put(62, 60, 20000);
    ASSERT_EQ(FindStarCentre(60, 60, s.currentImage, 2), 0);
    EXPECT_EQ(s.starCentreX, 62);
    EXPECT_EQ(s.starCentreY, 60);
}

TEST_F(StarCentreTest, FlatSquareGivesTopLeftPlusOne) {
    ASSERT_EQ(FindStarCentre(100, 200, s.currentImage, 5), 0);
    EXPECT_EQ(s.starCentreX, 96);
    EXPECT_EQ(s.starCentreY, 196);
    FillSquare(400, 300, 5, 1000);
    ASSERT_EQ(FindStarCentre(400, 300, s.currentImage, 5), 0);
    EXPECT_EQ(s.starCentreX, 396);
    EXPECT_EQ(s.starCentreY, 296);
    EXPECT_EQ(s.starTenthsX, 0);
    EXPECT_EQ(s.starTenthsY, 0);
}

// One bright pixel at square (row 1, column 3) of a 5 x 5 square: A = 800, w = 19200,
// cx = 57601 / 19201 = 2.9999, cy = 1.0.
TEST_F(StarCentreTest, SinglePixelCentroidRoundedAndInTenths) {
    Put(51, 59, 20000);
    ASSERT_EQ(FindStarCentre(50, 60, s.currentImage, 2), 0);
    EXPECT_EQ(s.starCentreX, 51);
    EXPECT_EQ(s.starCentreY, 59);
    s.subPixelCentring = true;
    ASSERT_EQ(FindStarCentre(50, 60, s.currentImage, 2), 0);
    EXPECT_EQ(s.starCentreX, 50);
    EXPECT_EQ(s.starTenthsX, 9);
    EXPECT_EQ(s.starCentreY, 59);
    EXPECT_EQ(s.starTenthsY, 0);
}

// 30000 at (2, 1) and 20000 at (2, 2): A = 2000, T = 46001, Sl = 64001, Sk = 92001;
// cx = 1.3913, cy = 1.99998.
TEST_F(StarCentreTest, TwoPixelCentroidRoundedAndInTenths) {
    Put(49, 60, 30000);
    Put(50, 60, 20000);
    ASSERT_EQ(FindStarCentre(50, 60, s.currentImage, 2), 0);
    EXPECT_EQ(s.starCentreX, 49);
    EXPECT_EQ(s.starCentreY, 60);
    EXPECT_EQ(s.starTenthsX, 0);
    s.subPixelCentring = true;
    ASSERT_EQ(FindStarCentre(50, 60, s.currentImage, 2), 0);
    EXPECT_EQ(s.starCentreX, 49);
    EXPECT_EQ(s.starTenthsX, 3);
    EXPECT_EQ(s.starCentreY, 59);
    EXPECT_EQ(s.starTenthsY, 9);
}

// Background 100 (mode bin 6, B = trunc(99.84) = 99), star 1100 and 600 beside it; faint, so
// x4: background 4, star 4004 and 2004, A = 244, cx = 14801 / 5521 = 2.6809, cy = 1.9998.
TEST_F(StarCentreTest, BackgroundFromModeBinIsSubtractedBeforeTheCentroid) {
    FillSquare(300, 300, 2, 100);
    Put(301, 300, 1100);
    Put(300, 300, 600);
    ASSERT_EQ(FindStarCentre(300, 300, s.currentImage, 2), 0);
    EXPECT_EQ(s.starCentreX, 301);
    EXPECT_EQ(s.starCentreY, 300);
    s.subPixelCentring = true;
    ASSERT_EQ(FindStarCentre(300, 300, s.currentImage, 2), 0);
    EXPECT_EQ(s.starCentreX, 300);
    EXPECT_EQ(s.starTenthsX, 6);
    EXPECT_EQ(s.starCentreY, 299);
    EXPECT_EQ(s.starTenthsY, 9);
}

// Bins 30 (480) and 60 (960) both hold four samples: the lower one is the mode, B = 499.
// Then the 960s weigh in (w = 802) beside the centre (w = 962): cy = 6577 / 4171 = 1.5768.
// Taking the higher bin would leave only the centre pixel and give cy = 1.
TEST_F(StarCentreTest, ModeBinTieTakesTheLowestBin) {
    const uint16_t square[3][3] = {{480, 480, 480}, {480, 1000, 960}, {960, 960, 960}};
    for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) Put(199 + l, 99 + k, square[k][l]);
    ASSERT_EQ(FindStarCentre(200, 100, s.currentImage, 1), 0);
    EXPECT_EQ(s.starCentreX, 200);
    EXPECT_EQ(s.starCentreY, 101);
    s.subPixelCentring = true;
    ASSERT_EQ(FindStarCentre(200, 100, s.currentImage, 1), 0);
    EXPECT_EQ(s.starCentreX, 200);
    EXPECT_EQ(s.starTenthsX, 1);
    EXPECT_EQ(s.starCentreY, 100);
    EXPECT_EQ(s.starTenthsY, 5);
}

// The same samples upside down: now the higher bin reaches four first and the lower one
// catches up last; the lower bin still wins. cx = 3369 / 4171, cy = 1765 / 4171.
TEST_F(StarCentreTest, ModeBinTieTakesTheLowestBinWhicheverFillsFirst) {
    const uint16_t square[3][3] = {{960, 960, 960}, {960, 1000, 480}, {480, 480, 480}};
    for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) Put(199 + l, 99 + k, square[k][l]);
    ASSERT_EQ(FindStarCentre(200, 100, s.currentImage, 1), 0);
    EXPECT_EQ(s.starCentreX, 200);
    EXPECT_EQ(s.starCentreY, 99);
    s.subPixelCentring = true;
    ASSERT_EQ(FindStarCentre(200, 100, s.currentImage, 1), 0);
    EXPECT_EQ(s.starCentreX, 199);
    EXPECT_EQ(s.starTenthsX, 8);
    EXPECT_EQ(s.starCentreY, 99);
    EXPECT_EQ(s.starTenthsY, 4);
}

TEST_F(StarCentreTest, FaintStarIsAmplifiedAndBrightStarIsNot) {
    s.subPixelCentring = true;
    // Faint single pixel 1 -> 4: cx = (1 + 2 x 4) / (1 + 4) = 1.8 (unamplified 1.5).
    Put(501, 500, 1);
    ASSERT_EQ(FindStarCentre(500, 500, s.currentImage, 1), 0);
    EXPECT_EQ(s.starCentreX, 500);
    EXPECT_EQ(s.starTenthsX, 8);

    // Peak 16999: both 16999 and 16400 saturate to 65535, so the centroid is midway.
    Put(699, 700, 16999);
    Put(701, 700, 16400);
    ASSERT_EQ(FindStarCentre(700, 700, s.currentImage, 1), 0);
    EXPECT_EQ(s.starCentreX, 700);
    EXPECT_EQ(s.starTenthsX, 0);
    EXPECT_EQ(s.starCentreY, 700);
    EXPECT_EQ(s.starTenthsY, 0);

    // Peak 17000 is bright: no amplification, A = 3711, cx = 25379 / 25979 = 0.9769.
    Put(699, 700, 17000);
    ASSERT_EQ(FindStarCentre(700, 700, s.currentImage, 1), 0);
    EXPECT_EQ(s.starCentreX, 699);
    EXPECT_EQ(s.starTenthsX, 9);
}

// 81 x 81 square whose right 40 columns are 65535: the weighted column sum is about 6.5e9,
// beyond 32 bits. cx = 60.4999995, cy = 39.9999996.
TEST_F(StarCentreTest, LargeBrightSquareDoesNotOverflowTheSums) {
    for (int row = 460; row <= 540; ++row)
        for (int column = 501; column <= 540; ++column) Put(column, row, 65535);
    ASSERT_EQ(FindStarCentre(500, 500, s.currentImage, 40), 0);
    EXPECT_EQ(s.starCentreX, 520);
    EXPECT_EQ(s.starCentreY, 500);
}

TEST_F(StarCentreTest, RepeatedCallsDoNotCarryHistogramState) {
    Put(51, 59, 20000);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(FindStarCentre(50, 60, s.currentImage, 2), 0);
        EXPECT_EQ(s.starCentreX, 51);
        EXPECT_EQ(s.starCentreY, 59);
    }
}

// The search on its own frame: a frame narrower than its row stride, the session untouched.
TEST(SearchStarCentre, WorksOnAnyFrameAndLeavesTheSessionAlone) {
    constexpr int32_t kStride = 40, kWidth = 30, kHeight = 20;
    std::vector<uint16_t> samples(static_cast<size_t>(kStride) * kHeight, 1000);
    samples[static_cast<size_t>(12) * kStride + 17] = 30000;
    // Outside the frame's width, though inside the stride: the square must not reach it.
    samples[static_cast<size_t>(12) * kStride + 35] = 60000;
    const SampleFrame frame{samples.data(), kStride, kWidth, kHeight};
    test::ResetSession();

    const std::optional<StarCentre> found = SearchStarCentre(frame, 15, 11, 4, false);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->x, 17);
    EXPECT_EQ(found->y, 12);
    EXPECT_EQ(Session().starCentreX, 0);
    EXPECT_FALSE(SearchStarCentre(frame, 26, 11, 4, false).has_value());  // reaches column 30
    EXPECT_FALSE(SearchStarCentre(frame, 15, 3, 4, false).has_value());
}

}  // namespace
}  // namespace vexa
