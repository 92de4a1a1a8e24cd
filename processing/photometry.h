// Photometry: the values the "PHOTOMETRY" dialog shows (object, comparison and sky means, the
// magnitude difference), the dialog's radio buttons and buttons, and "&Photometry of Image".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "session/session_state.h"

namespace vexa {

constexpr const char* kPhotometryDialogTitle = "PHOTOMETRY";
constexpr const char* kPhotometryHelpCaption = "Vexa_Q4_USB - Control Photometry";
constexpr const char* kPhotometryHelpText =
    "Select the value you wish to record when you next press the left mouse button";

// Control ids of the dialog resource.
namespace photometry_id {
constexpr int kFinished = 2;
constexpr int kHelp = 9;
constexpr int kObject = 101;
constexpr int kComparison = 102;
constexpr int kBackground = 103;
constexpr int kObjectX = 104;
constexpr int kObjectY = 105;
constexpr int kComparisonX = 106;
constexpr int kComparisonY = 107;
constexpr int kSkyX = 108;
constexpr int kSkyY = 109;
constexpr int kObjectValue = 110;
constexpr int kComparisonValue = 111;
constexpr int kBackgroundValue = 112;
constexpr int kMagnitude = 113;
constexpr int kMask5 = 114;
constexpr int kMask7 = 115;
constexpr int kMask9 = 116;
constexpr int kMask1 = 117;
constexpr int kMask13 = 118;
constexpr int kMask17 = 119;
constexpr int kCursorX = 1018;
constexpr int kCursorY = 1019;
constexpr int kCursorValue = 1020;
}  // namespace photometry_id

// The mask radio buttons in the order the dialog lists them: id, text, half-size.
struct MaskChoice {
    int id;
    const char* text;
    int32_t halfSize;
};
constexpr MaskChoice kMaskChoices[] = {
    {photometry_id::kMask1, "Single Pixel", 0}, {photometry_id::kMask5, "5 Pixels", 2},
    {photometry_id::kMask7, "7 Pixels", 3},     {photometry_id::kMask9, "9 Pixels", 4},
    {photometry_id::kMask13, "13 Pixels", 6},   {photometry_id::kMask17, "17 Pixels", 8},
};

// The dialog's static texts.
constexpr const char* kPhotometryValueLabel = "Value";
constexpr const char* kPhotometryXLabel = "x";
constexpr const char* kPhotometryYLabel = "y";
constexpr const char* kPhotometryMagnitudeLabel = "Magnitude difference";
constexpr const char* kPhotometryMaskLabel = "Diameter of Mask";
constexpr const char* kPhotometryCursorLabel = "Cursor Position";
constexpr const char* kPhotometryCursorColumns = " x           y            value";

// The three means and the magnitude difference for the session's totals and mask.
struct PhotometryReadout {
    int64_t objectMean = 0;
    int64_t comparisonMean = 0;
    int64_t backgroundMean = 0;
    // Empty while a star is unmeasured or the sky is not fainter than both stars.
    std::optional<float> magnitudeDifference;
};

// Mask area (2b + 1)^2 for half-size b.
int64_t MaskArea(int32_t halfSize);
// Means are total / area (integer division). The background is the measured sky once the
// Background target has been chosen, else the display background level x 256. The magnitude
// difference is -2.5 log10((object - sky) / (comparison - sky)) on the totals, in single
// precision.
PhotometryReadout ComputePhotometry(const SessionState& s);

// "%7.0f" of a mean; "%2.2f" of a magnitude difference, or "" when there is none;
// "%6.0f" of the sample under the cursor.
std::string FormatMean(int64_t mean);
std::string FormatMagnitude(const std::optional<float>& magnitude);
std::string FormatCursorValue(int32_t value);

// The dialog's state and controls; every redraw shows Text(id) for each edit and checks
// CheckedTargetId() and CheckedMaskId().
class PhotometryDialogModel {
  public:
    explicit PhotometryDialogModel(SessionState& session = Session());

    std::string Title() const { return kPhotometryDialogTitle; }
    // The text of an edit (104 to 113, 1018 to 1020); "" for any other id.
    std::string Text(int editId) const;
    // 101 Object for 'o', 102 Comparison for 'c', 103 Background for anything else.
    int CheckedTargetId() const;
    // The mask radio for the half-size; sizes not in the list check "Single Pixel".
    int CheckedMaskId() const;

    // A radio button or button by id: targets and masks change the session (a mask also
    // clears the three totals and six positions), 2 is Finished; other ids do nothing.
    // True when the dialog must redraw.
    bool Choose(int controlId);
    void ChooseTarget(char target);
    void ChooseMask(int32_t halfSize);
    // "Finished" (also the close box): leave photometry mode, put the cursor back, repaint
    // the view without erase and remove the dialog. Does nothing once photometry is off.
    void Finished();

    std::string HelpCaption() const { return kPhotometryHelpCaption; }
    std::string HelpText() const { return kPhotometryHelpText; }
    // "Help": the message box.
    void Help() const;

  private:
    SessionState& session_;
};

// The one photometry dialog model of the session.
PhotometryDialogModel& ThePhotometryDialog();

// "&Photometry of Image" (menu 14): the mode checks and set-up (messages 35, 36, 37), then the
// modeless dialog; when it cannot be shown photometry mode is left again.
void CmdPhotometry();

// The checks and set-up of "&Photometry of Image" without its dialog (messages 35, 36, 37):
// true when photometry mode has started; the caller then opens the photometry dialog.
bool StartPhotometryMode();

}  // namespace vexa
