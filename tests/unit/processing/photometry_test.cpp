#include "processing/photometry.h"

#include <gtest/gtest.h>

#include "app/click_dispatch.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace id = photometry_id;

class PhotometryTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    PhotometryDialogModel& dialog = ThePhotometryDialog();

    void Fill(int left, int top, int right, int bottom, uint16_t value) {
        for (int row = top; row <= bottom; ++row)
            for (int column = left; column <= right; ++column)
                s.currentImage[row * s.geometry.width + column] = value;
    }
    void Put(int column, int row, uint16_t value) {
        s.currentImage[row * s.geometry.width + column] = value;
    }
    // A star of one bright pixel with four half-bright neighbours on a sky of 1000.
    void Star(int column, int row, uint16_t peak, uint16_t neighbour) {
        Put(column, row, peak);
        Put(column - 1, row, neighbour);
        Put(column + 1, row, neighbour);
        Put(column, row - 1, neighbour);
        Put(column, row + 1, neighbour);
    }
    void StartPhotometry() {
        CmdPhotometry();
        ASSERT_TRUE(s.photometryMode);
        ASSERT_EQ(fixture.ui.openPhotometryDialog, &dialog);
    }
    void Measure(int controlId, int x, int y) {
        dialog.Choose(controlId);
        OnLeftButtonUp(x, y);
    }
};

TEST_F(PhotometryTest, ObjectTwiceTheComparisonOverBlackSkyIsMinusPointSevenFive) {
    Fill(90, 90, 110, 110, 2000);
    Fill(290, 90, 310, 110, 1000);
    StartPhotometry();
    EXPECT_EQ(s.measureBoxHalfSize, 4);
    EXPECT_EQ(dialog.CheckedMaskId(), id::kMask9);
    Measure(id::kObject, 100, 100);
    Measure(id::kComparison, 300, 100);
    Measure(id::kBackground, 600, 600);
    EXPECT_EQ(s.objectTotal, 2000 * 81);
    EXPECT_EQ(s.comparisonTotal, 1000 * 81);
    EXPECT_EQ(dialog.Text(id::kObjectValue), "   2000");
    EXPECT_EQ(dialog.Text(id::kComparisonValue), "   1000");
    EXPECT_EQ(dialog.Text(id::kBackgroundValue), "      0");
    EXPECT_EQ(dialog.Text(id::kMagnitude), "-0.75");
    EXPECT_EQ(dialog.Text(id::kObjectX), "100");
    EXPECT_EQ(dialog.Text(id::kObjectY), "100");
    EXPECT_EQ(dialog.Text(id::kComparisonX), "300");
    EXPECT_EQ(dialog.Text(id::kComparisonY), "100");
    EXPECT_EQ(dialog.Text(id::kSkyX), "600");
    EXPECT_EQ(dialog.Text(id::kSkyY), "600");
    // Swapped stars give the opposite sign.
    Measure(id::kObject, 300, 100);
    Measure(id::kComparison, 100, 100);
    EXPECT_EQ(dialog.Text(id::kMagnitude), "0.75");
}

TEST_F(PhotometryTest, BackgroundShowsDisplayLevelUntilBackgroundIsChosenThenZero) {
    s.backgroundLevel = 12;
    StartPhotometry();
    EXPECT_EQ(dialog.Text(id::kBackgroundValue), "   3072");
    EXPECT_EQ(dialog.CheckedTargetId(), id::kObject);
    EXPECT_TRUE(dialog.Choose(id::kBackground));
    EXPECT_TRUE(s.skyMeasured);
    EXPECT_EQ(s.photometryTarget, 'b');
    EXPECT_EQ(dialog.CheckedTargetId(), id::kBackground);
    EXPECT_EQ(dialog.Text(id::kBackgroundValue), "      0");
    // Going back to the object keeps the measured background.
    dialog.Choose(id::kObject);
    EXPECT_TRUE(s.skyMeasured);
    EXPECT_EQ(dialog.Text(id::kBackgroundValue), "      0");
}

TEST_F(PhotometryTest, EveryMaskChoiceClearsTheThreeMeasurementsAndTheMagnitude) {
    Fill(90, 90, 110, 110, 2000);
    Fill(290, 90, 310, 110, 1000);
    Fill(590, 590, 610, 610, 100);
    StartPhotometry();
    const struct {
        int id;
        int32_t halfSize;
    } masks[] = {{id::kMask1, 0}, {id::kMask5, 2},  {id::kMask7, 3},
                 {id::kMask9, 4}, {id::kMask13, 6}, {id::kMask17, 8}};
    for (const auto& mask : masks) {
        Measure(id::kObject, 100, 100);
        Measure(id::kComparison, 300, 100);
        Measure(id::kBackground, 600, 600);
        ASSERT_NE(dialog.Text(id::kMagnitude), "");
        EXPECT_TRUE(dialog.Choose(mask.id));
        EXPECT_EQ(s.measureBoxHalfSize, mask.halfSize);
        EXPECT_EQ(dialog.CheckedMaskId(), mask.id);
        EXPECT_EQ(s.objectTotal, 0);
        EXPECT_EQ(s.comparisonTotal, 0);
        EXPECT_EQ(s.skyTotal, 0);
        for (int edit = id::kObjectX; edit <= id::kSkyY; ++edit) EXPECT_EQ(dialog.Text(edit), "0");
        EXPECT_EQ(dialog.Text(id::kObjectValue), "      0");
        EXPECT_EQ(dialog.Text(id::kComparisonValue), "      0");
        EXPECT_EQ(dialog.Text(id::kBackgroundValue), "      0");
        EXPECT_EQ(dialog.Text(id::kMagnitude), "");
    }
    // Measured again with the 17-pixel mask: means of the new squares.
    Measure(id::kObject, 100, 100);
    EXPECT_EQ(s.objectTotal, 2000 * 289);
    EXPECT_EQ(dialog.Text(id::kObjectValue), "   2000");
}

TEST_F(PhotometryTest, MagnitudeIsEmptyUnlessBothStarsAreMeasuredAboveTheSky) {
    s.measureBoxHalfSize = 4;
    PhotometryDialogModel model(s);
    EXPECT_EQ(model.Text(id::kMagnitude), "");
    s.objectTotal = 162000;
    EXPECT_EQ(model.Text(id::kMagnitude), "");  // comparison missing
    s.objectTotal = 0;
    s.comparisonTotal = 81000;
    EXPECT_EQ(model.Text(id::kMagnitude), "");  // object missing
    s.objectTotal = 162000;
    s.skyTotal = 81000;
    EXPECT_EQ(model.Text(id::kMagnitude), "");  // sky as bright as the comparison star
    s.skyTotal = 200000;
    EXPECT_EQ(model.Text(id::kMagnitude), "");  // sky brighter than both
    s.skyTotal = 80999;
    // (162000 - 80999) / (81000 - 80999) = 81001: -2.5 log10 = -12.2717...
    EXPECT_EQ(model.Text(id::kMagnitude), "-12.27");
    s.skyTotal = 40500;
    // 121500 / 40500 = 3: -2.5 log10(3) = -1.19280...
    EXPECT_EQ(model.Text(id::kMagnitude), "-1.19");
}

TEST_F(PhotometryTest, MeansTruncateAndUseTheFieldWidths) {
    s.measureBoxHalfSize = 4;
    s.objectTotal = 80;  // below one per pixel
    s.comparisonTotal = 65535 * 81;
    s.skyMeasured = true;
    s.skyTotal = 162;
    s.cursorX = 1299;
    s.cursorY = 0;
    s.cursorValue = 65535;
    PhotometryDialogModel model(s);
    EXPECT_EQ(model.Text(id::kObjectValue), "      0");
    EXPECT_EQ(model.Text(id::kComparisonValue), "  65535");
    EXPECT_EQ(model.Text(id::kBackgroundValue), "      2");
    EXPECT_EQ(model.Text(id::kCursorX), "1299");
    EXPECT_EQ(model.Text(id::kCursorY), "0");
    EXPECT_EQ(model.Text(id::kCursorValue), " 65535");
    EXPECT_EQ(model.Text(9999), "");
    // A mask half-size outside the list (a guide-star radius) still divides by its area.
    s.measureBoxHalfSize = 11;
    s.comparisonTotal = 529 * 7;
    EXPECT_EQ(model.Text(id::kComparisonValue), "      7");
    EXPECT_EQ(model.CheckedMaskId(), id::kMask1);
    s.measureBoxHalfSize = -3;  // never a division by zero, whatever the field holds
    EXPECT_EQ(MaskArea(-3), 25);
    EXPECT_EQ(MaskArea(32767), int64_t{65535} * 65535);
}

TEST_F(PhotometryTest, TargetRadiosAndUnknownControls) {
    PhotometryDialogModel model(s);
    EXPECT_TRUE(model.Choose(id::kComparison));
    EXPECT_EQ(s.photometryTarget, 'c');
    EXPECT_EQ(model.CheckedTargetId(), id::kComparison);
    EXPECT_FALSE(s.skyMeasured);
    s.photometryTarget = 'x';
    EXPECT_EQ(model.CheckedTargetId(), id::kBackground);
    s.measureBoxHalfSize = 4;
    s.objectTotal = 5;
    EXPECT_FALSE(model.Choose(104));  // an edit, not a button
    EXPECT_FALSE(model.Choose(0));
    EXPECT_EQ(s.measureBoxHalfSize, 4);
    EXPECT_EQ(s.objectTotal, 5);
    EXPECT_EQ(s.photometryTarget, 'x');
}

TEST_F(PhotometryTest, RightClickSnapsInThreePassesThenMeasuresTheStar) {
    Fill(380, 280, 620, 520, 1000);
    Star(400, 300, 30000, 10000);
    Star(600, 300, 20000, 5000);
    StartPhotometry();
    dialog.Choose(id::kObject);
    // Square 399..407 x 298..306: background trunc(62 x 16.64) = 1031, centroid (1.0, 2.0).
    OnRightButtonUp(403, 302);
    ASSERT_EQ(fixture.ui.pointerMoves.size(), 3u);
    EXPECT_EQ(fixture.ui.pointerMoves[0], std::make_pair(-3, -2));
    EXPECT_EQ(fixture.ui.pointerMoves[1], std::make_pair(0, 0));
    EXPECT_EQ(s.objectX, 400);
    EXPECT_EQ(s.objectY, 300);
    EXPECT_EQ(s.objectTotal, 76 * 1000 + 30000 + 4 * 10000);
    EXPECT_EQ(dialog.Text(id::kObjectValue), "   1802");
    EXPECT_FALSE(s.snapToStar);
    // A left click afterwards measures where it lands.
    dialog.Choose(id::kComparison);
    OnLeftButtonUp(598, 301);
    EXPECT_EQ(s.comparisonX, 598);
    EXPECT_EQ(s.comparisonTotal, 76 * 1000 + 20000 + 4 * 5000);
    EXPECT_EQ(s.comparisonY, 301);
    // Square 594..602 x 297..305: centroid (5.99985, 2.99994) rounds onto the star.
    OnRightButtonUp(598, 301);
    EXPECT_EQ(s.comparisonX, 600);
    EXPECT_EQ(s.comparisonY, 300);
    EXPECT_EQ(s.comparisonTotal, 76 * 1000 + 20000 + 4 * 5000);
    dialog.Choose(id::kBackground);
    OnLeftButtonUp(500, 500);
    EXPECT_EQ(dialog.Text(id::kBackgroundValue), "   1000");
    // -2.5 log10((146000 - 81000) / (116000 - 81000)) = -0.67203...
    EXPECT_EQ(dialog.Text(id::kMagnitude), "-0.67");
    EXPECT_TRUE(fixture.ui.messages.empty());
    EXPECT_GE(fixture.ui.photometryRedraws, 4);
}

TEST_F(PhotometryTest, RightClickOnFlatSkyWalksUpLeftAndMeasuresThere) {
    Fill(0, 0, 1299, 1029, 500);
    StartPhotometry();
    // Flat square: each pass moves to (x - b + 1, y - b + 1), three passes 9 pixels.
    OnRightButtonUp(200, 200);
    EXPECT_EQ(s.objectX, 191);
    EXPECT_EQ(s.objectY, 191);
    EXPECT_EQ(dialog.Text(id::kObjectValue), "    500");
}

TEST_F(PhotometryTest, RightClickNearTheEdgeKeepsTheLastGoodPointAndNeverCrashes) {
    Fill(0, 0, 1299, 1029, 65535);
    StartPhotometry();
    // Saturated flat image near the top-left corner: pass 1 from (4, 4) goes to (1, 1);
    // pass 2 no longer fits and says so; the mask there is outside as well.
    OnRightButtonUp(4, 4);
    ASSERT_EQ(fixture.ui.messages.size(), 2u);
    EXPECT_EQ(fixture.ui.messages[0].text, "Find centre failed - outside image area");
    EXPECT_EQ(fixture.ui.messages[1].text, "Sorry, outside Image area - try again");
    EXPECT_EQ(s.objectTotal, 0);
    // Far outside: refused before any search.
    for (auto [x, y] : {std::pair{-5, 10}, {10, -5}, {1296, 100}, {100, 1026}, {100000, 100000}}) {
        fixture.ui.messages.clear();
        OnRightButtonUp(x, y);
        ASSERT_EQ(fixture.ui.messages.size(), 1u);
        EXPECT_EQ(fixture.ui.messages[0].text, "Sorry, outside Image area - try again");
    }
    // The bottom-right corner of a saturated image: snapping walks up-left and measures.
    fixture.ui.messages.clear();
    OnRightButtonUp(1295, 1025);
    EXPECT_TRUE(fixture.ui.messages.empty());
    EXPECT_EQ(s.objectX, 1286);
    EXPECT_EQ(s.objectY, 1016);
    EXPECT_EQ(dialog.Text(id::kObjectValue), "  65535");
}

TEST_F(PhotometryTest, MouseMoveShowsTheCursorFields) {
    Put(321, 123, 4321);
    StartPhotometry();
    OnMouseMove(321, 123);
    EXPECT_EQ(dialog.Text(id::kCursorX), "321");
    EXPECT_EQ(dialog.Text(id::kCursorY), "123");
    EXPECT_EQ(dialog.Text(id::kCursorValue), "  4321");
}

TEST_F(PhotometryTest, CommandRefusalsOpenNoDialog) {
    s.mergingMode = true;
    CmdPhotometry();
    EXPECT_EQ(fixture.ui.LastText(),
              "Sorry, you cannot run Photometry, Row Plot and Merging at the same time");
    s.mergingMode = false;
    s.rowPlotMode = true;
    CmdPhotometry();
    EXPECT_EQ(fixture.ui.messages.size(), 2u);
    EXPECT_EQ(fixture.ui.LastText(), fixture.ui.messages[0].text);
    s.rowPlotMode = false;
    s.fitToWindow = true;
    CmdPhotometry();
    EXPECT_EQ(fixture.ui.LastText(),
              "Sorry, Photometry only available in standard Geometry. Ensure Image is not "
              "stretched to fit window or in TQ geometry.");
    s.fitToWindow = false;
    s.centreImage = true;
    CmdPhotometry();
    EXPECT_EQ(fixture.ui.messages.size(), 4u);
    s.centreImage = false;
    EXPECT_EQ(fixture.ui.photometryDialogsOpened, 0);
    EXPECT_FALSE(s.photometryMode);

    CmdPhotometry();
    EXPECT_EQ(fixture.ui.photometryDialogsOpened, 1);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Cross);
    CmdPhotometry();
    EXPECT_EQ(fixture.ui.LastText(),
              "Sorry, you are already in Photometry mode. Click left Mouse button when on "
              "object you wish to measure");
    EXPECT_EQ(fixture.ui.photometryDialogsOpened, 1);
}

TEST_F(PhotometryTest, CommandClearsEarlierMeasurementsAndFinishedLeavesTheMode) {
    s.objectTotal = 7;
    s.skyX = 9;
    s.skyMeasured = true;
    s.measureBoxHalfSize = 8;
    StartPhotometry();
    EXPECT_EQ(s.objectTotal, 0);
    EXPECT_EQ(s.skyX, 0);
    EXPECT_FALSE(s.skyMeasured);
    EXPECT_EQ(s.measureBoxHalfSize, 4);

    const int repaints = fixture.ui.repaints;
    EXPECT_FALSE(dialog.Choose(id::kFinished));
    EXPECT_FALSE(s.photometryMode);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Arrow);
    EXPECT_EQ(fixture.ui.repaints, repaints + 1);
    EXPECT_EQ(fixture.ui.photometryDialogsClosed, 1);
    EXPECT_EQ(fixture.ui.openPhotometryDialog, nullptr);
    // A second close (the close box after Finished) does nothing more.
    dialog.Finished();
    EXPECT_EQ(fixture.ui.photometryDialogsClosed, 1);
    // Clicks no longer measure.
    OnLeftButtonUp(100, 100);
    EXPECT_EQ(s.objectX, 0);
    // And photometry can start again.
    CmdPhotometry();
    EXPECT_TRUE(s.photometryMode);
}

TEST_F(PhotometryTest, DialogThatCannotOpenLeavesNoModeBehind) {
    fixture.ui.measureDialogsOpen = false;
    CmdPhotometry();
    EXPECT_FALSE(s.photometryMode);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Arrow);
    fixture.ui.measureDialogsOpen = true;
    CmdPhotometry();
    EXPECT_TRUE(s.photometryMode);
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(PhotometryTest, HelpShowsTheControlText) {
    EXPECT_FALSE(dialog.Choose(id::kHelp));
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, "Vexa_Q4_USB - Control Photometry");
    EXPECT_EQ(fixture.ui.messages[0].text,
              "Select the value you wish to record when you next press the left mouse button");
}

}  // namespace
}  // namespace vexa
