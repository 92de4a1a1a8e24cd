// Labels burnt into the top rows of the image: the label line (text, centred, with an
// optional UT time and date), drawn in the built-in 8 x 10 font, the "Label Current Image"
// dialog's rules and the "&Label" command.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "session/session_state.h"

namespace vexa {

constexpr int kLabelTextMaxChars = 30;  // what the dialog keeps of its edit box
constexpr int kLabelLineMaxChars = 64;  // the longest line drawn
// Room the centring reserves for the date part (one less than the part's 25 characters).
constexpr int kLabelDateCentringChars = 24;
constexpr int kLabelDatePartChars = 25;
constexpr int kLabelRowCount = 10;
constexpr int kLabelClearedSamples = 6600;  // samples zeroed before the characters are drawn
constexpr int kLabelMarkerSamples = 6;      // samples 0 to 5 carry the marker
constexpr uint16_t kLabelMarkerValue = 17;  // so samples 4 and 5 add up to 34
constexpr uint16_t kLabelInk = 65535;

constexpr const char* kLabelDialogTitle = "Label Current Image";
constexpr const char* kLabelPrompt = "Enter the Label text";
constexpr const char* kLabelAutoDateText = "Auto Date";

// "  hh:mm:ss UT dd-mm-yyyy ": the UT reading of the calendar time t (hoursToUT applied).
std::string LabelDatePart(std::time_t t);
// The line to draw: (64 - L - A) / 2 blanks (none when the text leaves no room), the text,
// and the date part of now when autoDate is set; cut to 64 characters.
std::string ComposeLabelLine(bool autoDate, const std::string& text, std::time_t now);
// Draw a composed line into rows 0 to 9 of an image with row stride width: samples 0 to
// 6,599 cleared, each character with a glyph written as its 8 x 10 cell (65535 for set
// pixels, 0 for clear ones), others left alone but still 8 columns wide, then the marker in
// samples 0 to 5. Cells that would pass the image's right edge are not drawn.
void DrawLabelLine(const std::string& line, Plane& image, int width);
// The label of the "&Label" command on an image of the session's geometry; the date comes
// from the program's calendar clock.
void DrawLabel(bool autoDate, const std::string& text, Plane& image);

// The "Label Current Image" dialog: an edit box that starts empty and the "Auto Date" check
// box, which acts on the session at each click. Opening it clears labelText.
class LabelDialogModel {
  public:
    explicit LabelDialogModel(SessionState& session = Session());

    const std::string& EditText() const { return editText_; }
    void SetEditText(const std::string& text) { editText_ = text; }
    bool AutoDate() const { return session_.labelAutoDate; }
    void ToggleAutoDate() { session_.labelAutoDate = !session_.labelAutoDate; }
    void SetAutoDate(bool on) { session_.labelAutoDate = on; }
    // OK: labelText = at most the first 30 characters of the edit box.
    void Accept();

  private:
    SessionState& session_;
    std::string editText_;
};

// "&Label" (8, Ctrl+L): the dialog, then on OK the label on currentImage and a refresh.
void CmdLabel();

}  // namespace vexa
