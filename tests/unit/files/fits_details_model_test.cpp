#include "files/fits_details_model.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

using namespace fitsdlg;

class FitsDetailsModelTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
};

TEST_F(FitsDetailsModelTest, EditsOpenWithTheSessionDetails) {
    s.settings.fitsObject = "M31";
    s.settings.fitsInstrument = "Corvane CCD";
    s.fitsDate = "5/3/07";
    s.settings.focalLengthInches = 80.0;
    s.settings.apertureSquareInches = 0.5;
    s.exposureSeconds = 1.0 / 3.0;
    FitsDetailsDialogModel m;
    EXPECT_EQ(m.Edit(kObject), "M31");
    EXPECT_EQ(m.Edit(kInstrument), "Corvane CCD");
    EXPECT_EQ(m.Edit(kFilter), "None");
    EXPECT_EQ(m.Edit(kDate), "5/3/07");
    EXPECT_EQ(m.Edit(kFocalLength), "80.000000");
    EXPECT_EQ(m.Edit(kAperture), "0.500000");
    EXPECT_EQ(m.Edit(kExposure), "0.333333");
    EXPECT_EQ(FitsEditControls().size(), 13u);
}

TEST_F(FitsDetailsModelTest, EachEditHasASessionFieldOfItsOwn) {
    std::set<const void*> fields;
    for (const FitsEditControl& control : FitsEditControls()) {
        const std::string* text = control.field.Text(s);
        const double* number = control.field.Number(s);
        EXPECT_NE(text == nullptr, number == nullptr) << control.label;
        fields.insert(text ? static_cast<const void*>(text) : number);
    }
    EXPECT_EQ(fields.size(), FitsEditControls().size());
}

TEST_F(FitsDetailsModelTest, TextsReadFromAFileShowWithoutTheirPadding) {
    // A FITS or settings file gives its history and comment texts back 255 characters long.
    s.settings.fitsHistory = "Seen" + std::string(251, ' ');
    s.settings.fitsComment = std::string(255, ' ');
    s.settings.fitsObject = "M42   ";
    s.settings.fitsFilter = "  R";
    FitsDetailsDialogModel m;
    EXPECT_EQ(m.Edit(kHistory), "Seen");
    EXPECT_EQ(m.Edit(kComments), "");
    EXPECT_EQ(m.Edit(kObject), "M42");
    EXPECT_EQ(m.Edit(kFilter), "  R");  // leading blanks are the user's
    m.Edit(kHistory) += " twice";
    m.Continue();
    EXPECT_EQ(s.settings.fitsHistory, "Seen twice");
}

TEST_F(FitsDetailsModelTest, ContinueCopiesEachEditCutToItsLimit) {
    FitsDetailsDialogModel m;
    m.Edit(kObject) = std::string(100, 'o');
    m.Edit(kObserver) = "Ann";
    m.Edit(kOrigin) = "Obs";
    m.Edit(kTelescope) = "C8";
    m.Edit(kInstrument) = "TQ4";
    m.Edit(kHistory) = std::string(300, 'h');
    m.Edit(kComments) = "note";
    m.Edit(kDate) = "28/11/2012";
    m.Edit(kTime) = "22:00:04.123456";
    m.Edit(kFilter) = "Ha";
    m.Edit(kFocalLength) = "  12.5";
    m.Edit(kAperture) = "1234567890123456789123";  // only 19 characters are read
    m.Edit(kExposure) = "abc";
    s.exposureSeconds = 7.0;
    m.Continue();
    EXPECT_EQ(s.settings.fitsObject, std::string(67, 'o'));
    EXPECT_EQ(s.settings.fitsObserver, "Ann");
    EXPECT_EQ(s.settings.fitsOrigin, "Obs");
    EXPECT_EQ(s.settings.fitsTelescope, "C8");
    EXPECT_EQ(s.settings.fitsInstrument, "TQ4");
    EXPECT_EQ(s.settings.fitsHistory, std::string(254, 'h'));
    EXPECT_EQ(s.settings.fitsComment, "note");
    EXPECT_EQ(s.fitsDate, "28/11/20");
    EXPECT_EQ(s.fitsTime, "22:00:04.12");
    EXPECT_EQ(s.settings.fitsFilter, "Ha");
    EXPECT_DOUBLE_EQ(s.settings.focalLengthInches, 12.5);
    EXPECT_DOUBLE_EQ(s.settings.apertureSquareInches, 1234567890123456789.0);
    EXPECT_DOUBLE_EQ(s.exposureSeconds, 7.0);  // unparsable leaves the field
}

TEST_F(FitsDetailsModelTest, AbortChangesNothingButTheCheckBoxesActAtOnce) {
    s.settings.fitsObject = "M1";
    s.settings.hoursToUT = 2;
    FitsDetailsDialogModel m;
    m.Edit(kObject) = "changed";
    m.Scroll(ScrollAction::LineRight);
    EXPECT_FALSE(m.UnsignedChecked());
    m.ToggleUnsigned();
    EXPECT_TRUE(s.settings.unsignedIntFits);
    EXPECT_TRUE(m.UnsignedChecked());
    m.ToggleEightBit();
    EXPECT_TRUE(s.eightBitFits);
    EXPECT_TRUE(m.EightBitChecked());
    m.Abort();
    EXPECT_EQ(s.settings.fitsObject, "M1");
    EXPECT_EQ(s.settings.hoursToUT, 2);
    EXPECT_TRUE(s.settings.unsignedIntFits);
    EXPECT_TRUE(s.eightBitFits);
}

TEST_F(FitsDetailsModelTest, ScrollBarArrowsStayWithinMinus11To11) {
    s.settings.hoursToUT = 10;
    FitsDetailsDialogModel m;
    EXPECT_EQ(m.UtHours(), 10);
    m.Scroll(ScrollAction::LineRight);
    m.Scroll(ScrollAction::LineRight);
    EXPECT_EQ(m.UtHours(), 11);
    m.Scroll(ScrollAction::PageLeft);
    m.Scroll(ScrollAction::Thumb);
    m.Scroll(ScrollAction::PageRight);
    EXPECT_EQ(m.UtHours(), 11);
    for (int i = 0; i < 30; ++i) m.Scroll(ScrollAction::LineLeft);
    EXPECT_EQ(m.UtHours(), -11);
    EXPECT_EQ(m.UtHoursText(), "-11");
    EXPECT_EQ(s.settings.hoursToUT, 10);  // reaches the session only on Continue
    m.Continue();
    EXPECT_EQ(s.settings.hoursToUT, -11);
}

TEST_F(FitsDetailsModelTest, StoredHoursOutsideTheRangeShowAsZero) {
    s.settings.hoursToUT = 12;
    FitsDetailsDialogModel m;
    EXPECT_EQ(m.UtHours(), 0);
    EXPECT_EQ(m.UtHoursText(), "0");
    m.Continue();
    EXPECT_EQ(s.settings.hoursToUT, 0);
}

}  // namespace
}  // namespace vexa
