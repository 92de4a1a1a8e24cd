#include "camera/slew_and_sum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::test {
namespace {

constexpr uint16_t kSky = 1000;

// currentImage as the sky with a square star of side 5 and the given brightness at (x, y).
void DrawFrame(int x, int y, uint16_t star) {
    SessionState& s = Session();
    const int width = s.geometry.width;
    std::fill(s.currentImage.begin(), s.currentImage.end(), kSky);
    for (int row = y - 2; row <= y + 2; ++row) {
        for (int column = x - 2; column <= x + 2; ++column) {
            s.currentImage[static_cast<size_t>(row * width + column)] = star;
        }
    }
}

uint16_t At(const Plane& plane, int x, int y) {
    return plane[static_cast<size_t>(y * Session().geometry.width + x)];
}

class SlewAndSumTest : public ::testing::Test {
  protected:
    SlewAndSumTest() {
        Session().camera.exposuresInSequence = 3;
        ClearDriftReference();
    }
    SessionFixture fixture;
};

TEST_F(SlewAndSumTest, StandardSumClampsAndLeavesEdgeSamplesWithoutPartnersAlone) {
    Session().starCentreX = 640;
    Session().starCentreY = 500;
    DrawFrame(640, 500, 40000);
    ASSERT_EQ(StandardSlewAndSum(), kSlewSummed);
    EXPECT_EQ(Session().camera.driftStarX, 640);
    EXPECT_EQ(Session().camera.driftReferencePeak, 40000);

    DrawFrame(643, 498, 40000);  // moved 3 right and 2 up
    ASSERT_EQ(StandardSlewAndSum(), kSlewSummed);
    EXPECT_EQ(At(Session().currentImage, 643, 498), 65535);  // 80,000 held
    EXPECT_EQ(At(Session().currentImage, 700, 700), 2 * kSky);
    // Rows and columns whose partner would lie in row or column 0 or off the image keep the
    // new frame's value.
    EXPECT_EQ(At(Session().currentImage, 2, 700), kSky);
    EXPECT_EQ(At(Session().currentImage, 1299, 700), 2 * kSky);
    EXPECT_EQ(At(Session().currentImage, 700, 0), 2 * kSky);
    EXPECT_EQ(At(Session().currentImage, 700, 1), 2 * kSky);
    EXPECT_EQ(At(Session().currentImage, 700, 1029), kSky);
    const Plane& sum = Session().workImage;
    EXPECT_TRUE(
        std::equal(sum.begin(), sum.begin() + kFullSampleCount, Session().currentImage.begin()));
}

TEST_F(SlewAndSumTest, StandardStarMustKeepItsBrightnessWithinLimits) {
    struct Case {
        uint16_t second;
        int result;
    } cases[] = {{11000, kSlewSummed},
                 {30000, kSlewSummed},
                 {31000, kSlewStarLost},
                 {3000, kSlewSummed},
                 {2900, kSlewStarLost}};
    for (const Case& c : cases) {
        ClearDriftReference();
        Session().starCentreX = 400;
        Session().starCentreY = 400;
        DrawFrame(400, 400, 10000);
        ASSERT_EQ(StandardSlewAndSum(), kSlewSummed);
        DrawFrame(401, 400, c.second);
        EXPECT_EQ(StandardSlewAndSum(), c.result) << c.second;
        if (c.result == kSlewStarLost) {
            EXPECT_EQ(At(Session().currentImage, 400, 400), 10000);  // the sum so far
        }
    }
}

TEST_F(SlewAndSumTest, ASaturatedStarIsFollowedAndItsSumHeldAtTheTop) {
    Session().starCentreX = 600;
    Session().starCentreY = 600;
    for (int frame = 0; frame < 3; ++frame) {
        DrawFrame(600 + frame, 600, 65535);
        ASSERT_EQ(StandardSlewAndSum(), kSlewSummed) << frame;
    }
    EXPECT_EQ(Session().camera.driftStarX, 602);
    EXPECT_EQ(At(Session().currentImage, 602, 600), 65535);
    EXPECT_EQ(At(Session().currentImage, 500, 500), 3 * kSky);
}

TEST_F(SlewAndSumTest, StandardAveragingDividesEachFrameBeforeAdding) {
    Session().camera.averageMultiple = true;
    Session().starCentreX = 400;
    Session().starCentreY = 400;
    DrawFrame(400, 400, 30000);
    ASSERT_EQ(StandardSlewAndSum(), kSlewSummed);
    EXPECT_EQ(At(Session().workImage, 400, 400), 10000);
    DrawFrame(400, 400, 30001);
    ASSERT_EQ(StandardSlewAndSum(), kSlewSummed);
    EXPECT_EQ(At(Session().currentImage, 400, 400), 20000);
}

TEST_F(SlewAndSumTest, StandardCannotStartWhereTheFinderCannotWork) {
    Session().starCentreX = 2;
    Session().starCentreY = 2;
    DrawFrame(400, 400, 30000);
    EXPECT_EQ(StandardSlewAndSum(), kSlewNoSuitableStar);
    EXPECT_EQ(Session().camera.driftStarX, 0);
    EXPECT_EQ(fixture.ui.LastText(), "Find centre failed - outside image area");
}

TEST_F(SlewAndSumTest, BackgroundIsTheMostPopulatedBinLowestOnTies) {
    const uint16_t samples[] = {0, 300, 400, 600, 700, 65535};
    EXPECT_EQ(BackgroundBin(samples, 6), 1);
    const uint16_t tie[] = {600, 300};
    EXPECT_EQ(BackgroundBin(tie, 2), 1);
}

TEST_F(SlewAndSumTest, ProfileShiftIsWhereTheMiddleEightyEntriesMatchBest) {
    std::array<int64_t, kSlewProfileLength> reference{};
    std::array<int64_t, kSlewProfileLength> moved{};
    for (int k = 0; k < kSlewProfileLength; ++k) {
        reference[k] = 1000 * std::exp(-(k - 50.0) * (k - 50.0) / 20.0);
        moved[k] = 1000 * std::exp(-(k - 54.0) * (k - 54.0) / 20.0);
    }
    std::array<int64_t, 21> scores{};
    EXPECT_EQ(BestProfileShift(reference.data(), moved.data(), scores.data()), 4);
    EXPECT_EQ(scores[14], 0);
    EXPECT_EQ(BestProfileShift(moved.data(), reference.data(), scores.data()), -4);
    std::array<int64_t, kSlewProfileLength> flat{};
    EXPECT_EQ(BestProfileShift(flat.data(), flat.data(), scores.data()), -10);  // all tie
}

TEST_F(SlewAndSumTest, AlternativeSumStaysAtTheFirstFramesPosition) {
    DrawFrame(250, 150, 60000);
    ASSERT_EQ(AlternativeSlewAndSum(), kSlewSummed);
    EXPECT_EQ(Session().camera.profileRowOffset, 0);
    DrawFrame(253, 148, 60000);
    ASSERT_EQ(AlternativeSlewAndSum(), kSlewSummed);
    EXPECT_EQ(Session().camera.runningDriftX, 3);
    EXPECT_EQ(Session().camera.runningDriftY, -2);
    EXPECT_EQ(At(Session().currentImage, 250, 150), 65535);
    EXPECT_EQ(At(Session().currentImage, 253, 148), kSky + kSky);
    DrawFrame(254, 148, 5000);
    ASSERT_EQ(AlternativeSlewAndSum(), kSlewSummed);
    EXPECT_EQ(Session().camera.runningDriftX, 4);
}

TEST_F(SlewAndSumTest, AlternativeLooksLowerForAStarAndLosesOneWithoutProfile) {
    DrawFrame(250, 215, 60000);  // only in the region at row offset 20
    ASSERT_EQ(AlternativeSlewAndSum(), kSlewSummed);
    EXPECT_EQ(Session().camera.profileRowOffset, 20);

    // A star above 400 x the background bin but not above the profile threshold (256 b +
    // 1024): its profiles are empty and match at every shift, so nothing can be followed.
    ClearDriftReference();
    DrawFrame(250, 150, 1500);
    ASSERT_EQ(AlternativeSlewAndSum(), kSlewSummed);
    Session().workImage[0] = 77;
    EXPECT_EQ(AlternativeSlewAndSum(), kSlewStarLost);
    EXPECT_EQ(Session().currentImage[0], 77);

    ClearDriftReference();
    DrawFrame(250, 400, 60000);  // below every region
    EXPECT_EQ(AlternativeSlewAndSum(), kSlewNoSuitableStar);
}

}  // namespace
}  // namespace vexa::test
