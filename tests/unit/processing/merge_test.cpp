// Merging two images: the command's refusals, the dialog's phases and buttons, and the shift,
// addition and averaging on small hand-checked cases.
#include "processing/merge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/click_dispatch.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

TEST(MergePlanes, PartnerInRowLOrColumnZeroCountsAsOutside) {
    constexpr int w = 6, h = 5;
    std::vector<uint16_t> second(w * h), first(w * h, 1);
    for (int k = 0; k < w * h; ++k) second[k] = static_cast<uint16_t>(100 + k);
    // dx = -2, dy = 1: first (y, x) takes second (y + 1, x - 2).
    MergePlanes(second.data(), first.data(), w, h, 0, -2, 1, false);
    EXPECT_EQ(first[0 * w + 3], 1 + 100 + 1 * w + 1);  // partner (1, 1)
    EXPECT_EQ(first[0 * w + 2], 1);                    // partner column 0: outside
    EXPECT_EQ(first[3 * w + 5], 1 + 100 + 4 * w + 3);  // partner (4, 3)
    EXPECT_EQ(first[4 * w + 5], 1);                    // partner row 5: outside
    // dy = -1 with L = 0: the partner of row 1 is row 0, which counts as outside.
    std::vector<uint16_t> again(w * h, 1);
    MergePlanes(second.data(), again.data(), w, h, 0, 0, -1, false);
    EXPECT_EQ(again[1 * w + 3], 1);
    EXPECT_EQ(again[2 * w + 3], 1 + 100 + 1 * w + 3);
}

TEST(MergePlanes, AdditionSaturatesAndAverageHalves) {
    std::vector<uint16_t> second{0, 0, 40000, 40000}, first{0, 0, 30000, 30000};
    std::vector<uint16_t> averaged = first;
    MergePlanes(second.data(), first.data(), 2, 2, 0, 0, 0, false);
    MergePlanes(second.data(), averaged.data(), 2, 2, 0, 0, 0, true);
    EXPECT_EQ(first[3], 65535);
    EXPECT_EQ(averaged[3], 35000);
    EXPECT_EQ(first[2], 30000);  // column 0 is never a partner
}

TEST(MergePlanes, ShiftEntirelyOutOfTheFrameKeepsTheFirstImage) {
    std::vector<uint16_t> second(12, 9), first(12, 1);
    for (int64_t shift : {3, -3, 100000, -100000}) {
        MergePlanes(second.data(), first.data(), 3, 4, 0, shift, 0, false);
        MergePlanes(second.data(), first.data(), 3, 4, 0, 0, shift * 2, false);
    }
    EXPECT_EQ(first, std::vector<uint16_t>(12, 1));
}

class MergeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int k = 0; k < kPlaneSamples; ++k) s.currentImage[k] = static_cast<uint16_t>(k % 1000);
        s.undoImage.fill(4242);
    }
    uint16_t At(const Plane& p, int row, int column) const {
        return p[static_cast<size_t>(row) * s.geometry.width + column];
    }
    // Start merging, mark (x1, y1), open a second image of value `second`, mark (x2, y2).
    void MarkAndOpen(int x1, int y1, int x2, int y2, uint16_t second) {
        StartMerge();
        s.mergeX1 = x1;
        s.mergeY1 = y1;
        PrepareMergeSecondImage();
        first = s.workImage;
        for (int k = 0; k < kPlaneSamples; ++k) s.currentImage[k] = second;
        s.mergeX2 = x2;
        s.mergeY2 = y2;
    }
    test::SessionFixture fixture;
    SessionState& s = Session();
    Plane first{};
};

TEST_F(MergeTest, CommandRefusesInTheDescribedOrder) {
    s.photometryMode = true;
    s.fitToWindow = true;
    StartMerge();
    EXPECT_EQ(fixture.ui.LastText(),
              "Sorry, you cannot run Photometry, Row Plot and Merging at the same time");
    s.photometryMode = false;
    s.rowPlotMode = true;
    StartMerge();
    EXPECT_EQ(fixture.ui.messages.size(), 2u);
    s.rowPlotMode = false;
    StartMerge();
    EXPECT_EQ(fixture.ui.LastText(),
              "Sorry, Merging only available in standard Geometry. Ensure Image is not stretched "
              "to fit window or in RQ geometry.");
    s.fitToWindow = false;
    s.centreImage = true;
    StartMerge();
    EXPECT_EQ(fixture.ui.messages.size(), 4u);
    s.centreImage = false;
    EXPECT_EQ(fixture.ui.mergeDialogsOpened, 0);
    EXPECT_FALSE(s.mergingMode);

    s.mergeSecondPoint = true;
    s.mergeAverage = true;
    s.mergeSuperimpose = true;
    s.mergeX1 = 5;
    s.mergeY2 = 6;
    StartMerge();
    EXPECT_TRUE(s.mergingMode);
    EXPECT_FALSE(s.mergeSecondPoint);
    EXPECT_FALSE(s.mergeAverage);
    EXPECT_TRUE(s.mergeSuperimpose);  // the command leaves Superimpose as it was
    EXPECT_EQ(s.mergeX1, 0);
    EXPECT_EQ(s.mergeY2, 0);
    EXPECT_EQ(fixture.ui.mergeDialogsOpened, 1);
    EXPECT_EQ(fixture.ui.openMergeDialog, &TheMergeDialog());
    StartMerge();
    EXPECT_EQ(fixture.ui.LastText(), "Sorry, you are already in Merging mode.");
    EXPECT_EQ(fixture.ui.mergeDialogsOpened, 1);
}

TEST_F(MergeTest, ClicksMarkTheFirstThenTheSecondImage) {
    StartMerge();
    s.scrollX = 10;
    s.scrollY = 20;
    OnLeftButtonUp(100, 50);
    EXPECT_EQ(s.mergeX1, 110);
    EXPECT_EQ(s.mergeY1, 70);
    PrepareMergeSecondImage();
    OnLeftButtonUp(103, 48);
    EXPECT_EQ(s.mergeX2, 113);
    EXPECT_EQ(s.mergeY2, 68);
    EXPECT_EQ(s.mergeX1, 110);
    EXPECT_GE(fixture.ui.mergeRedraws, 3);
}

TEST_F(MergeTest, DialogShowsThePhaseMarksAndBoxes) {
    StartMerge();
    MergeDialogModel& model = TheMergeDialog();
    EXPECT_EQ(model.Title(), "MERGE IMAGES");
    EXPECT_TRUE(model.OriginalImageChecked());
    EXPECT_FALSE(model.MergeImageChecked());
    s.mergeX1 = 12;
    s.mergeY1 = 34;
    PrepareMergeSecondImage();
    EXPECT_FALSE(model.OriginalImageChecked());
    EXPECT_TRUE(model.MergeImageChecked());
    EXPECT_EQ(model.X1Text(), "12");
    EXPECT_EQ(model.Y1Text(), "34");
    EXPECT_EQ(model.X2Text(), "0");
    const int redraws = fixture.ui.mergeRedraws;
    model.ToggleAverage();
    model.ToggleSuperimpose();
    EXPECT_TRUE(model.AverageChecked());
    EXPECT_TRUE(model.SuperimposeChecked());
    EXPECT_EQ(fixture.ui.mergeRedraws, redraws + 2);
    EXPECT_EQ(model.HelpCaption(), "Vexa_Q4_USB - Control Merging");
}

TEST_F(MergeTest, MergeBeforeTheSecondImageDoesNothing) {
    StartMerge();
    const Plane before = s.currentImage;
    EXPECT_FALSE(TheMergeDialog().Merge());
    EXPECT_TRUE(s.mergingMode);
    EXPECT_EQ(fixture.ui.mergeDialogsClosed, 0);
    EXPECT_EQ(s.currentImage, before);
}

TEST_F(MergeTest, OpeningTheSecondImageKeepsTheFirstInWorkImage) {
    s.workImage.fill(3);
    StartMerge();
    PrepareMergeSecondImage();
    EXPECT_TRUE(s.mergeSecondPoint);
    EXPECT_EQ(s.workImage[kFullSampleCount - 1], s.currentImage[kFullSampleCount - 1]);
    EXPECT_EQ(s.workImage[kFullSampleCount], 3);
}

TEST_F(MergeTest, MarksShiftTheSecondImageOntoTheFirst) {
    MarkAndOpen(100, 100, 103, 98, 0);
    // A recognisable second image: value = row * 10 + column at a few places.
    s.currentImage[48 * kFullWidth + 53] = 777;  // partner of first-image (50, 50)
    ASSERT_TRUE(TheMergeDialog().Merge());
    EXPECT_EQ(At(s.currentImage, 50, 50), At(first, 50, 50) + 777);
    EXPECT_EQ(At(s.currentImage, 51, 50), At(first, 51, 50));
    EXPECT_EQ(At(s.currentImage, 0, 10), At(first, 0, 10));  // partner row -2: outside
    EXPECT_EQ(s.workImage, s.currentImage);
    EXPECT_FALSE(s.mergingMode);
    EXPECT_EQ(fixture.ui.mergeDialogsClosed, 1);
    EXPECT_TRUE(s.pendingRefresh);
    EXPECT_EQ(s.undoImage[0], 4242);        // no undo copy
    EXPECT_EQ(s.historyLines[0][0], '\0');  // no history line
}

TEST_F(MergeTest, AdditionAndAverageOfWholeImages) {
    for (int k = 0; k < kPlaneSamples; ++k) s.currentImage[k] = 40000;
    MarkAndOpen(5, 5, 5, 5, 30000);
    TheMergeDialog().ToggleAverage();
    ASSERT_TRUE(TheMergeDialog().Merge());
    EXPECT_EQ(At(s.currentImage, 500, 500), 35000);
    EXPECT_EQ(At(s.currentImage, 500, 0), 40000);  // column 0 keeps the first image
    EXPECT_EQ(At(s.currentImage, 0, 500), 40000);  // row 0 too (partner in row L)
    EXPECT_FALSE(s.mergeAverage);

    for (int k = 0; k < kPlaneSamples; ++k) s.currentImage[k] = 40000;
    MarkAndOpen(5, 5, 5, 5, 30000);
    ASSERT_TRUE(TheMergeDialog().Merge());
    EXPECT_EQ(At(s.currentImage, 500, 500), 65535);
}

TEST_F(MergeTest, SuperimposeIgnoresTheMarks) {
    MarkAndOpen(100, 100, 400, 300, 1);
    TheMergeDialog().ToggleSuperimpose();
    ASSERT_TRUE(TheMergeDialog().Merge());
    EXPECT_EQ(At(s.currentImage, 700, 700), At(first, 700, 700) + 1);
    EXPECT_FALSE(s.mergeSuperimpose);
}

TEST_F(MergeTest, MarksThatShiftTheSecondImageOutOfTheFrame) {
    // dx = -1299, dy = -1029: every partner would lie left of column 1.
    MarkAndOpen(1299, 1029, 0, 0, 5);
    ASSERT_TRUE(TheMergeDialog().Merge());
    // Nothing lies inside: the first image comes back.
    EXPECT_TRUE(
        std::equal(first.begin(), first.begin() + kFullSampleCount, s.currentImage.begin()));
}

TEST_F(MergeTest, LabelOnEitherImageKeepsTheFirstTenRows) {
    s.currentImage[4] = 30;
    s.currentImage[5] = 4;  // the first image is labelled
    MarkAndOpen(5, 5, 5, 5, 2);
    ASSERT_TRUE(TheMergeDialog().Merge());
    EXPECT_EQ(At(s.currentImage, 9, 100), At(first, 9, 100));
    EXPECT_EQ(At(s.currentImage, 10, 100), At(first, 10, 100));  // partner row 10 = L
    EXPECT_EQ(At(s.currentImage, 11, 100), At(first, 11, 100) + 2);
}

TEST_F(MergeTest, CancelLeavesBothImages) {
    MarkAndOpen(5, 5, 7, 7, 9);
    TheMergeDialog().ToggleAverage();
    const Plane second = s.currentImage;
    TheMergeDialog().Cancel();
    EXPECT_FALSE(s.mergingMode);
    EXPECT_FALSE(s.mergeAverage);
    EXPECT_EQ(fixture.ui.mergeDialogsClosed, 1);
    EXPECT_EQ(s.currentImage, second);
    EXPECT_EQ(s.workImage, first);
    TheMergeDialog().Cancel();  // a second close (the close box after Cancel) does nothing
    EXPECT_EQ(fixture.ui.mergeDialogsClosed, 1);
}

TEST_F(MergeTest, SecondImageOfTheOtherGeometryIsNotMerged) {
    MarkAndOpen(5, 5, 5, 5, 9);
    s.geometryMode = 1;  // the second image was a Half file
    ApplyGeometry();
    EXPECT_FALSE(TheMergeDialog().Merge());
    EXPECT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.LastText().rfind("Sorry, Merging only available", 0), 0u);
    EXPECT_TRUE(s.mergingMode);
    EXPECT_EQ(s.workImage, first);
}

TEST_F(MergeTest, HalfGeometryMergeCopiesThePassLength) {
    s.geometryMode = 1;
    ApplyGeometry();
    MarkAndOpen(5, 5, 5, 5, 1);
    s.workImage[kHalfPassSampleCount] = 11;
    s.currentImage[kHalfPassSampleCount] = 22;
    ASSERT_TRUE(TheMergeDialog().Merge());
    EXPECT_EQ(At(s.currentImage, 514, 649), At(first, 514, 649) + 1);
    // Past the image but inside the pass: the first image's plane comes back.
    EXPECT_EQ(s.currentImage[kHalfWidth * kHalfHeight + 3], first[kHalfWidth * kHalfHeight + 3]);
    EXPECT_EQ(s.currentImage[kHalfPassSampleCount], 22);
}

}  // namespace
}  // namespace vexa
