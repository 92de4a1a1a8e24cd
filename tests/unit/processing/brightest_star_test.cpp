#include "processing/brightest_star.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace vexa {
namespace {

constexpr int32_t kWidth = 40;
constexpr int32_t kHeight = 30;

TEST(BrightestStarTest, TheMostLightInThreeByThreeAwayFromTheEdges) {
    // A star: its peak with half of it on the four neighbours; a hot pixel: the peak alone.
    struct Spot {
        int32_t x, y;
        uint16_t value;
        bool star = true;
    };
    struct Case {
        const char* name;
        std::vector<Spot> spots;
        int32_t margin;
        PixelPoint expected;
    } cases[] = {
        {"one star", {{20, 10, 5000}}, 3, {20, 10}},
        {"the brighter of two", {{10, 10, 5000}, {30, 20, 7000}}, 3, {30, 20}},
        {"a hot pixel has less light around it than a star",
         {{5, 5, 60000, false}, {30, 20, 25000}},
         3,
         {30, 20}},
        {"a star in the margin is passed over", {{2, 15, 60000}, {20, 15, 20000}}, 4, {20, 15}},
        {"a flat frame gives the first pixel inside the margin", {}, 5, {5, 5}},
        {"a margin of 0 still keeps the 3 x 3 inside", {}, 0, {1, 1}},
    };
    for (const Case& c : cases) {
        const auto plane = std::make_unique<Plane>();
        plane->fill(100);
        auto at = [&plane](int32_t x, int32_t y) -> uint16_t& {
            return (*plane)[static_cast<size_t>(y) * kWidth + x];
        };
        for (const Spot& s : c.spots) {
            at(s.x, s.y) = s.value;
            if (!s.star) continue;
            for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                at(s.x + dx, s.y + dy) = s.value / 2;
            }
        }
        PixelPoint found;
        ASSERT_TRUE(FindBrightestStar(*plane, kWidth, kHeight, c.margin, found)) << c.name;
        EXPECT_EQ(found.x, c.expected.x) << c.name;
        EXPECT_EQ(found.y, c.expected.y) << c.name;
    }
}

TEST(BrightestStarTest, AFrameNoLargerThanItsMarginsHoldsNone) {
    const auto plane = std::make_unique<Plane>();
    PixelPoint found{7, 8};
    EXPECT_FALSE(FindBrightestStar(*plane, kWidth, kHeight, kHeight / 2, found));
    EXPECT_EQ(found.x, 7);
    EXPECT_TRUE(FindBrightestStar(*plane, kWidth, kHeight, kHeight / 2 - 1, found));
}

}  // namespace
}  // namespace vexa
