// The "Stretch Palette" dialog's rules: the bar's actions on the bit depth, the check box.
#include <gtest/gtest.h>

#include "app/stretch_palette_model.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class StretchPaletteModelTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
};

TEST_F(StretchPaletteModelTest, LineStepsStopAtTheEnds) {
    StretchPaletteDialogModel m;
    EXPECT_EQ(m.Bits(), 14);
    EXPECT_EQ(m.BitsText(), "14");
    m.Scroll(PaletteBarAction::LineLeft);
    m.Scroll(PaletteBarAction::LineLeft);
    EXPECT_EQ(s.paletteStretchBits, 12);
    m.Scroll(PaletteBarAction::LineLeft);
    EXPECT_EQ(s.paletteStretchBits, 12);
    for (int i = 0; i < 6; ++i) m.Scroll(PaletteBarAction::LineRight);
    EXPECT_EQ(s.paletteStretchBits, 16);
    EXPECT_EQ(m.BitsText(), "16");
}

TEST_F(StretchPaletteModelTest, PagesJumpToTheEndsAndTheThumbIsClamped) {
    StretchPaletteDialogModel m;
    m.Scroll(PaletteBarAction::PageLeft);
    EXPECT_EQ(m.Bits(), 12);
    m.Scroll(PaletteBarAction::PageRight);
    EXPECT_EQ(m.Bits(), 16);
    m.Scroll(PaletteBarAction::ThumbTrack, 13);
    EXPECT_EQ(m.Bits(), 13);
    m.Scroll(PaletteBarAction::ThumbPosition, 15);
    EXPECT_EQ(m.Bits(), 15);
    m.Scroll(PaletteBarAction::ThumbPosition, 99);
    EXPECT_EQ(m.Bits(), 16);
    m.Scroll(PaletteBarAction::ThumbTrack, -4);
    EXPECT_EQ(m.Bits(), 12);
}

TEST_F(StretchPaletteModelTest, CheckBoxIsTheAllImagesSwitchAndRevertRestores) {
    s.paletteStretch = true;
    s.paletteStretchBits = 15;
    StretchPaletteDialogModel m;
    EXPECT_TRUE(m.SelectedForAllImages());
    m.SetSelectedForAllImages(false);
    m.Scroll(PaletteBarAction::PageLeft);
    EXPECT_FALSE(s.paletteStretch);
    m.Revert();
    EXPECT_TRUE(s.paletteStretch);
    EXPECT_EQ(s.paletteStretchBits, 15);
}

TEST_F(StretchPaletteModelTest, AnOutOfRangeDepthOpensClamped) {
    s.paletteStretchBits = 3;
    StretchPaletteDialogModel m;
    EXPECT_EQ(m.Bits(), 12);
}

}  // namespace
}  // namespace vexa
