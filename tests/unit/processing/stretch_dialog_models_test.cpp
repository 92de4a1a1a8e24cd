// The rules of the "Normal Stretch", "Power Law Stretch" and "Non-Linear Stretch" dialogs:
// every bar rule, the histogram drawing data and the help boxes.
#include "processing/stretch_dialog_models.h"

#include <gtest/gtest.h>

#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

using A = StretchBarAction;

class StretchDialogModelTest : public ::testing::Test {
  protected:
    // The dialog's levels: white W and black B.
    void Set(int white, int black) {
        s.dialogValue1 = static_cast<uint16_t>(white);
        s.dialogValue2 = static_cast<uint16_t>(black);
    }
    test::SessionFixture fixture;
    SessionState& s = Session();
    StretchDialogModel m{s};
};

TEST_F(StretchDialogModelTest, WhiteBarLineSteps) {
    Set(255, 0);
    m.ScrollWhite(A::LineLeft);
    EXPECT_EQ(m.White(), 254);
    Set(11, 10);  // B + 1 < W fails: the white bar stays above the black one
    m.ScrollWhite(A::LineLeft);
    EXPECT_EQ(m.White(), 11);
    Set(12, 10);
    m.ScrollWhite(A::LineLeft);
    EXPECT_EQ(m.White(), 11);
    Set(299, 0);
    m.ScrollWhite(A::LineRight);
    EXPECT_EQ(m.White(), 300);
    m.ScrollWhite(A::LineRight);
    EXPECT_EQ(m.White(), 300);
}

TEST_F(StretchDialogModelTest, WhiteBarPageSteps) {
    Set(100, 89);
    m.ScrollWhite(A::PageLeft);
    EXPECT_EQ(m.White(), 90);
    Set(100, 90);  // B + 10 < W fails
    m.ScrollWhite(A::PageLeft);
    EXPECT_EQ(m.White(), 100);
    Set(290, 0);
    m.ScrollWhite(A::PageRight);
    EXPECT_EQ(m.White(), 300);
    Set(291, 0);
    m.ScrollWhite(A::PageRight);
    EXPECT_EQ(m.White(), 291);
    Set(9, 0);  // W > 9 fails
    m.ScrollWhite(A::PageLeft);
    EXPECT_EQ(m.White(), 9);
}

TEST_F(StretchDialogModelTest, WhiteBarThumbMustStayAboveBlack) {
    Set(255, 40);
    m.ScrollWhite(A::ThumbTrack, 41);
    EXPECT_EQ(m.White(), 41);
    m.ScrollWhite(A::ThumbPosition, 40);
    EXPECT_EQ(m.White(), 41);
    m.ScrollWhite(A::ThumbPosition, 280);
    EXPECT_EQ(m.White(), 280);
    m.ScrollWhite(A::ThumbPosition, 5000);  // a thumb cannot leave its bar
    EXPECT_EQ(m.White(), 300);
}

TEST_F(StretchDialogModelTest, BlackBarSteps) {
    Set(255, 0);
    m.ScrollBlack(A::LineLeft);
    EXPECT_EQ(m.Black(), 0);
    m.ScrollBlack(A::LineRight);
    EXPECT_EQ(m.Black(), 1);
    Set(50, 48);
    m.ScrollBlack(A::LineRight);
    EXPECT_EQ(m.Black(), 49);
    m.ScrollBlack(A::LineRight);  // B < W - 1 fails
    EXPECT_EQ(m.Black(), 49);
    Set(300, 255);
    m.ScrollBlack(A::LineRight);
    EXPECT_EQ(m.Black(), 255);
    Set(300, 9);
    m.ScrollBlack(A::PageLeft);  // B > 9 fails
    EXPECT_EQ(m.Black(), 9);
    Set(300, 10);
    m.ScrollBlack(A::PageLeft);
    EXPECT_EQ(m.Black(), 0);
    Set(300, 245);
    m.ScrollBlack(A::PageRight);
    EXPECT_EQ(m.Black(), 255);
    Set(300, 246);
    m.ScrollBlack(A::PageRight);
    EXPECT_EQ(m.Black(), 246);
    Set(60, 49);
    m.ScrollBlack(A::PageRight);
    EXPECT_EQ(m.Black(), 59);
    m.ScrollBlack(A::PageRight);  // B < W - 10 fails
    EXPECT_EQ(m.Black(), 59);
    Set(5, 0);  // W - 10 is negative: no page step
    m.ScrollBlack(A::PageRight);
    EXPECT_EQ(m.Black(), 0);
}

TEST_F(StretchDialogModelTest, BlackBarThumbMustStayBelowWhite) {
    Set(100, 0);
    m.ScrollBlack(A::ThumbTrack, 99);
    EXPECT_EQ(m.Black(), 99);
    m.ScrollBlack(A::ThumbPosition, 100);
    EXPECT_EQ(m.Black(), 99);
    m.ScrollBlack(A::ThumbPosition, -20);
    EXPECT_EQ(m.Black(), 0);
    EXPECT_EQ(m.WhiteText(), "100");
    EXPECT_EQ(m.BlackText(), "0");
}

TEST_F(StretchDialogModelTest, HistogramColumnsAreCountOverFiveCutAt210) {
    s.displayHistogram[0] = 4;     // height 0
    s.displayHistogram[1] = 500;   // 100
    s.displayHistogram[2] = 1054;  // 210: fits
    s.displayHistogram[3] = 1055;  // 211: cut
    s.displayHistogram[255] = 65535;
    const auto columns = m.HistogramColumns();
    EXPECT_EQ(columns[0].x, 8);
    EXPECT_EQ(columns[0].height, 0);
    EXPECT_EQ(columns[1].height, 100);
    EXPECT_EQ(columns[1].top, 110);
    EXPECT_FALSE(columns[2].cut);
    EXPECT_EQ(columns[2].top, 0);
    EXPECT_TRUE(columns[3].cut);
    EXPECT_EQ(columns[3].height, 210);
    EXPECT_EQ(columns[3].top, 0);
    EXPECT_EQ(columns[255].x, 263);
    EXPECT_TRUE(columns[255].cut);
}

TEST_F(StretchDialogModelTest, AxesTicksAndMarkers) {
    const auto axes = StretchDialogModel::AxisLines();
    EXPECT_EQ(axes[0], (DialogLine{5, 5, 5, 213}));
    EXPECT_EQ(axes[1], (DialogLine{5, 213, 263, 213}));
    const auto ticks = StretchDialogModel::TickLines();
    ASSERT_EQ(ticks.size(), 8u);
    for (size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_EQ(ticks[i].x1, 40 + 32 * static_cast<int>(i));
        EXPECT_EQ(ticks[i].y1, 213);
    }
    const int plain = ticks[0].y2 - 213;
    EXPECT_GT(ticks[1].y2 - 213, plain);  // x 72, level 64
    EXPECT_EQ(ticks[5].y2, ticks[1].y2);  // x 200, level 192
    EXPECT_GT(ticks[3].y2, ticks[1].y2);  // x 136, level 128: longest
    EXPECT_EQ(ticks[7].y2 - 213, plain);
    for (const auto& t : ticks) EXPECT_LT(t.y2, kMarkerStrip.top);  // clear of the markers

    Set(300, 40);
    EXPECT_EQ(m.BlackMarkerX(), 48);
    EXPECT_EQ(m.WhiteMarkerX(), 263);  // white above 255 is marked at 255
    Set(200, 40);
    EXPECT_EQ(m.WhiteMarkerX(), 208);
    const auto arrow = StretchDialogModel::MarkerLines(48);
    EXPECT_EQ(arrow[0], (DialogLine{48, 220, 48, 230}));
    for (const auto& line : arrow) {
        EXPECT_GE(std::min(line.y1, line.y2), 220);
        EXPECT_LE(std::max(line.y1, line.y2), 230);
        EXPECT_GT(std::min(line.x1, line.x2), kMarkerStrip.left);
    }
    EXPECT_EQ(arrow[1].y2, 221);
    EXPECT_EQ(arrow[1].y1, 224);
}

TEST_F(StretchDialogModelTest, HelpBoxes) {
    m.ShowHelp();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, "Vexa_Q4_USB - Normal Stretch");
    EXPECT_EQ(fixture.ui.messages[0].text.substr(0, 40),
              "Use controls to vary intensity from 0 to");
    EXPECT_NE(fixture.ui.messages[0].text.find("white level to 300."), std::string::npos);
    PowerDialogModel(s).ShowHelp();
    EXPECT_EQ(fixture.ui.messages[1].caption, "Vexa_Q4_USB - Power Law Stretch");
    NonLinearDialogModel(s).ShowHelp();
    EXPECT_EQ(fixture.ui.messages[2].caption, "Vexa_Q4_USB - NonLiniar Filter");
    EXPECT_EQ(fixture.ui.messages[2].text, "Use controls to vary the Power from 2 to 50");
}

TEST_F(StretchDialogModelTest, PowerStepsAccumulateTenths) {
    s.powerLawExponent = 1.0;
    PowerDialogModel power(s);
    EXPECT_EQ(power.BarPosition(), 10);
    power.StepRight();
    EXPECT_EQ(power.ExponentText(), "1.1");
    EXPECT_EQ(power.BarPosition(), 11);
    for (int i = 0; i < 40; ++i) power.StepRight();
    EXPECT_EQ(power.ExponentText(), "3.0");  // stops once 3.0 is reached
    EXPECT_EQ(power.BarPosition(), 30);
    for (int i = 0; i < 40; ++i) power.StepLeft();
    EXPECT_EQ(power.ExponentText(), "0.1");  // the last step left starts from just above 0.2
    EXPECT_EQ(power.BarPosition(), 1);
    for (int i = 0; i < 9; ++i) power.StepRight();
    EXPECT_EQ(power.Exponent(), 1.0);
}

TEST_F(StretchDialogModelTest, NonLinearStepsBetween2And50) {
    s.dialogValue1 = 25;
    NonLinearDialogModel nonLinear(s);
    EXPECT_EQ(nonLinear.PowerText(), "25");
    for (int i = 0; i < 30; ++i) nonLinear.StepLeft();
    EXPECT_EQ(nonLinear.Power(), 2);
    for (int i = 0; i < 60; ++i) nonLinear.StepRight();
    EXPECT_EQ(nonLinear.Power(), 50);
    EXPECT_EQ(nonLinear.PowerText(), "50");
}

}  // namespace
}  // namespace vexa
