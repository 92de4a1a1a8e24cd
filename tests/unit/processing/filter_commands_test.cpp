// The "Filters" menu commands: which kernel each runs, their history lines, the unsharp and
// median dialogs (defaults, bounds, Cancel) and the unsharp mask inside auto-processing.
#include "processing/filter_commands.h"

#include <gtest/gtest.h>

#include <random>

#include "processing/filter_dialog_models.h"
#include "processing/filter_passes.h"
#include "processing/filters.h"
#include "processing/undo_history.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class FilterCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::mt19937 random(11);
        std::uniform_int_distribution<int> value(0, 65535);
        for (int k = 0; k < kFullSampleCount; ++k)
            s.currentImage[k] = static_cast<uint16_t>(value(random));
        s.currentImage[4] = 0;
        s.currentImage[5] = 0;
        before = s.currentImage;
    }
    std::string History(int i) const { return s.historyLines[i].data(); }
    Plane Expected(int radius, int kernel, int divisor) const {
        Plane expected = before;
        ConvolveRowsPlain(before.data(), expected.data(), kFullWidth, kFullHeight, radius, radius,
                          filterKernels[kernel], divisor);
        return expected;
    }

    test::SessionFixture fixture;
    SessionState& s = Session();
    Plane before{};
};

TEST_F(FilterCommandsTest, EachKernelCommandRunsItsKernelAndWritesItsLine) {
    struct Case {
        int id, radius, kernel, divisor;
        const char* line;
    };
    const Case cases[] = {
        {107, 1, kHighPassLowPowerKernel, 1, "High Pass Low Power Filter"},
        {108, 2, kHighPassHighPowerKernel, 1, "High Pass High Power Filter"},
        {109, 2, kSmootherSharperKernel, 1, "Smoother/Sharper Filter"},
        {4, 2, kGaussianKernel, 80, "Gaussian Filter"},
        {5, 1, kLowPassKernel, 16, "Lowpass Smoother Filter"},
        {7, 2, kBasReliefKernel, 1, "Bas Relief Filter"},
    };
    for (const Case& c : cases) {
        s.currentImage = before;
        ClearHistory();
        const size_t refreshes = fixture.ui.loadedBitmaps.size();
        ASSERT_TRUE(RunFilterCommand(c.id));
        EXPECT_EQ(s.currentImage, Expected(c.radius, c.kernel, c.divisor)) << c.line;
        EXPECT_EQ(History(0), c.line);
        EXPECT_EQ(History(1), "");
        EXPECT_EQ(fixture.ui.loadedBitmaps.size(), refreshes + 1);
    }
    EXPECT_FALSE(RunFilterCommand(110));
}

TEST_F(FilterCommandsTest, UndoAfterAFilterRestoresTheImageAndDropsTheLine) {
    CmdGaussianSmoother();
    UndoLastFilter();
    EXPECT_EQ(s.currentImage, before);
    EXPECT_EQ(History(0), "");
}

TEST_F(FilterCommandsTest, UnsharpDialogOpensWithRadius3Power1AndUsesItsValues) {
    s.dialogValue1 = 9;
    s.dialogValue2 = 9;
    int radius = 0, power = 0;
    fixture.ui.unsharpDialog = [&](UnsharpDialogModel& model) {
        radius = model.Radius();
        power = model.Power();
        EXPECT_EQ(model.RadiusText(), "3");
        EXPECT_EQ(model.PowerText(), "1");
        model.ScrollRadius(FilterBarAction::LineLeft);  // 2
        model.ScrollPower(FilterBarAction::LineRight);  // 2
        return true;
    };
    CmdUnsharpMask();
    EXPECT_EQ(radius, 3);
    EXPECT_EQ(power, 1);
    Plane expected = before;
    UnsharpPass(before.data(), expected.data(), kFullWidth, kFullHeight, 2, 2, 2);
    EXPECT_EQ(s.currentImage, expected);
    EXPECT_EQ(History(0), "Unsharp Mask : rad 2 ,power 2");
    EXPECT_EQ(s.pendingProgressTitle, "UNSHARP MASK PROGRESS");
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
}

TEST_F(FilterCommandsTest, CancelledDialogsChangeNothing) {
    s.undoImage.fill(4242);
    CmdUnsharpMask();  // the fake dialogs cancel when unset
    CmdMedianFilter();
    EXPECT_EQ(s.currentImage, before);
    EXPECT_EQ(s.undoImage[0], 4242);
    EXPECT_EQ(History(0), "");
    EXPECT_EQ(fixture.ui.progressOpened, 0);
}

TEST_F(FilterCommandsTest, MedianDialogOpensWithRadius1Power06) {
    s.dialogValue1 = 3;
    s.dialogValue2 = 2;
    fixture.ui.medianDialog = [&](MedianDialogModel& model) {
        EXPECT_EQ(model.Radius(), 1);
        EXPECT_EQ(model.PowerTenths(), 6);
        EXPECT_EQ(model.PowerText(), "0.6");
        model.ScrollRadius(FilterBarAction::LineRight);
        model.ScrollPower(FilterBarAction::LineLeft);
        return true;
    };
    CmdMedianFilter();
    Plane expected = before;
    MedianRowsPlain(before.data(), expected.data(), kFullWidth, kFullHeight, 2, 2, 5);
    EXPECT_EQ(s.currentImage, expected);
    EXPECT_EQ(History(0), "Median Filter : rad 2 ,power 0.5");
}

TEST_F(FilterCommandsTest, UnsharpInsideAutoProcessingUsesTheSettingsWithoutDialogOrRefresh) {
    s.settings.autoUnsharpDiameter = 4;
    s.settings.autoUnsharpPower = 3;
    s.autoProcessingRunning = true;
    bool asked = false;
    fixture.ui.unsharpDialog = [&](UnsharpDialogModel&) { return asked = true; };
    UnsharpMask();
    EXPECT_FALSE(asked);
    Plane expected = before;
    UnsharpPass(before.data(), expected.data(), kFullWidth, kFullHeight, 4, 4, 3);
    EXPECT_EQ(s.currentImage, expected);
    EXPECT_EQ(History(0), "Unsharp Mask : rad 4 ,power 3");
    EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
}

TEST_F(FilterCommandsTest, GradientCommandWritesItsLine) {
    CmdGradientFilter();
    EXPECT_EQ(History(0), "Gradient Filter");
}

// ---- the dialog models at and beyond their bounds ----

TEST(FilterDialogModels, UnsharpBarsStayWithin1To7) {
    test::SessionFixture fixture;
    SessionState& state = Session();
    state.dialogValue1 = 1;
    state.dialogValue2 = 7;
    UnsharpDialogModel model(state);
    model.ScrollRadius(FilterBarAction::LineLeft);
    model.ScrollPower(FilterBarAction::LineRight);
    EXPECT_EQ(model.Radius(), 1);
    EXPECT_EQ(model.Power(), 7);
    model.ScrollRadius(FilterBarAction::LineRight);
    model.ScrollPower(FilterBarAction::LineLeft);
    EXPECT_EQ(model.Radius(), 2);
    EXPECT_EQ(model.Power(), 6);
    model.ScrollRadius(FilterBarAction::ThumbPosition, 40);
    model.ScrollPower(FilterBarAction::ThumbTrack, -3);
    EXPECT_EQ(model.Radius(), 7);
    EXPECT_EQ(model.Power(), 1);
    EXPECT_EQ(model.HelpCaption(), "Unsharp Mask Filter");
    EXPECT_EQ(model.HelpText(),
              "Use controls to vary the radius from 1 to 7, and the power from 1 to 7.");
}

TEST(FilterDialogModels, MedianBarsStayWithinTheirRanges) {
    test::SessionFixture fixture;
    SessionState& state = Session();
    state.dialogValue1 = 3;
    state.dialogValue2 = 1;
    MedianDialogModel model(state);
    model.ScrollRadius(FilterBarAction::LineRight);
    model.ScrollPower(FilterBarAction::LineLeft);
    EXPECT_EQ(model.Radius(), 3);
    EXPECT_EQ(model.PowerTenths(), 1);
    EXPECT_EQ(model.PowerText(), "0.1");
    for (int i = 0; i < 12; ++i) model.ScrollPower(FilterBarAction::PageRight);
    EXPECT_EQ(model.PowerTenths(), 10);
    EXPECT_EQ(model.PowerText(), "1.0");
    for (int i = 0; i < 5; ++i) model.ScrollRadius(FilterBarAction::LineLeft);
    EXPECT_EQ(model.Radius(), 1);
    EXPECT_EQ(model.HelpCaption(), "Vexa_Q4_USB - Median Filter");
    EXPECT_EQ(model.HelpText(),
              "Use controls to vary the radius from 1 to 3, and the power from 0.1 to 1.");
}

}  // namespace
}  // namespace vexa
