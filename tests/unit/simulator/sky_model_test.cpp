#include "simulator/sky_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "tests/unit/simulator/simulator_test_support.h"

namespace vexa {
namespace {

using test::Centroid;
using test::QuietSky;

constexpr int kSide = 128;
constexpr double kBias = 1000;

std::vector<uint16_t> RenderWindow(SkyModel& sky, uint32_t exposureMs, SensorWindow window,
                                   uint32_t midClockMs = 0) {
    std::vector<uint16_t> out(static_cast<size_t>(window.columns * window.rows));
    sky.Render({exposureMs, midClockMs}, window, out.data(), static_cast<size_t>(window.columns));
    return out;
}

SensorWindow Square(int column, int row) {
    return {column, row, kSide, kSide, 1};
}

SkyModel OneStar(double x, double y, double aduPerS, SkyConfig config = QuietSky()) {
    SkyModel sky(config);
    sky.SetStars({{x, y, aduPerS}});
    return sky;
}

double Sum(const std::vector<uint16_t>& samples) {
    return std::accumulate(samples.begin(), samples.end(), 0.0);
}

TEST(SkyModelTest, SameSeedGivesTheSameFramesAndAnotherSeedDoesNot) {
    SkyConfig config;
    SkyModel first(config), second(config);
    config.seed = 2;
    SkyModel other(config);
    const SensorWindow window = Square(580, 450);
    for (int readout = 0; readout < 2; ++readout) {
        const auto a = RenderWindow(first, 1000, window);
        EXPECT_EQ(a, RenderWindow(second, 1000, window));
        EXPECT_NE(a, RenderWindow(other, 1000, window));
    }
    EXPECT_NE(RenderWindow(first, 1000, window), RenderWindow(first, 1000, window))
        << "each readout has noise of its own";
}

TEST(SkyModelTest, SeededFieldHasABrightStarMidSensorAndStarsFaintAndBright) {
    SkyModel sky{SkyConfig()};
    const auto stars = sky.StarsAt(0);
    const auto onChip = std::count_if(stars.begin(), stars.end(), [](const SkyStar& s) {
        return s.x >= 0 && s.x < kSensorColumns && s.y >= 0 && s.y < kSensorRows;
    });
    EXPECT_GE(onChip, 24);
    EXPECT_NEAR(stars[0].x, (kSensorColumns - 1) / 2.0, kCentreStarSpreadPx);
    EXPECT_NEAR(stars[0].y, (kSensorRows - 1) / 2.0, kCentreStarSpreadPx);
    const auto [faintest, brightest] = std::minmax_element(
        stars.begin(), stars.end(),
        [](const SkyStar& a, const SkyStar& b) { return a.aduPerS < b.aduPerS; });
    EXPECT_EQ(brightest - stars.begin(), 0);
    EXPECT_GT(brightest->aduPerS / faintest->aduPerS, 300.0);
}

TEST(SkyModelTest, BrightestStarSaturatesInLongExposuresOnly) {
    SkyModel sky{SkyConfig()};
    const auto stars = sky.StarsAt(0);
    const SensorWindow window =
        Square(static_cast<int>(stars[0].x) - kSide / 2, static_cast<int>(stars[0].y) - kSide / 2);
    const auto shortFrame = RenderWindow(sky, 1000, window);
    const auto longFrame = RenderWindow(sky, 30000, window);
    EXPECT_LT(*std::max_element(shortFrame.begin(), shortFrame.end()), kSaturatedSample);
    EXPECT_GT(std::count(longFrame.begin(), longFrame.end(), kSaturatedSample), 4);
}

TEST(SkyModelTest, FluxGrowsInProportionToExposure) {
    SkyModel sky = OneStar(64.4, 63.8, 20000);
    const double oneSecond = Sum(RenderWindow(sky, 1000, Square(0, 0))) - kBias * kSide * kSide;
    const double threeSeconds = Sum(RenderWindow(sky, 3000, Square(0, 0))) - kBias * kSide * kSide;
    EXPECT_NEAR(oneSecond, 20000, 20000 * 0.002);
    EXPECT_NEAR(threeSeconds / oneSecond, 3.0, 0.003);
}

TEST(SkyModelTest, NothingIsDrawnOffTheSensor) {
    // A star half over the left edge: the samples left of column 0 read as pure bias.
    SkyModel sky = OneStar(0.2, 60.0, 500000);
    const SensorWindow window{-30, 0, kSide, kSide, 1};
    const auto frame = RenderWindow(sky, 1000, window);
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < 30; ++c) ASSERT_EQ(frame[static_cast<size_t>(r * kSide + c)], kBias);
    }
    EXPECT_GT(frame[60 * kSide + 30], kBias + 10000);
    EXPECT_EQ(RenderWindow(sky, 1000, {kSensorColumns, 0, 8, 8, 1}),
              std::vector<uint16_t>(64, static_cast<uint16_t>(kBias)));
}

TEST(SkyModelTest, ZeroSeeingOrGainStillGiveASoundFrame) {
    SkyConfig config = QuietSky();
    config.seeingFwhmPx = 0;
    SkyModel sharp = OneStar(64, 64, 10000, config);
    const auto frame = RenderWindow(sharp, 1000, Square(0, 0));
    EXPECT_NEAR(frame[64 * kSide + 64] - kBias, 10000, 1);
    config.gainElectronsPerAdu = 0;
    config.noise = true;
    SkyModel noGain = OneStar(64, 64, 10000, config);
    const auto noisy = RenderWindow(noGain, 1000, Square(0, 0));
    EXPECT_NEAR(Sum(noisy) / noisy.size() - kBias, 10000.0 / noisy.size(), 0.3);
}

TEST(SkyModelTest, StarProfileWidthFollowsTheFocusVCurve) {
    SkyConfig config = QuietSky();
    config.seeingFwhmPx = 3.0;
    config.focusSlopePxPerStep = 0.05;
    SkyModel sky = OneStar(64.3, 64.6, 500000, config);
    struct Case {
        double focusSteps, fwhmPx;
    };
    for (const Case& c : {Case{0, 3.0}, Case{80, 5.0}, Case{-80, 5.0}, Case{160, 8.544}}) {
        sky.SetFocusSteps(c.focusSteps);
        EXPECT_NEAR(sky.StarFwhmPx(), c.fwhmPx, 0.001);
        // Second moment of a pixel-integrated Gaussian: sigma^2 + 1/12 per axis.
        const auto frame = RenderWindow(sky, 1000, Square(0, 0));
        double sum = 0, sumSquares = 0;
        for (int r = 0; r < kSide; ++r) {
            for (int cl = 0; cl < kSide; ++cl) {
                const double v = frame[static_cast<size_t>(r * kSide + cl)] - kBias;
                sum += v;
                sumSquares += v * (cl - 64.3) * (cl - 64.3);
            }
        }
        const double sigma = std::sqrt(sumSquares / sum - 1.0 / 12);
        EXPECT_NEAR(sigma * kFwhmPerSigma, c.fwhmPx, c.fwhmPx * 0.01) << c.focusSteps;
    }
}

TEST(SkyModelTest, FieldShiftMovesStarsByTheShift) {
    SkyModel sky = OneStar(60.25, 58.5, 100000);
    const auto before = Centroid(RenderWindow(sky, 1000, Square(0, 0)), kSide, kBias);
    sky.ShiftField(3.5, -2.25);
    const auto after = Centroid(RenderWindow(sky, 1000, Square(0, 0)), kSide, kBias);
    EXPECT_NEAR(after.x - before.x, 3.5, 0.01);
    EXPECT_NEAR(after.y - before.y, -2.25, 0.01);
    EXPECT_DOUBLE_EQ(sky.StarsAt(0)[0].x, 63.75);
    EXPECT_DOUBLE_EQ(sky.StarsAt(0)[0].y, 56.25);
}

TEST(SkyModelTest, FieldDriftsLinearlyWithAPeriodicTermFromTheEpoch) {
    SkyConfig config = QuietSky();
    config.driftXPxPerS = 0.01;
    config.driftYPxPerS = -0.02;
    config.periodicAmplitudePx = 2.0;
    config.periodicPeriodS = 400;
    SkyModel sky = OneStar(100, 200, 1000, config);
    sky.SetEpochMs(5000);
    struct Case {
        uint32_t clockMs;
        double x, y;
    };
    for (const Case& c : {Case{5000, 100, 200}, Case{105000, 103, 198}, Case{205000, 102, 196},
                          Case{305000, 101, 194}}) {
        const SkyStar star = sky.StarsAt(c.clockMs)[0];
        EXPECT_NEAR(star.x, c.x, 1e-9) << c.clockMs;
        EXPECT_NEAR(star.y, c.y, 1e-9) << c.clockMs;
    }
}

TEST(SkyModelTest, FieldLeavingOneSideComesBackOnTheOther) {
    SkyModel sky = OneStar(kSensorColumns + kFieldMarginPx - 1, 10, 1000);
    sky.ShiftField(2, 0);
    EXPECT_DOUBLE_EQ(sky.StarsAt(0)[0].x, 1 - kFieldMarginPx);
}

TEST(SkyModelTest, BinnedSamplesSumTheChargeOfFourPixels) {
    SkyConfig config = QuietSky();
    config.skyAduPerS = 50;
    config.hotPixelCount = 5;
    SkyModel sky(config);
    sky.SetStars({{121.3, 60.7, 80000}, {20.5, 100.2, 30000}});
    const auto full = RenderWindow(sky, 2000, Square(0, 0));
    const auto binned = RenderWindow(sky, 2000, {0, 0, kSide / 2, kSide / 2, 2});
    for (int r = 0; r < kSide / 2; ++r) {
        for (int c = 0; c < kSide / 2; ++c) {
            double sum = -3 * kBias;  // four pixels, one bias
            for (int k = 0; k < 4; ++k)
                sum += full[static_cast<size_t>((2 * r + k / 2) * kSide + 2 * c + k % 2)];
            ASSERT_NEAR(binned[static_cast<size_t>(r * kSide / 2 + c)], sum, 2.5) << r << "," << c;
        }
    }
}

TEST(SkyModelTest, DarkCurrentAndHotPixelsGrowWithExposure) {
    SkyConfig config = QuietSky();
    config.darkAduPerS = 2;
    config.hotPixelCount = 40;
    SkyModel sky(config);
    sky.SetStars({});
    const SensorWindow whole;
    const auto tenSeconds = RenderWindow(sky, 10000, whole);
    const auto twentySeconds = RenderWindow(sky, 20000, whole);
    const double darkTen = Sum(tenSeconds) - kBias * kSensorColumns * kSensorRows;
    const double darkTwenty = Sum(twentySeconds) - kBias * kSensorColumns * kSensorRows;
    EXPECT_NEAR(darkTwenty / darkTen, 2.0, 0.01);
    const auto hotTen = std::count_if(tenSeconds.begin(), tenSeconds.end(),
                                      [](uint16_t v) { return v > kBias + 100; });
    EXPECT_GE(hotTen, 30);
    EXPECT_LE(hotTen, 40);
}

TEST(SkyModelTest, VignettingDimsTheCornersByTheConfiguredShare) {
    SkyConfig config = QuietSky();
    config.skyAduPerS = 1000;
    config.vignettingAtCorner = 0.25;
    SkyModel sky(config);
    sky.SetStars({});
    const auto corner = RenderWindow(sky, 1000, {0, 0, 1, 1, 1});
    const auto middle = RenderWindow(sky, 1000, {649, 514, 2, 2, 1});
    EXPECT_NEAR(corner[0] - kBias, 750, 1);
    EXPECT_NEAR(middle[0] - kBias, 1000, 1);
}

// Noise: mean and variance of flat frames match bias + signal and signal / gain + read noise^2,
// both where the shot noise is drawn exactly (few electrons) and where it is approximated.
TEST(SkyModelTest, NoiseHasTheExpectedMeanAndVariance) {
    SkyConfig config = QuietSky();
    config.noise = true;
    config.gainElectronsPerAdu = 1.5;
    config.readNoiseAdu = 8;
    config.vignettingAtCorner = 0;
    struct Case {
        double skyAdu;
    };
    for (const Case& c : {Case{0}, Case{4}, Case{3000}}) {
        config.skyAduPerS = c.skyAdu;
        SkyModel sky(config);
        sky.SetStars({});
        const auto frame = RenderWindow(sky, 1000, {0, 0, 512, 512, 1});
        double sum = 0, sumSquares = 0;
        for (uint16_t v : frame) {
            sum += v;
            sumSquares += static_cast<double>(v) * v;
        }
        const double n = static_cast<double>(frame.size());
        const double mean = sum / n, variance = sumSquares / n - mean * mean;
        const double expected = c.skyAdu / 1.5 + 64 + 1.0 / 12;  // rounding adds 1/12
        EXPECT_NEAR(mean, kBias + c.skyAdu, 0.3) << c.skyAdu;
        EXPECT_NEAR(variance, expected, expected * 0.02) << c.skyAdu;
    }
}

}  // namespace
}  // namespace vexa
