#include "camera/half_flux_diameter.h"

#include <gtest/gtest.h>

#include <vector>

#include "simulator/sky_model.h"
#include "tests/unit/simulator/simulator_test_support.h"

namespace vexa {
namespace {

using test::QuietSky;

constexpr int kSide = 128;

std::vector<uint16_t> Frame(SkyModel& sky, uint32_t exposureMs = 1000) {
    std::vector<uint16_t> frame(kSide * kSide);
    sky.Render({exposureMs, 0}, {0, 0, kSide, kSide, 1}, frame.data(), kSide);
    return frame;
}

SampleView View(const std::vector<uint16_t>& frame, int width = kSide, int stride = kSide) {
    return {frame.data(), width, static_cast<int>(frame.size()) / stride, stride};
}

SkyModel StarsOfWidth(double fwhmPx, std::vector<SkyStar> stars, SkyConfig config = QuietSky()) {
    config.seeingFwhmPx = fwhmPx;
    SkyModel sky(config);
    sky.SetStars(std::move(stars));
    return sky;
}

// A Gaussian star's half-flux diameter is its FWHM. What the 8 x 8 sub-sampling and the
// quadrature removal of the pixel blur leave over is at most 1.7 % from 2.5 px up (over a
// 10 x 4 grid of sub-pixel positions), 0.3 % from 7 px; 3 % leaves room for the centroid.
TEST(HalfFluxDiameterTest, GaussianStarMeasuresItsFwhmWhereverItFallsInAPixel) {
    for (double fwhm : {2.5, 3.0, 4.0, 5.5, 8.0}) {
        for (double offset : {0.0, 0.25, 0.5, 0.8}) {
            SkyModel sky = StarsOfWidth(fwhm, {{63 + offset, 64 + offset / 2, 200000}});
            const auto frame = Frame(sky);
            HalfFluxResult result;
            ASSERT_TRUE(MeasureHalfFluxDiameter(View(frame), result).ok());
            EXPECT_NEAR(result.diameterPx, fwhm, fwhm * 0.03) << fwhm << " at +" << offset;
            EXPECT_NEAR(result.centreX, 63 + offset, 0.02);
            EXPECT_NEAR(result.centreY, 64 + offset / 2, 0.02);
            EXPECT_NEAR(result.backgroundAdu, QuietSky().biasAdu, 0.01);
            EXPECT_NEAR(result.fluxAdu, 200000 * sky.VignettingAt(63, 64), 200);
        }
    }
}

TEST(HalfFluxDiameterTest, DiameterFollowsTheFocusVCurve) {
    SkyModel sky = StarsOfWidth(3.0, {{70.4, 60.2, 300000}});
    double previous = 0;
    for (double steps : {0.0, 40.0, 80.0, 120.0}) {
        sky.SetFocusSteps(steps);
        const auto frame = Frame(sky);
        HalfFluxResult result;
        ASSERT_TRUE(MeasureHalfFluxDiameter(View(frame), result).ok());
        EXPECT_NEAR(result.diameterPx, sky.StarFwhmPx(), sky.StarFwhmPx() * 0.03) << steps;
        EXPECT_GT(result.diameterPx, previous);
        previous = result.diameterPx;
    }
}

TEST(HalfFluxDiameterTest, NoisyStarOnSkyStaysCloseToItsFwhm) {
    SkyConfig config;
    config.hotPixelCount = 0;
    config.vignettingAtCorner = 0;
    SkyModel sky = StarsOfWidth(4.0, {{60.7, 66.1, 100000}}, config);
    const auto frame = Frame(sky);
    HalfFluxResult result;
    ASSERT_TRUE(MeasureHalfFluxDiameter(View(frame), result).ok());
    EXPECT_NEAR(result.diameterPx, 4.0, 0.3);
    EXPECT_NEAR(result.backgroundAdu, config.biasAdu + config.skyAduPerS, 2.0);
}

TEST(HalfFluxDiameterTest, MeasuresTheBrightestStar) {
    SkyModel sky = StarsOfWidth(3.0, {{30.2, 30.6, 40000}, {90.5, 95.3, 120000}});
    const auto frame = Frame(sky);
    HalfFluxResult result;
    ASSERT_TRUE(MeasureHalfFluxDiameter(View(frame), result).ok());
    EXPECT_NEAR(result.centreX, 90.5, 0.05);
    EXPECT_NEAR(result.centreY, 95.3, 0.05);
}

TEST(HalfFluxDiameterTest, LoneHotPixelIsNotTakenForTheStar) {
    SkyModel sky = StarsOfWidth(3.0, {{40.0, 80.0, 5000}});
    auto frame = Frame(sky);
    frame[20 * kSide + 100] = 60000;
    HalfFluxResult result;
    ASSERT_TRUE(MeasureHalfFluxDiameter(View(frame), result).ok());
    EXPECT_NEAR(result.centreX, 40.0, 0.1);
    EXPECT_NEAR(result.centreY, 80.0, 0.1);
}

TEST(HalfFluxDiameterTest, FrameWithoutAStarIsNotFound) {
    SkyConfig noisy;
    noisy.hotPixelCount = 0;
    SkyModel flat(QuietSky()), noise(noisy);
    flat.SetStars({});
    noise.SetStars({});
    for (SkyModel* sky : {&flat, &noise}) {
        const auto frame = Frame(*sky);
        HalfFluxResult result;
        EXPECT_EQ(MeasureHalfFluxDiameter(View(frame), result).code(), StatusCode::NotFound);
    }
}

TEST(HalfFluxDiameterTest, ReadsPlanesWithARowStrideWiderThanTheFrame) {
    SkyModel sky = StarsOfWidth(3.5, {{50.3, 40.8, 100000}});
    const auto packed = Frame(sky);
    constexpr int kStride = kSide + 22;
    std::vector<uint16_t> strided(kStride * kSide, 65535);  // padding that must be skipped
    for (int r = 0; r < kSide; ++r)
        std::copy_n(packed.begin() + r * kSide, kSide, strided.begin() + r * kStride);
    HalfFluxResult a, b;
    ASSERT_TRUE(MeasureHalfFluxDiameter(View(packed), a).ok());
    ASSERT_TRUE(MeasureHalfFluxDiameter(View(strided, kSide, kStride), b).ok());
    EXPECT_DOUBLE_EQ(a.diameterPx, b.diameterPx);
}

TEST(HalfFluxDiameterTest, RefusesPlanesTooSmallOrMissing) {
    const std::vector<uint16_t> tiny(7 * 7, 1000);
    HalfFluxResult result;
    EXPECT_EQ(MeasureHalfFluxDiameter(View(tiny, 7, 7), result).code(),
              StatusCode::InvalidArgument);
    EXPECT_EQ(MeasureHalfFluxDiameter(SampleView{}, result).code(), StatusCode::InvalidArgument);
    const std::vector<uint16_t> frame(kSide * kSide, 1000);
    EXPECT_EQ(MeasureHalfFluxDiameter({frame.data(), kSide, kSide, kSide - 1}, result).code(),
              StatusCode::InvalidArgument);
}

}  // namespace
}  // namespace vexa
