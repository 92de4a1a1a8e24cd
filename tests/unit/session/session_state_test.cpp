#include "session/session_state.h"

#include <gtest/gtest.h>

#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class SessionStateTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
};

TEST_F(SessionStateTest, StartupRampFillsThreePlanesAndClearsTheFlat) {
    FillStartupRamp();
    const SessionState& s = Session();
    for (int col : {0, 650, 1299}) {
        EXPECT_EQ(s.currentImage[1029 * 1300 + col], 64827);
        EXPECT_EQ(s.workImage[1029 * 1300 + col], 64827);
        EXPECT_EQ(s.undoImage[1029 * 1300 + col], 64827);
        EXPECT_EQ(s.currentImage[col], 0);
        EXPECT_EQ(s.currentImage[500 * 1300 + col], 31500);
    }
    EXPECT_EQ(s.flatReferenceImage[1029 * 1300 + 5], 0);
    EXPECT_EQ(s.currentFileName, "(Untitled)");
}

TEST_F(SessionStateTest, HalfAndFullGeometryValues) {
    SessionState& s = Session();
    s.geometryMode = 1;
    ApplyGeometry();
    EXPECT_EQ(s.geometry.width, 650);
    EXPECT_EQ(s.geometry.height, 515);
    EXPECT_EQ(s.geometry.lastColumn, 649);
    EXPECT_EQ(s.geometry.lastRow, 514);
    EXPECT_EQ(s.geometry.sampleCount, 669500);
    EXPECT_EQ(s.geometry.tenRowSpan, 6500);
    EXPECT_EQ(s.geometry.rowBytes, 1300);
    EXPECT_EQ(s.geometry.stretchTailCount, 26520);
    EXPECT_FLOAT_EQ(s.geometry.widthReal, 650.0f);
    ResetFocusWindow();
    EXPECT_EQ(s.focusWindowX, 261);
    EXPECT_EQ(s.focusWindowY, 193);

    s.geometryMode = 0;
    ApplyGeometry();
    EXPECT_EQ(s.geometry.width, 1300);
    EXPECT_EQ(s.geometry.height, 1030);
    EXPECT_EQ(s.geometry.lastColumn, 1299);
    EXPECT_EQ(s.geometry.lastRow, 1029);
    EXPECT_EQ(s.geometry.sampleCount, 1339000);
    EXPECT_EQ(s.geometry.stretchTailCount, 53040);
    ResetFocusWindow();
    EXPECT_EQ(s.focusWindowX, 586);
    EXPECT_EQ(s.focusWindowY, 451);
}

TEST_F(SessionStateTest, TitleShowsFileNameOrUntitled) {
    std::string name = "c:\\images\\m42.fit";
    SetTitleFile(&name);
    EXPECT_EQ(fixture.ui.titles.back(), "Vexa_Q4_USB - c:\\images\\m42.fit");
    SetTitleFile(nullptr);
    EXPECT_EQ(fixture.ui.titles.back(), "Vexa_Q4_USB - (Untitled)");
    EXPECT_EQ(Session().currentFileName, "(Untitled)");
}

}  // namespace
}  // namespace vexa
