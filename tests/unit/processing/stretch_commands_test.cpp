// The eight "Contrast" commands: their defaults, dialogs, history lines, the cases that do
// nothing, and undo.
#include "processing/stretch_commands.h"

#include <gtest/gtest.h>

#include "processing/stretch.h"
#include "processing/stretch_dialog_models.h"
#include "processing/undo_history.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class StretchCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A small ramp in the first samples over a flat sky; the undo copy holds a marker.
        for (int k = 0; k < kFullSampleCount; ++k) s.currentImage[k] = 10000;
        for (int k = 0; k < 100; ++k) s.currentImage[k] = static_cast<uint16_t>(k * 655);
        s.undoImage.fill(4242);
        before = s.currentImage;
    }
    std::string History(int i) const { return s.historyLines[i].data(); }
    int HistoryCount() const {
        int n = 0;
        while (n < kHistoryEntries && s.historyLines[n][0] != '\0') ++n;
        return n;
    }
    // Image, undo copy and history as they were: the command did nothing.
    void ExpectUntouched() const {
        EXPECT_EQ(s.currentImage, before);
        EXPECT_EQ(s.undoImage[0], 4242);
        EXPECT_EQ(s.undoImage[kFullSampleCount - 1], 4242);
        EXPECT_EQ(HistoryCount(), 0);
        EXPECT_EQ(fixture.ui.progressOpened, 0);
        EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
    }
    // The pass ran once, with the undo copy of the image before it and a refresh.
    void ExpectApplied() const {
        EXPECT_EQ(s.undoImage, [&] {
            Plane undo = before;
            for (int k = kFullSampleCount; k < kPlaneSamples; ++k) undo[k] = 4242;
            return undo;
        }());
        EXPECT_EQ(fixture.ui.progressOpened, 1);
        EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    }

    test::SessionFixture fixture;
    SessionState& s = Session();
    Plane before{};
};

TEST_F(StretchCommandsTest, NormalStretchOpensWithWhite255Black0) {
    s.dialogValue1 = 7;
    s.dialogValue2 = 3;
    int white = -1, black = -1;
    fixture.ui.stretchDialog = [&](StretchDialogModel& model) {
        white = model.White();
        black = model.Black();
        return false;
    };
    NormalStretch();
    EXPECT_EQ(white, 255);
    EXPECT_EQ(black, 0);
    ExpectUntouched();  // Cancel
}

TEST_F(StretchCommandsTest, NormalStretchOnOk) {
    fixture.ui.stretchDialog = [](StretchDialogModel& model) {
        model.ScrollWhite(StretchBarAction::ThumbPosition, 200);
        model.ScrollBlack(StretchBarAction::ThumbPosition, 10);
        return true;
    };
    NormalStretch();
    ExpectApplied();
    // Sample 10000 is index 5000; black index 1280; (5000 - 1280) x 255 / 190 = 4992.63.
    EXPECT_EQ(s.currentImage[50000], 2 * 4992);
    EXPECT_EQ(s.currentImage[1], 0);           // 655: below the black level
    EXPECT_EQ(s.currentImage[30], 2 * 11468);  // 19650: (9825 - 1280) x 255 / 190
    EXPECT_EQ(s.currentImage[99], 65534);      // 64845: above the white level
    EXPECT_EQ(History(0), "Normal Stretch : max 400 , min : 20");
    EXPECT_EQ(HistoryCount(), 1);
}

TEST_F(StretchCommandsTest, NormalStretchWithWhiteEqualToBlackDoesNothing) {
    fixture.ui.stretchDialog = [&](StretchDialogModel&) {
        s.dialogValue1 = 80;
        s.dialogValue2 = 80;
        return true;
    };
    NormalStretch();
    ExpectUntouched();
}

TEST_F(StretchCommandsTest, PowerLawStartsAtOneAndRecordsTheExponent) {
    s.powerLawExponent = 2.5;
    fixture.ui.powerDialog = [](PowerDialogModel& model) {
        EXPECT_EQ(model.Exponent(), 1.0);
        EXPECT_EQ(model.ExponentText(), "1.0");
        for (int i = 0; i < 5; ++i) model.StepLeft();  // 0.5
        return true;
    };
    PowerLawStretch();
    ExpectApplied();
    // Index 5000: sqrt(5000 x 32768) = 12799.99..., the exponent being 0.5 plus a little.
    EXPECT_EQ(s.currentImage[50000], 2 * 12799);
    EXPECT_EQ(History(0), "Power Stretch :  0.5");
}

TEST_F(StretchCommandsTest, PowerLawAtExactlyOneDoesNothing) {
    fixture.ui.powerDialog = [](PowerDialogModel& model) {
        model.StepRight();
        model.StepLeft();  // 1.1 - 0.1 is 1.0 exactly
        return true;
    };
    PowerLawStretch();
    ExpectUntouched();
    fixture.ui.powerDialog = {};
    PowerLawStretch();  // Cancel
    ExpectUntouched();
}

TEST_F(StretchCommandsTest, NonLinearStartsAt25) {
    s.dialogValue1 = 3;
    fixture.ui.nonLinearDialog = [](NonLinearDialogModel& model) {
        EXPECT_EQ(model.Power(), 25);
        return true;
    };
    NonLinearStretch();
    ExpectApplied();
    // Index 5000, d = 5000 / 32768: 32768 x 25 x d / (24 d + 1) = 125000 / 4.662109375 = 26811.9
    EXPECT_EQ(s.currentImage[50000], 2 * 26811);
    EXPECT_EQ(History(0), "Non-Linear Stretch : power 25");
    EXPECT_EQ(HistoryCount(), 1);
}

TEST_F(StretchCommandsTest, NonLinearCancelDoesNothing) {
    NonLinearStretch();
    ExpectUntouched();
}

TEST_F(StretchCommandsTest, SineLogAntilogInvertRecordTheirLines) {
    SineStretch();
    EXPECT_EQ(History(0), "Sine Stretch");
    LogStretch();
    EXPECT_EQ(History(1), "Log Stretch");
    AntilogStretch();
    EXPECT_EQ(History(2), "Antilog Stretch");
    InvertStretch();
    EXPECT_EQ(History(3), "Invert Image to Negative");
    EXPECT_EQ(fixture.ui.progressOpened, 4);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 4u);
}

TEST_F(StretchCommandsTest, SineMapsMidGreyToItself) {
    s.currentImage[7] = 32768;
    before = s.currentImage;
    SineStretch();
    ExpectApplied();
    EXPECT_EQ(s.currentImage[7], 32766);  // index 16384 -> 16383
}

TEST_F(StretchCommandsTest, InvertAndAntilogExtremes) {
    s.currentImage[0] = 0;
    s.currentImage[1] = 65535;
    InvertStretch();
    EXPECT_EQ(s.currentImage[0], 65534);
    EXPECT_EQ(s.currentImage[1], 0);
    for (int k = 0; k < 12; ++k) s.currentImage[200 + k] = static_cast<uint16_t>(65524 + k);
    AntilogStretch();
    for (int k = 0; k < 12; ++k) EXPECT_EQ(s.currentImage[200 + k], 65534) << k;
}

TEST_F(StretchCommandsTest, RemoveBackgroundUsesTheCurrentLevel) {
    s.backgroundLevel = 10;
    RemoveBackground();
    ExpectApplied();
    EXPECT_EQ(s.currentImage[1], 0);                                    // index 327 < 1024
    EXPECT_EQ(s.currentImage[50000], 2 * ((5000 - 1024) * 255 / 247));  // 4104
    EXPECT_EQ(History(0), "Background Removed : min 16");
    EXPECT_EQ(HistoryCount(), 1);
}

TEST_F(StretchCommandsTest, RemoveBackgroundAtLevel2DoesNothing) {
    s.backgroundLevel = 2;
    RemoveBackground();
    ExpectUntouched();
}

TEST_F(StretchCommandsTest, UndoGoesBackOneStretch) {
    InvertStretch();
    const Plane afterInvert = s.currentImage;
    LogStretch();
    UndoLastFilter();
    EXPECT_EQ(s.currentImage, afterInvert);
    EXPECT_EQ(HistoryCount(), 1);
    EXPECT_EQ(History(0), "Invert Image to Negative");
}

TEST_F(StretchCommandsTest, DirectEntryPointsRefuseWhatTheCommandsRefuse) {
    EXPECT_FALSE(ApplyNormalStretch(100, 100));
    EXPECT_FALSE(ApplyNormalStretch(400, 0));
    EXPECT_FALSE(ApplyPowerLawStretch(1.0));
    ExpectUntouched();
    EXPECT_TRUE(ApplyPowerLawStretch(2.0));
    EXPECT_EQ(s.currentImage[50000], 2 * (5000 * 5000 / 32768));  // 762.9 -> 762
    EXPECT_EQ(History(0), "Power Stretch :  2.0");
}

}  // namespace
}  // namespace vexa
