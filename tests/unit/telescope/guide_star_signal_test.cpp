// The guide star's signal on frames of the simulated sky: stars of every brightness the sky
// holds stay found and keep their light over hundreds of frames of seeing, drift and noise, and
// boxes of noise alone are never taken for a star.
#include "telescope/guide_star_signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "simulator/sky_model.h"
#include "tests/unit/simulator/simulator_test_support.h"

namespace vexa {
namespace {

constexpr int kSide = 128;
constexpr int kBoxHalf = 8;  // the guide box the settings start with
constexpr uint32_t kFrameGapMs = 2000;

class GuideStarSignalTest : public test::ClockFixture {
  protected:
    // One readout of the 128 x 128 window whose corner is (left, top).
    const std::vector<uint16_t>& Frame(SkyModel& sky, int left, int top, uint32_t exposureMs,
                                       uint32_t midMs) {
        sky.Render({exposureMs, midMs}, {left, top, kSide, kSide, 1}, samples_.data(), kSide);
        return samples_;
    }
    SampleFrame View() const { return {samples_.data(), kSide, kSide, kSide}; }

    std::vector<uint16_t> samples_ = std::vector<uint16_t>(kSide * kSide);
};

TEST_F(GuideStarSignalTest, StarsOfTheSimulatedSkyAreNeverLostToSeeingDriftOrNoise) {
    struct Case {
        const char* what;
        int x, y;  // where the default sky holds the star at the start
        uint32_t exposureMs;
    } cases[] = {
        {"the brightest star", 655, 534, 1000},
        {"the brightest star saturated", 655, 534, 4000},
        {"the brightest star in a tenth", 655, 534, 100},
        {"a star of 8,800 ADU/s", 674, 790, 1000},
        {"a star of 2,300 ADU/s", 490, 437, 1000},
        {"a star of 800 ADU/s", 814, 457, 1000},
    };
    constexpr int kFrames = 300;
    for (const Case& c : cases) {
        SkyModel sky;  // the default sky: seeing, drift, periodic error, sky glow and noise
        const int left = c.x - kSide / 2;
        const int top = c.y - kSide / 2;
        int x = kSide / 2, y = kSide / 2;
        std::optional<StarSignal> previous;
        int lost = 0;
        for (int frame = 0; frame < kFrames; ++frame) {
            const uint32_t midMs = frame * (c.exposureMs + kFrameGapMs) + c.exposureMs / 2;
            Frame(sky, left, top, c.exposureMs, midMs);
            const std::optional<StarCentre> centre = SearchStarCentre(View(), x, y, kBoxHalf, true);
            ASSERT_TRUE(centre) << c.what;
            x = centre->x;
            y = centre->y;
            const std::optional<StarSignal> signal = MeasureStarSignal(View(), x, y, kBoxHalf);
            ASSERT_TRUE(signal);
            if (!StarClearlyPresent(*signal) || (previous && !SameIntensity(*signal, *previous)))
                ++lost;
            previous = signal;
        }
        EXPECT_EQ(lost, 0) << c.what;
    }
}

TEST_F(GuideStarSignalTest, NoiseAloneIsNeverAStar) {
    SkyConfig config;
    config.hotPixelCount = 0;
    SkyModel sky(config);
    sky.SetStars({});
    constexpr int kFrames = 100;
    constexpr int kStep = 2 * kBoxHalf + 1;
    int boxes = 0, stars = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        Frame(sky, 400, 300, 1000, frame * kFrameGapMs);
        for (int y = kBoxHalf; y + kBoxHalf < kSide; y += kStep) {
            for (int x = kBoxHalf; x + kBoxHalf < kSide; x += kStep) {
                ++boxes;
                if (StarClearlyPresent(*MeasureStarSignal(View(), x, y, kBoxHalf))) ++stars;
            }
        }
    }
    EXPECT_GT(boxes, 4000);
    EXPECT_EQ(stars, 0);
}

TEST(StarSignalTest, TheBoxKeepsInsideTheFrameAndNeedsRoom) {
    std::vector<uint16_t> flat(20 * 20, 500);
    flat[0] = 900;  // in the corner: a box pushed inside still sees it
    const SampleFrame frame{flat.data(), 20, 20, 20};
    const std::optional<StarSignal> corner = MeasureStarSignal(frame, 0, 0, 4);
    ASSERT_TRUE(corner);
    EXPECT_EQ(corner->fluxAdu, 400.0);
    EXPECT_EQ(corner->noiseAdu, kNoiseFloorAdu);
    EXPECT_FALSE(MeasureStarSignal(frame, 10, 10, 10));  // a 21-pixel box in 20 pixels
    EXPECT_FALSE(MeasureStarSignal(frame, 10, 10, 0));
}

}  // namespace
}  // namespace vexa
