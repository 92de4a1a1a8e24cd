// Labels: the font data, the composed line with its centring and UT date, the pixels burnt
// into rows 0 to 9 in both geometries, the marker, the mirror leaving the strip alone, and
// the "&Label" command with its dialog.
#include "app/label.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/view_commands.h"
#include "resources/label_font.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/scoped_zone.h"

namespace vexa {
namespace {

constexpr uint16_t kFill = 12345;
constexpr uint16_t kInk = 65535;
// 2023-11-14 22:13:20 UTC.
constexpr std::time_t kSomeTime = 1700000000;

class LabelTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    void UseHalf() {
        s.geometryMode = 1;
        ApplyGeometry();
    }
    uint16_t At(int row, int column) const {
        return s.currentImage[static_cast<size_t>(row) * s.geometry.width + column];
    }
};

// ---- font ----

TEST(LabelFontTest, HasTheSixtySixGlyphsAndNoOthers) {
    EXPECT_EQ(LabelFont().size(), 66u);
    int found = 0;
    for (int c = 0; c < 256; ++c) {
        const LabelGlyph* g = FindLabelGlyph(static_cast<char>(c));
        if (g == nullptr) continue;
        ++found;
        EXPECT_EQ(g->character, static_cast<char>(c));
    }
    EXPECT_EQ(found, 66);
    for (char c : {'.', ',', '!', '_', '\0', '+', static_cast<char>(0xE9)}) {
        EXPECT_EQ(FindLabelGlyph(c), nullptr) << int(c);
    }
    // Glyphs whose descenders use the bottom row, and a wide one.
    EXPECT_EQ(FindLabelGlyph('g')->rows[9], 0x3c);
    EXPECT_EQ(FindLabelGlyph('q')->rows[9], 0x07);
    EXPECT_EQ(FindLabelGlyph('j')->rows[9], 0x70);
    EXPECT_EQ(FindLabelGlyph('M')->rows[3], 0x7f);
    EXPECT_EQ(FindLabelGlyph(':')->rows[6], 0x38);
    EXPECT_EQ(FindLabelGlyph(' ')->rows, (std::array<uint8_t, 10>{}));
}

// ---- the line ----

TEST_F(LabelTest, ThreeCharactersWithoutDateFollowThirtyBlanks) {
    EXPECT_EQ(ComposeLabelLine(false, "ABC", kSomeTime), std::string(30, ' ') + "ABC");
    EXPECT_EQ(ComposeLabelLine(false, "", kSomeTime), std::string(32, ' '));
    EXPECT_EQ(ComposeLabelLine(false, "ABCD", kSomeTime), std::string(30, ' ') + "ABCD");
}

TEST_F(LabelTest, DatePartIsUtWithTheHoursToUtAdded) {
    test::ScopedZone zone("UTC0");
    s.settings.hoursToUT = 3;  // 22:13:20 on the 14th becomes 01:13:20 on the 15th
    EXPECT_EQ(LabelDatePart(kSomeTime), "  01:13:20 UT 15-11-2023 ");
    EXPECT_EQ(LabelDatePart(kSomeTime).size(), 25u);
    s.settings.hoursToUT = -23;
    EXPECT_EQ(LabelDatePart(kSomeTime), "  23:13:20 UT 13-11-2023 ");
}

TEST_F(LabelTest, CentringReservesTwentyFourForTheDate) {
    test::ScopedZone zone("UTC0");
    const std::string date = "  22:13:20 UT 14-11-2023 ";
    // (64 - 3 - 24) / 2 = 18 blanks.
    EXPECT_EQ(ComposeLabelLine(true, "M42", kSomeTime), std::string(18, ' ') + "M42" + date);
    // Thirty characters: 5 blanks, 60 characters in all.
    const std::string thirty(30, 'x');
    const std::string line = ComposeLabelLine(true, thirty, kSomeTime);
    EXPECT_EQ(line, std::string(5, ' ') + thirty + date);
    EXPECT_EQ(line.size(), 60u);
}

TEST_F(LabelTest, LinesLongerThanSixtyFourAreCut) {
    test::ScopedZone zone("UTC0");
    // 40 characters and the date: no room to centre, 65 characters cut to 64 (the closing
    // blank goes).
    const std::string forty(40, 'y');
    const std::string withDate = ComposeLabelLine(true, forty, kSomeTime);
    EXPECT_EQ(withDate, forty + std::string("  22:13:20 UT 14-11-2023"));
    EXPECT_EQ(withDate.size(), 64u);
    const std::string long200(200, 'W');
    EXPECT_EQ(ComposeLabelLine(false, long200, kSomeTime), std::string(64, 'W'));
    EXPECT_EQ(ComposeLabelLine(true, long200, kSomeTime), std::string(64, 'W'));
}

// ---- pixels ----

TEST_F(LabelTest, ThreeCharacterLabelPixelsInFullGeometry) {
    s.currentImage.fill(kFill);
    DrawLabel(false, "ABC", s.currentImage);

    // 'A' row 1 is 0x3c, 'B' row 1 is 0x7c, 'C' row 2 is 0x66.
    const uint16_t a1[8] = {0, 0, kInk, kInk, kInk, kInk, 0, 0};
    const uint16_t b1[8] = {0, kInk, kInk, kInk, kInk, kInk, 0, 0};
    const uint16_t c2[8] = {0, kInk, kInk, 0, 0, kInk, kInk, 0};
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(At(1, 240 + b), a1[b]) << b;
        EXPECT_EQ(At(1, 248 + b), b1[b]) << b;
        EXPECT_EQ(At(2, 256 + b), c2[b]) << b;
    }
    // Columns 240 to 263 of rows 0 to 9 hold exactly the 34 + 35 + 24 set pixels of A, B, C.
    int ink = 0;
    for (int r = 0; r < 10; ++r) {
        for (int c = 240; c < 264; ++c) {
            ASSERT_TRUE(At(r, c) == 0 || At(r, c) == kInk) << r << " " << c;
            ink += At(r, c) == kInk;
        }
    }
    EXPECT_EQ(ink, 93);
    // The thirty blank cells are black, except for the marker.
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < 240; ++c) {
            const uint16_t want = (r == 0 && c < 6) ? 17 : 0;
            ASSERT_EQ(At(r, c), want) << r << " " << c;
        }
    }
    // Samples 0 to 6,599 were cleared: rows 0 to 4 and row 5 up to column 99. Beyond the
    // line, rows 5 to 9 keep the image; row 10 is never touched.
    for (int c = 264; c < 1300; ++c) {
        for (int r = 0; r < 5; ++r) ASSERT_EQ(At(r, c), 0) << r << " " << c;
        for (int r = 5; r < 11; ++r) ASSERT_EQ(At(r, c), kFill) << r << " " << c;
    }
    for (int c = 0; c < 1300; ++c) ASSERT_EQ(At(10, c), kFill) << c;
    for (int k = 0; k < 6; ++k) EXPECT_EQ(s.currentImage[k], 17);
    EXPECT_TRUE(ImageIsLabelled(s.currentImage));
}

TEST_F(LabelTest, ThreeCharacterLabelPixelsInHalfGeometry) {
    UseHalf();
    s.currentImage.fill(kFill);
    DrawLabel(false, "ABC", s.currentImage);
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(At(1, 240 + b), b >= 2 && b <= 5 ? kInk : 0) << b;  // 'A' row 1 is 0x3c
    }
    // The 6,600 cleared samples cover all ten rows and row 10 up to column 99.
    for (int r = 0; r < 10; ++r) {
        for (int c = 264; c < 650; ++c) ASSERT_EQ(At(r, c), 0) << r << " " << c;
    }
    for (int c = 0; c < 100; ++c) ASSERT_EQ(At(10, c), 0) << c;
    for (int c = 100; c < 650; ++c) ASSERT_EQ(At(10, c), kFill) << c;
    EXPECT_EQ(At(11, 0), kFill);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(s.currentImage[k], 17);
}

TEST_F(LabelTest, CharactersWithoutGlyphLeaveTheirCellButTakeEightColumns) {
    s.currentImage.fill(kFill);
    DrawLabel(false, "A.B", s.currentImage);
    // '.' is cell 31 (columns 248 to 255): rows 0 to 4 were cleared first, rows 5 to 9 keep
    // the image. 'B' sits in cell 32, not 31.
    for (int c = 248; c < 256; ++c) {
        for (int r = 0; r < 5; ++r) EXPECT_EQ(At(r, c), 0) << r << " " << c;
        for (int r = 5; r < 10; ++r) EXPECT_EQ(At(r, c), kFill) << r << " " << c;
    }
    EXPECT_EQ(At(1, 256), 0);
    EXPECT_EQ(At(1, 257), kInk);  // 'B' row 1 is 0x7c
    EXPECT_EQ(At(8, 257), kInk);  // 'B' row 8 is 0x7c
}

TEST_F(LabelTest, DateIsDrawnAfterTheText) {
    test::ScopedZone zone("UTC0");
    fixture.clock.SetCalendar(kSomeTime);
    s.settings.hoursToUT = 3;
    s.currentImage.fill(kFill);
    DrawLabel(true, "M42", s.currentImage);
    // Line: 18 blanks, "M42", "  01:13:20 UT 15-11-2023 ". 'M' is cell 18 (column 144); its
    // row 3 is 0x7f. The first ':' is cell 25 (column 200); its row 3 is 0x38.
    for (int b = 0; b < 8; ++b) EXPECT_EQ(At(3, 144 + b), b == 0 ? 0 : kInk) << b;
    for (int b = 0; b < 8; ++b) EXPECT_EQ(At(3, 200 + b), (b >= 2 && b <= 4) ? kInk : 0) << b;
    // The line is 46 characters: cell 45 is the closing blank, cell 46 is untouched below row 4.
    for (int r = 0; r < 10; ++r) EXPECT_EQ(At(r, 45 * 8 + 3), 0) << r;
    EXPECT_EQ(At(7, 46 * 8), kFill);
}

TEST_F(LabelTest, OverlongLabelsStayInsideTheStrip) {
    for (int mode : {0, 1}) {
        s.geometryMode = mode;
        ApplyGeometry();
        s.currentImage.fill(kFill);
        DrawLabel(true, std::string(200, 'W'), s.currentImage);
        const int width = s.geometry.width;
        // Sixty-four 'W' cells (row 9 is 0x00, row 4 is 0x6b): the last at columns 504 to 511.
        EXPECT_EQ(At(4, 504 + 1), kInk);
        EXPECT_EQ(At(9, 511), 0);
        for (int r = 5; r < 10; ++r) {
            for (int c = 512; c < width; ++c) {
                const uint16_t want = mode == 0 ? kFill : 0;  // Half: all ten rows cleared
                ASSERT_EQ(At(r, c), want) << mode << " " << r << " " << c;
            }
        }
        const size_t firstUntouched = mode == 0 ? 10 * 1300 : 6600;
        for (size_t k = firstUntouched; k < s.currentImage.size(); ++k) {
            ASSERT_EQ(s.currentImage[k], kFill) << mode << " " << k;
        }
    }
}

TEST_F(LabelTest, MirrorKeepsTheLabelRows) {
    for (size_t k = 0; k < s.currentImage.size(); ++k) {
        s.currentImage[k] = static_cast<uint16_t>(k * 7919);
    }
    DrawLabel(false, "Vega 12", s.currentImage);
    const Plane before = s.currentImage;
    MirrorImage();
    for (int k = 0; k < 10 * 1300; ++k) ASSERT_EQ(s.currentImage[k], before[k]) << k;
    EXPECT_EQ(At(10, 0), before[10 * 1300 + 1299]);
    EXPECT_EQ(At(1029, 1299), before[1029 * 1300]);
}

// ---- the command and its dialog ----

TEST_F(LabelTest, CommandDrawsTheFirstThirtyCharactersAndRefreshes) {
    s.currentImage.fill(kFill);
    s.labelText = "old label";
    std::string seenAtOpening = "unset";
    fixture.ui.labelDialog = [&](LabelDialogModel& model) {
        seenAtOpening = model.EditText() + "|" + s.labelText;
        model.SetEditText("Orion Nebula M42 from the back garden");
        return true;
    };
    CmdLabel();
    EXPECT_EQ(seenAtOpening, "|");  // the edit box starts empty and labelText is cleared
    EXPECT_EQ(s.labelText, "Orion Nebula M42 from the back");
    EXPECT_EQ(s.labelText.size(), 30u);
    EXPECT_TRUE(ImageIsLabelled(s.currentImage));
    // 30 characters without date: 17 blanks, so 'O' is cell 17 (row 1 is 0x3c).
    EXPECT_EQ(At(1, 17 * 8 + 2), kInk);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(LabelTest, CancelLeavesTheImageButTheAutoDateClickStays) {
    s.currentImage.fill(kFill);
    fixture.ui.labelDialog = [](LabelDialogModel& model) {
        EXPECT_FALSE(model.AutoDate());
        model.ToggleAutoDate();
        model.SetEditText("never drawn");
        return false;
    };
    CmdLabel();
    EXPECT_EQ(s.currentImage[0], kFill);
    EXPECT_TRUE(s.labelText.empty());
    EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
    // The check box acts on the session at each click and is remembered for the next dialog.
    EXPECT_TRUE(s.labelAutoDate);
    bool shownChecked = false;
    fixture.ui.labelDialog = [&](LabelDialogModel& model) {
        shownChecked = model.AutoDate();
        return false;
    };
    CmdLabel();
    EXPECT_TRUE(shownChecked);
}

}  // namespace
}  // namespace vexa
