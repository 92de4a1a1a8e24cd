// Where the view draws: scroll ranges, fit to window, 1:1 with scrolling, centring margins,
// and background strips that cover exactly the client area the image leaves free.
#include <gtest/gtest.h>

#include <vector>

#include "app/paint_layout.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class PaintLayoutTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    void Bitmap(int width, int height) {
        s.displayBitmapExists = true;
        s.displayWidth = width;
        s.displayHeight = height;
    }
    // Each client pixel must be painted exactly once, by the image or by one strip.
    void ExpectExactCover(const PaintLayout& l, int cw, int ch) {
        std::vector<int> cover(static_cast<size_t>(cw) * ch, 0);
        auto paint = [&](const ViewRect& r) {
            ASSERT_GE(r.x, 0);
            ASSERT_GE(r.y, 0);
            ASSERT_LE(r.x + r.width, cw);
            ASSERT_LE(r.y + r.height, ch);
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x) ++cover[static_cast<size_t>(y) * cw + x];
        };
        paint(l.target);
        for (const ViewRect& strip : l.backgroundStrips) paint(strip);
        for (size_t k = 0; k < cover.size(); ++k)
            ASSERT_EQ(cover[k], 1) << "pixel " << k % cw << ", " << k / cw;
    }
};

TEST_F(PaintLayoutTest, ScrollRanges) {
    Bitmap(1300, 1030);
    ScrollRanges r = ComputeScrollRanges(800, 600);
    EXPECT_EQ(r.horizontal, 500);
    EXPECT_EQ(r.vertical, 430);
    r = ComputeScrollRanges(1400, 600);
    EXPECT_EQ(r.horizontal, 0);
    EXPECT_EQ(r.vertical, 430);
    s.fitToWindow = true;
    r = ComputeScrollRanges(800, 600);
    EXPECT_EQ(r.horizontal, 0);
    EXPECT_EQ(r.vertical, 0);
    s.fitToWindow = false;
    Bitmap(652, 515);
    r = ComputeScrollRanges(600, 500);
    EXPECT_EQ(r.horizontal, 52);
    EXPECT_EQ(r.vertical, 15);
}

TEST_F(PaintLayoutTest, NoBitmapPaintsOnlyBackground) {
    const PaintLayout l = ComputePaintLayout(640, 480, false);
    EXPECT_FALSE(l.hasBitmap);
    ASSERT_EQ(l.backgroundStrips.size(), 1u);
    EXPECT_EQ(l.backgroundStrips[0], (ViewRect{0, 0, 640, 480}));
}

TEST_F(PaintLayoutTest, FitToWindowAndMinimizedStretchTheWholeBitmap) {
    Bitmap(1300, 1030);
    s.scrollX = 40;
    s.fitToWindow = true;
    PaintLayout l = ComputePaintLayout(700, 500, false);
    EXPECT_TRUE(l.stretchToClient);
    EXPECT_EQ(l.source, (ViewRect{0, 0, 1300, 1030}));
    EXPECT_EQ(l.target, (ViewRect{0, 0, 700, 500}));
    EXPECT_TRUE(l.backgroundStrips.empty());
    s.fitToWindow = false;
    l = ComputePaintLayout(160, 30, true);
    EXPECT_TRUE(l.stretchToClient);
    EXPECT_EQ(l.target, (ViewRect{0, 0, 160, 30}));
}

TEST_F(PaintLayoutTest, OneToOneFollowsTheScrollPosition) {
    Bitmap(1300, 1030);
    s.scrollX = 100;
    s.scrollY = 50;
    PaintLayout l = ComputePaintLayout(800, 600, false);
    EXPECT_FALSE(l.stretchToClient);
    EXPECT_EQ(l.source, (ViewRect{100, 50, 800, 600}));
    EXPECT_EQ(l.target, (ViewRect{0, 0, 800, 600}));
    EXPECT_TRUE(l.backgroundStrips.empty());
    s.scrollX = 500;
    s.scrollY = 430;  // the ends of the ranges
    l = ComputePaintLayout(800, 600, false);
    EXPECT_EQ(l.source, (ViewRect{500, 430, 800, 600}));
}

TEST_F(PaintLayoutTest, CentringSplitsAnOddMarginWithTheExtraPixelOnTheRight) {
    Bitmap(652, 515);
    s.centreImage = true;
    const PaintLayout l = ComputePaintLayout(1001, 600, false);
    EXPECT_EQ(l.centreOffsetX, 174);
    EXPECT_EQ(l.centreOffsetY, 42);  // 85 / 2
    EXPECT_EQ(l.target, (ViewRect{174, 42, 652, 515}));
    EXPECT_EQ(l.source, (ViewRect{0, 0, 652, 515}));
    // Left margin 174, right margin 1001 - 826 = 175.
    EXPECT_EQ(l.backgroundStrips[0], (ViewRect{826, 0, 175, 600}));
    EXPECT_EQ(l.backgroundStrips[1], (ViewRect{0, 0, 174, 600}));
    ExpectExactCover(l, 1001, 600);
}

TEST_F(PaintLayoutTest, CentringOnlyAlongTheWiderSide) {
    Bitmap(652, 515);
    s.centreImage = true;
    s.scrollY = 115;  // the client is shorter: vertical scrolling still works
    const PaintLayout l = ComputePaintLayout(1000, 400, false);
    EXPECT_EQ(l.centreOffsetX, 174);
    EXPECT_EQ(l.centreOffsetY, 0);
    EXPECT_EQ(l.source, (ViewRect{0, 115, 652, 400}));
    EXPECT_EQ(l.target, (ViewRect{174, 0, 652, 400}));
    ExpectExactCover(l, 1000, 400);
}

TEST_F(PaintLayoutTest, WithoutCentringTheImageSitsTopLeft) {
    Bitmap(128, 128);
    const PaintLayout l = ComputePaintLayout(301, 200, false);
    EXPECT_EQ(l.target, (ViewRect{0, 0, 128, 128}));
    ExpectExactCover(l, 301, 200);
}

// Whatever the scroll position (in range or left over from a larger bitmap), the strips and
// the image cover the client area exactly.
TEST_F(PaintLayoutTest, StripsNeverOverlapTheImageOrLeaveGaps) {
    Bitmap(128, 128);
    for (bool centre : {false, true})
        for (int cw : {1, 100, 128, 129, 257})
            for (int ch : {1, 90, 128, 200})
                for (int sx : {0, 5, 60, 127, 500})
                    for (int sy : {0, 7, 128}) {
                        s.centreImage = centre;
                        s.scrollX = static_cast<int16_t>(sx);
                        s.scrollY = static_cast<int16_t>(sy);
                        SCOPED_TRACE(::testing::Message() << centre << " " << cw << "x" << ch
                                                          << " +" << sx << "+" << sy);
                        ExpectExactCover(ComputePaintLayout(cw, ch, false), cw, ch);
                    }
}

TEST_F(PaintLayoutTest, EmptyClientAreaGivesNothingToPaint) {
    Bitmap(1300, 1030);
    const PaintLayout l = ComputePaintLayout(0, 0, false);
    EXPECT_EQ(l.target.width * l.target.height, 0);
    EXPECT_TRUE(l.backgroundStrips.empty());
}

}  // namespace
}  // namespace vexa
