// The rules of the "FITS DETAILS" dialog (TFITSDialog): its edits start from the session's
// FITS details and reach them only on Continue, each cut to its limit; the time-difference
// scroll bar keeps its own value until then; the two format check boxes act on the session
// at once and stay changed even after Abort.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace vexa {

constexpr const char* kFitsDialogTitle = "FITS DETAILS";
constexpr const char* kFitsDialogContinue = "Continue";
constexpr const char* kFitsDialogAbort = "Abort";

namespace fitsdlg {
constexpr int kObject = 101, kObserver = 102, kDate = 103, kTelescope = 104, kInstrument = 105,
              kComments = 106, kHistory = 107, kEightBit = 108, kOrigin = 109, kTime = 110,
              kUtScrollBar = 111, kUtValue = 112, kFocalLength = 113, kAperture = 114,
              kFilter = 115, kExposure = 116, kUnsigned = 117;
}  // namespace fitsdlg

struct PersistentSettings;
struct SessionState;

// The session field behind an edit, which the edit shows and Continue sets: a text or a number
// (parsed as a decimal number on Continue), of the settings (kept in the settings file) or of
// the session alone. Exactly one member is set.
struct FitsField {
    std::string PersistentSettings::*settingsText = nullptr;
    std::string SessionState::*sessionText = nullptr;
    double PersistentSettings::*settingsNumber = nullptr;
    double SessionState::*sessionNumber = nullptr;

    // The field in the session s; nullptr for a field of the other kind.
    std::string* Text(SessionState& s) const;
    double* Number(SessionState& s) const;
};

struct FitsEditControl {
    int id;
    const char* label;
    bool multiLine;
    size_t keptChars;  // the most characters Continue takes from the edit
    FitsField field;
};

// Every edit of the dialog in the order the dialog lists them, with the field behind it.
std::span<const FitsEditControl> FitsEditControls();

constexpr const char* kUtLabel = "Time Difference to UT in Hrs:";
constexpr const char* kEightBitLabel = "8 bit integer (16 bit default)";
constexpr const char* kUnsignedLabel = "Unsigned Integer Format";
constexpr int kUtHoursMin = -11;
constexpr int kUtHoursMax = 11;

enum class ScrollAction { LineLeft, LineRight, PageLeft, PageRight, Thumb };

class FitsDetailsDialogModel {
  public:
    // The edits show the session's details ("%f" for the numbers), texts without their
    // trailing blanks; the scroll bar shows hoursToUT, or 0 when it lies outside -11 to 11.
    FitsDetailsDialogModel();

    // The text of an edit as the user leaves it; an unknown id gives a scratch text.
    std::string& Edit(int id);
    const std::string& Edit(int id) const;

    // The scroll bar: the arrows move by one within -11 to 11; page and thumb actions change
    // nothing. Edit 112 shows the value and is never read back.
    void Scroll(ScrollAction action);
    int UtHours() const { return utHours_; }
    std::string UtHoursText() const;

    // The check boxes show and toggle the session's flags directly.
    bool EightBitChecked() const;
    bool UnsignedChecked() const;
    void ToggleEightBit();
    void ToggleUnsigned();

    // Copy every edit into the session, cut to its limit; a number that does not parse keeps
    // the session's value; hoursToUT takes the scroll bar's value.
    void Continue();
    // Leave everything else as it is (the check boxes have already acted).
    void Abort() {}

  private:
    std::array<std::string, 13> edits_;
    std::string scratch_;
    int utHours_ = 0;
};

// printf's "%f" without regard to the process locale.
std::string FormatFixed(double value);

}  // namespace vexa
