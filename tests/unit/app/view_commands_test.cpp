// The view commands: fit to window and centring, the palette toggles, the "Stretch Palette"
// dialog's outcome, and Mirror Image with and without a label strip.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "app/stretch_palette_model.h"
#include "app/view_commands.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class ViewCommandsTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    void RandomImage(unsigned seed) {
        std::mt19937 random(seed);
        for (auto& v : s.currentImage) v = static_cast<uint16_t>(random());
        s.currentImage[4] = 1;  // not labelled unless a test says so
        s.currentImage[5] = 2;
    }
};

TEST_F(ViewCommandsTest, FitToWindowTogglesAndClearsCentring) {
    s.centreImage = true;
    CmdFitToWindow();
    EXPECT_TRUE(s.fitToWindow);
    EXPECT_FALSE(s.centreImage);
    EXPECT_EQ(fixture.ui.scrollBarUpdates, 1);
    CmdFitToWindow();
    EXPECT_FALSE(s.fitToWindow);
    EXPECT_FALSE(s.centreImage);  // switching off does not bring centring back
    EXPECT_EQ(fixture.ui.scrollBarUpdates, 2);
}

TEST_F(ViewCommandsTest, CentreImageTogglesAndClearsFit) {
    s.fitToWindow = true;
    CmdCentreImage();
    EXPECT_TRUE(s.centreImage);
    EXPECT_FALSE(s.fitToWindow);
    CmdCentreImage();
    EXPECT_FALSE(s.centreImage);
    EXPECT_EQ(fixture.ui.scrollBarUpdates, 2);
}

TEST_F(ViewCommandsTest, LayoutCommandsAreIgnoredInPhotometry) {
    s.photometryMode = true;
    s.centreImage = true;
    CmdFitToWindow();
    EXPECT_FALSE(s.fitToWindow);
    EXPECT_TRUE(s.centreImage);
    CmdCentreImage();
    EXPECT_TRUE(s.centreImage);
    EXPECT_EQ(fixture.ui.scrollBarUpdates, 0);
}

TEST_F(ViewCommandsTest, PaletteTogglesRefreshTheView) {
    CmdFalseColour();
    EXPECT_TRUE(s.falseColour);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    EXPECT_GE(fixture.ui.scrollBarUpdates, 1);
    CmdAutoContrast();
    EXPECT_TRUE(s.autoContrast);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 2u);
    CmdFalseColour();
    CmdAutoContrast();
    EXPECT_FALSE(s.falseColour);
    EXPECT_FALSE(s.autoContrast);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(fixture.root) / "VEXAQ4.bmp"));
}

TEST_F(ViewCommandsTest, PaletteDialogOkKeepsTheChoiceAndRefreshes) {
    fixture.ui.stretchPaletteDialog = [](StretchPaletteDialogModel& m) {
        m.Scroll(PaletteBarAction::PageLeft);
        m.SetSelectedForAllImages(true);
        return true;
    };
    CmdMaxPaletteStretch();
    EXPECT_EQ(s.paletteStretchBits, 12);
    EXPECT_TRUE(s.paletteStretch);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
}

TEST_F(ViewCommandsTest, PaletteDialogCancelPutsTheSettingsBack) {
    s.paletteStretchBits = 13;
    fixture.ui.stretchPaletteDialog = [](StretchPaletteDialogModel& m) {
        m.Scroll(PaletteBarAction::PageRight);
        m.SetSelectedForAllImages(true);
        return false;
    };
    CmdMaxPaletteStretch();
    EXPECT_EQ(s.paletteStretchBits, 13);
    EXPECT_FALSE(s.paletteStretch);
    EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
}

TEST_F(ViewCommandsTest, MirrorTwiceRestoresTheImage) {
    RandomImage(11);
    const Plane original = s.currentImage;
    MirrorImage();
    EXPECT_EQ(s.currentImage[0], original[1299]);
    EXPECT_EQ(s.currentImage[1299], original[0]);
    EXPECT_EQ(s.currentImage[1029 * 1300 + 7], original[1029 * 1300 + 1292]);
    MirrorImage();
    EXPECT_TRUE(std::equal(s.currentImage.begin(), s.currentImage.end(), original.begin()));
}

TEST_F(ViewCommandsTest, MirrorKeepsTheLabelRows) {
    RandomImage(12);
    s.currentImage[4] = 30;
    s.currentImage[5] = 4;  // labelled
    const Plane original = s.currentImage;
    MirrorImage();
    for (int k = 0; k < 10 * 1300; ++k) ASSERT_EQ(s.currentImage[k], original[k]) << k;
    EXPECT_EQ(s.currentImage[10 * 1300], original[10 * 1300 + 1299]);
    EXPECT_EQ(s.currentImage[1029 * 1300 + 1299], original[1029 * 1300]);
}

TEST_F(ViewCommandsTest, MirrorInHalfGeometryUsesTheHalfRowsOnly) {
    s.geometryMode = 1;
    ApplyGeometry();
    RandomImage(13);
    const Plane original = s.currentImage;
    MirrorImage();
    EXPECT_EQ(s.currentImage[0], original[649]);
    EXPECT_EQ(s.currentImage[514 * 650 + 649], original[514 * 650]);
    EXPECT_EQ(s.workImage[649], original[0]);
    // The plane beyond the 650 x 515 image is not the image's: it keeps what it held.
    for (size_t k = 334750; k < kPlaneSamples; ++k) ASSERT_EQ(s.currentImage[k], original[k]);
    MirrorImage();
    EXPECT_TRUE(std::equal(s.currentImage.begin(), s.currentImage.end(), original.begin()));
}

TEST_F(ViewCommandsTest, MirrorCommandShowsTheWaitCursorAndRefreshes) {
    FillStartupRamp();
    CmdMirrorImage();
    ASSERT_EQ(fixture.ui.cursors.size(), 2u);
    EXPECT_EQ(fixture.ui.cursors[0], CursorKind::Wait);
    EXPECT_EQ(fixture.ui.cursors[1], CursorKind::Arrow);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
}

}  // namespace
}  // namespace vexa
