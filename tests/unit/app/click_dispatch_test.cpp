#include "app/click_dispatch.h"
#include "processing/photometry.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

constexpr const char* kOutside = "Sorry, outside Image area - try again";
constexpr const char* kFindCentreFailed = "Find centre failed - outside image area";

class ClickDispatchTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    test::FakeUi& ui = fixture.ui;

    void Put(int column, int row, uint16_t value) {
        s.currentImage[row * s.geometry.width + column] = value;
    }
    void UseHalfGeometry() {
        s.geometryMode = 1;
        ApplyGeometry();
    }
    // True when the click was refused with "outside Image area".
    bool RefusedOutside(size_t before) const {
        return ui.messages.size() == before + 1 && ui.messages.back().text == kOutside;
    }
    void EnterPick(int16_t radius) {
        s.settings.guideStarMaskRadius = radius;
        CmdPickGuideStar();
        ASSERT_TRUE(s.pickGuideStarMode);
    }
};

// ---- mode checks and bounds ----

TEST_F(ClickDispatchTest, ClickWithoutModeIsIgnoredButClearsThePickedFlag) {
    s.guideStarPicked = 1;
    OnLeftButtonUp(100, 100);
    EXPECT_EQ(s.guideStarPicked, 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ClickDispatchTest, PhotometryClickAtXZeroIsOutsideAndChangesNothing) {
    ASSERT_TRUE(StartPhotometryMode());
    s.objectTotal = 5;
    OnLeftButtonUp(0, 100);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "VEXA_Q4_USB");
    EXPECT_EQ(ui.messages[0].text, kOutside);
    EXPECT_EQ(s.objectTotal, 5);
    EXPECT_EQ(ui.photometryRedraws, 0);
}

TEST_F(ClickDispatchTest, PhotometryAcceptsExactlyTheBoxInsideTheImage) {
    ASSERT_TRUE(StartPhotometryMode());  // b = 4
    for (auto [x, y, accepted] : std::vector<std::tuple<int, int, bool>>{{4, 4, true},
                                                                         {3, 100, false},
                                                                         {100, 3, false},
                                                                         {1295, 1025, true},
                                                                         {1296, 100, false},
                                                                         {100, 1026, false},
                                                                         {-5, -5, false},
                                                                         {1 << 30, 5, false}}) {
        const size_t before = ui.messages.size();
        OnLeftButtonUp(x, y);
        EXPECT_EQ(RefusedOutside(before), !accepted) << x << "," << y;
    }
}

TEST_F(ClickDispatchTest, HalfGeometryPhotometryBoundsUseTheBinnedImage) {
    UseHalfGeometry();
    ASSERT_TRUE(StartPhotometryMode());
    Put(645, 510, 9);
    size_t before = ui.messages.size();
    OnLeftButtonUp(645, 510);
    EXPECT_FALSE(RefusedOutside(before));
    EXPECT_EQ(s.objectTotal, 9);
    before = ui.messages.size();
    OnLeftButtonUp(646, 510);
    EXPECT_TRUE(RefusedOutside(before));
    before = ui.messages.size();
    OnLeftButtonUp(645, 511);
    EXPECT_TRUE(RefusedOutside(before));
}

TEST_F(ClickDispatchTest, PickModeAcceptsXFrom33ToLastColumnPlus17) {
    EnterPick(8);
    size_t before = ui.messages.size();
    OnLeftButtonUp(32, 100);
    EXPECT_TRUE(RefusedOutside(before));
    before = ui.messages.size();
    OnLeftButtonUp(1317, 100);
    EXPECT_TRUE(RefusedOutside(before));
    before = ui.messages.size();
    OnLeftButtonUp(100, 32);
    EXPECT_TRUE(RefusedOutside(before));
    before = ui.messages.size();
    OnLeftButtonUp(100, 1047);
    EXPECT_TRUE(RefusedOutside(before));

    // At the right end the click is accepted, but the finder's square leaves the image.
    before = ui.messages.size();
    OnLeftButtonUp(1316, 100);
    ASSERT_EQ(ui.messages.size(), before + 1);
    EXPECT_EQ(ui.messages.back().caption, "Vexa_Q4_USB  - Find Centre");
    EXPECT_EQ(ui.messages.back().text, kFindCentreFailed);
    EXPECT_EQ(s.guideStarPicked, 0);
    EXPECT_TRUE(ui.pointerMoves.empty());
}

// ---- pick guide star ----

TEST_F(ClickDispatchTest, PickOnFlatImageWalksSevenPixelsUpLeftEachPass) {
    EnterPick(8);
    OnLeftButtonUp(33, 100);  // flat: each pass finds (x - h + 1, y - h + 1)
    EXPECT_EQ(ui.pointerMoves, (std::vector<std::pair<int, int>>{{-7, -7}, {-7, -7}, {-7, -7}}));
    EXPECT_EQ(s.guideStarX, 12);
    EXPECT_EQ(s.guideStarY, 79);
    EXPECT_EQ(s.guideStarPicked, 1);
}

TEST_F(ClickDispatchTest, PickSnapsOntoTheStarReportsAndRepaints) {
    Put(500, 300, 20000);
    s.guideStarFound = false;
    EnterPick(8);
    EXPECT_TRUE(s.snapToStar);
    EXPECT_EQ(s.measureBoxHalfSize, 8);
    OnLeftButtonUp(497, 302);
    EXPECT_EQ(ui.pointerMoves, (std::vector<std::pair<int, int>>{{3, -2}, {0, 0}, {0, 0}}));
    EXPECT_EQ(s.guideStarX, 500);
    EXPECT_EQ(s.guideStarY, 300);
    EXPECT_EQ(s.guideStarPicked, 1);
    EXPECT_TRUE(s.guideStarFound);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "x position =   500\ny position =   300");
    EXPECT_EQ(ui.repaints, 1);
    EXPECT_FALSE(s.snapToStar);
    EXPECT_TRUE(s.pickGuideStarMode);  // the mode stays on
}

TEST_F(ClickDispatchTest, PickWithScrollOffsetsUsesImageCoordinates) {
    Put(500, 300, 20000);
    s.scrollX = 100;
    s.scrollY = 50;
    EnterPick(8);
    OnLeftButtonUp(397, 252);
    EXPECT_EQ(s.guideStarX, 500);
    EXPECT_EQ(s.guideStarY, 300);
    EXPECT_EQ(ui.pointerMoves.front(), std::make_pair(3, -2));
}

TEST_F(ClickDispatchTest, EveryPickClickSnapsNotOnlyTheFirst) {
    Put(500, 300, 20000);
    Put(800, 600, 30000);
    EnterPick(8);
    OnLeftButtonUp(497, 302);
    EXPECT_EQ(s.guideStarX, 500);
    OnLeftButtonUp(803, 598);  // snapToStar was cleared by the first click
    EXPECT_EQ(s.guideStarX, 800);
    EXPECT_EQ(s.guideStarY, 600);
    EXPECT_EQ(ui.messages.back().text, "x position =   800\ny position =   600");
}

TEST_F(ClickDispatchTest, FailedSnapPassKeepsTheLastGoodPoint) {
    // Pass 1 walks to the star on the last column; pass 2 from there leaves the image.
    Put(1299, 100, 20000);
    EnterPick(8);
    OnLeftButtonUp(1291, 100);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, kFindCentreFailed);
    EXPECT_EQ(ui.messages[1].text, "x position =  1299\ny position =   100");
    EXPECT_EQ(ui.pointerMoves, (std::vector<std::pair<int, int>>{{8, 0}}));
    EXPECT_EQ(s.guideStarX, 1299);
    EXPECT_EQ(s.guideStarPicked, 1);
}

TEST_F(ClickDispatchTest, PickCommandRefusedWhileFittedOrCentred) {
    s.fitToWindow = true;
    CmdPickGuideStar();
    EXPECT_FALSE(s.pickGuideStarMode);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Sorry. Cannot Pick Star in ths display mode");
    s.fitToWindow = false;
    s.centreImage = true;
    CmdPickGuideStar();
    EXPECT_FALSE(s.pickGuideStarMode);
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(ClickDispatchTest, PickCommandToggles) {
    s.settings.guideStarMaskRadius = 6;
    CmdPickGuideStar();
    EXPECT_TRUE(s.pickGuideStarMode);
    EXPECT_TRUE(s.snapToStar);
    EXPECT_EQ(s.measureBoxHalfSize, 6);
    EXPECT_EQ(ui.cursors.back(), CursorKind::Cross);
    CmdPickGuideStar();
    EXPECT_FALSE(s.pickGuideStarMode);
    EXPECT_FALSE(s.snapToStar);
    EXPECT_EQ(ui.cursors.back(), CursorKind::Arrow);
}

// ---- focus frame centre ----

TEST_F(ClickDispatchTest, FocusClickNearTopLeftGivesCornerThreeOne) {
    CmdFocusFrameCentre();
    EXPECT_TRUE(s.focusCentrePickMode);
    EXPECT_FALSE(s.snapToStar);
    EXPECT_EQ(ui.cursors.back(), CursorKind::Cross);
    OnLeftButtonUp(10, 10);
    EXPECT_EQ(s.focusWindowX, 3);
    EXPECT_EQ(s.focusWindowY, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "x position =    67\ny position =    65");
    EXPECT_FALSE(s.focusCentrePickMode);
    EXPECT_EQ(ui.cursors.back(), CursorKind::Arrow);
}

TEST_F(ClickDispatchTest, FocusClickPlacementRule) {
    struct Case {
        int X, Y, fx, fy;
    };
    for (const Case& c : std::vector<Case>{{66, 64, 3, 1},
                                           {67, 65, 2, 1},
                                           {500, 400, 435, 336},
                                           {1235, 965, 1170, 901},
                                           {1236, 966, 1235, 965},
                                           {1299, 1029, 1235, 965}}) {
        CmdFocusFrameCentre();
        OnLeftButtonUp(c.X, c.Y);
        EXPECT_EQ(s.focusWindowX, c.fx) << c.X;
        EXPECT_EQ(s.focusWindowY, c.fy) << c.Y;
    }
}

TEST_F(ClickDispatchTest, FocusClickUsesScrollAndHalfGeometry) {
    UseHalfGeometry();
    s.scrollX = 100;
    s.scrollY = 20;
    CmdFocusFrameCentre();
    OnLeftButtonUp(500, 480);  // X = 600 > 585, Y = 500 > 450
    EXPECT_EQ(s.focusWindowX, 585);
    EXPECT_EQ(s.focusWindowY, 450);
    EXPECT_EQ(ui.messages.back().text, "x position =   649\ny position =   514");
}

TEST_F(ClickDispatchTest, FocusClickWhilePickingDoesNotSnapAndNextPickDoes) {
    Put(500, 300, 20000);
    EnterPick(8);
    CmdFocusFrameCentre();
    OnLeftButtonUp(497, 302);
    EXPECT_TRUE(ui.pointerMoves.empty());
    EXPECT_EQ(s.focusWindowX, 432);
    EXPECT_EQ(s.focusWindowY, 238);
    EXPECT_EQ(s.guideStarPicked, 0);
    EXPECT_EQ(ui.cursors.back(), CursorKind::Cross);  // still picking
    OnLeftButtonUp(497, 302);
    EXPECT_EQ(s.guideStarX, 500);
    EXPECT_EQ(s.guideStarY, 300);
}

TEST_F(ClickDispatchTest, DefaultFocusFrameCentre) {
    s.focusWindowX = 3;
    s.focusWindowY = 1;
    CmdDefaultFocusFrameCentre();
    EXPECT_EQ(s.focusWindowX, 586);
    EXPECT_EQ(s.focusWindowY, 451);
}

// ---- row plot and merging ----

TEST_F(ClickDispatchTest, RowPlotSelectsTheScrolledRow) {
    s.rowPlotMode = true;
    s.scrollY = 20;
    OnLeftButtonUp(5, 100);
    EXPECT_EQ(s.selectedRow, 120);
    EXPECT_EQ(ui.rowPlotRedraws, 1);
    s.scrollY = 1000;  // row 1100 lies below the image
    const size_t before = ui.messages.size();
    OnLeftButtonUp(5, 100);
    EXPECT_TRUE(RefusedOutside(before));
    EXPECT_EQ(s.selectedRow, 120);
}

TEST_F(ClickDispatchTest, MergingMarksFirstOrSecondPoint) {
    s.mergingMode = true;
    s.scrollX = 10;
    s.scrollY = 5;
    OnLeftButtonUp(40, 50);
    EXPECT_EQ(s.mergeX1, 50);
    EXPECT_EQ(s.mergeY1, 55);
    s.mergeSecondPoint = true;
    OnLeftButtonUp(60, 70);
    EXPECT_EQ(s.mergeX2, 70);
    EXPECT_EQ(s.mergeY2, 75);
    EXPECT_EQ(s.mergeX1, 50);
    EXPECT_EQ(ui.mergeRedraws, 2);
}

// ---- photometry ----

TEST_F(ClickDispatchTest, PhotometrySumsTheMaskIntoTheChosenTarget) {
    ASSERT_TRUE(StartPhotometryMode());
    s.measureBoxHalfSize = 1;
    for (int row = 99; row <= 101; ++row)
        for (int column = 199; column <= 201; ++column) Put(column, row, 1000);
    Put(202, 100, 50000);  // just outside the 3 x 3 mask
    OnLeftButtonUp(200, 100);
    EXPECT_EQ(s.objectTotal, 9000);
    EXPECT_EQ(s.objectX, 200);
    EXPECT_EQ(s.objectY, 100);
    s.photometryTarget = 'c';
    OnLeftButtonUp(201, 100);
    EXPECT_EQ(s.comparisonTotal, 56000);
    EXPECT_EQ(s.comparisonX, 201);
    s.photometryTarget = 'b';
    s.scrollX = 100;
    OnLeftButtonUp(100, 100);
    EXPECT_EQ(s.skyTotal, 9000);
    EXPECT_EQ(s.skyX, 200);
    EXPECT_EQ(s.objectTotal, 9000);
    EXPECT_EQ(ui.photometryRedraws, 3);
}

TEST_F(ClickDispatchTest, RightClickSnapsThenMeasures) {
    Put(200, 150, 20000);
    ASSERT_TRUE(StartPhotometryMode());
    OnRightButtonUp(202, 149);
    EXPECT_EQ(s.objectX, 200);
    EXPECT_EQ(s.objectY, 150);
    EXPECT_EQ(s.objectTotal, 20000);
    EXPECT_EQ(ui.pointerMoves.front(), std::make_pair(-2, 1));
    EXPECT_FALSE(s.snapToStar);
    // A plain left click does not snap.
    OnLeftButtonUp(202, 149);
    EXPECT_EQ(s.objectX, 202);
    EXPECT_EQ(ui.pointerMoves.size(), 3u);
}

TEST_F(ClickDispatchTest, RightClickOutsidePhotometryDoesNothing) {
    s.rowPlotMode = true;
    OnRightButtonUp(10, 10);
    EXPECT_EQ(ui.rowPlotRedraws, 0);
    EXPECT_FALSE(s.snapToStar);
}

TEST_F(ClickDispatchTest, SnapToEdgeThenMaskOutsideIsRefused) {
    Put(1, 100, 20000);
    ASSERT_TRUE(StartPhotometryMode());
    OnRightButtonUp(4, 100);  // pass 1 finds column 1; pass 2 cannot fit its square
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, kFindCentreFailed);
    EXPECT_EQ(ui.messages[1].text, kOutside);
    EXPECT_EQ(s.objectTotal, 0);
    EXPECT_EQ(ui.photometryRedraws, 0);
}

TEST_F(ClickDispatchTest, ScrollOffsetsNeverLeadOutsideThePlane) {
    ASSERT_TRUE(StartPhotometryMode());
    s.scrollY = 32000;
    size_t before = ui.messages.size();
    OnLeftButtonUp(100, 1000);
    EXPECT_TRUE(RefusedOutside(before));
    s.scrollY = 0;
    s.scrollX = 32000;
    before = ui.messages.size();
    OnLeftButtonUp(100, 100);
    EXPECT_TRUE(RefusedOutside(before));
    OnMouseMove(100, 100);
    EXPECT_EQ(ui.photometryRedraws, 0);
}

TEST_F(ClickDispatchTest, MouseMoveReportsTheSampleUnderThePointer) {
    Put(15, 25, 4321);
    OnMouseMove(10, 20);  // not in photometry
    EXPECT_EQ(ui.photometryRedraws, 0);
    ASSERT_TRUE(StartPhotometryMode());
    s.scrollX = 5;
    s.scrollY = 5;
    OnMouseMove(10, 20);
    EXPECT_EQ(s.cursorX, 15);
    EXPECT_EQ(s.cursorY, 25);
    EXPECT_EQ(s.cursorValue, 4321);
    EXPECT_EQ(ui.photometryRedraws, 1);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{1, 20}, {1299, 20}, {10, 1}, {10, 1029}}) {
        OnMouseMove(x, y);
    }
    EXPECT_EQ(ui.photometryRedraws, 1);
}

TEST_F(ClickDispatchTest, PhotometryRefusals) {
    s.mergingMode = true;
    EXPECT_FALSE(StartPhotometryMode());
    EXPECT_EQ(ui.LastText(),
              "Sorry, you cannot run Photometry, Row Plot and Merging at the same time");
    s.mergingMode = false;
    s.rowPlotMode = true;
    s.fitToWindow = true;  // the mode clash is reported first
    EXPECT_FALSE(StartPhotometryMode());
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.LastText(),
              "Sorry, you cannot run Photometry, Row Plot and Merging at the same time");
    s.rowPlotMode = false;
    EXPECT_FALSE(StartPhotometryMode());
    EXPECT_EQ(ui.LastText().rfind("Sorry, Photometry only available in standard Geometry.", 0), 0u);
    s.fitToWindow = false;
    s.centreImage = true;
    EXPECT_FALSE(StartPhotometryMode());
    EXPECT_EQ(ui.messages.size(), 4u);
    EXPECT_FALSE(s.photometryMode);
    s.centreImage = false;

    s.objectTotal = s.comparisonTotal = s.skyTotal = 3;
    s.objectX = s.skyY = s.comparisonX = 4;
    s.skyMeasured = true;
    s.measureBoxHalfSize = 8;
    EXPECT_TRUE(StartPhotometryMode());
    EXPECT_TRUE(s.photometryMode);
    EXPECT_EQ(s.measureBoxHalfSize, 4);
    EXPECT_EQ(s.objectTotal + s.comparisonTotal + s.skyTotal, 0);
    EXPECT_EQ(s.objectX + s.skyY + s.comparisonX, 0);
    EXPECT_FALSE(s.skyMeasured);
    EXPECT_EQ(ui.cursors.back(), CursorKind::Cross);
    EXPECT_FALSE(StartPhotometryMode());
    EXPECT_EQ(ui.LastText(),
              "Sorry, you are already in Photometry mode. Click left Mouse button when on object "
              "you wish to measure");
}

// Clicks and moves anywhere, in every mode combination and geometry, with scroll offsets and
// odd box sizes: the sanitizer build proves no read outside the planes.
TEST_F(ClickDispatchTest, NoClickAnywhereReadsOutsideThePlanes) {
    const std::vector<int> coordinates = {-100000, -1,   0,    1,    2,    8,    33,
                                          64,      127,  128,  514,  515,  649,  650,
                                          1029,    1030, 1299, 1300, 1316, 40000};
    const std::vector<std::pair<int16_t, int16_t>> scrolls = {{0, 0}, {100, 50}, {32767, 32767}};
    const std::vector<int32_t> boxes = {-3, 0, 4, 8, 600};
    for (int geometry = 0; geometry < 2; ++geometry) {
        for (int modes = 1; modes < 64; ++modes) {
            for (auto [sx, sy] : scrolls) {
                for (int32_t box : boxes) {
                    s.geometryMode = geometry;
                    ApplyGeometry();
                    s.photometryMode = modes & 1;
                    s.rowPlotMode = modes & 2;
                    s.mergingMode = modes & 4;
                    s.pickGuideStarMode = modes & 8;
                    s.smallFrameDisplay = modes & 16;
                    s.scrollX = sx;
                    s.scrollY = sy;
                    s.measureBoxHalfSize = box;
                    for (int x : coordinates) {
                        for (int y : {-5, 0, 40, 120, 514, 1029, 1047, 70000}) {
                            s.focusCentrePickMode = modes & 32;
                            s.snapToStar = true;
                            OnLeftButtonUp(x, y);
                            OnRightButtonUp(x, y);
                            OnMouseMove(x, y);
                        }
                    }
                    ui.messages.clear();
                    ui.pointerMoves.clear();
                }
            }
        }
    }
    SUCCEED();
}

}  // namespace
}  // namespace vexa
