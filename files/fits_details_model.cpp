#include "files/fits_details_model.h"

#include <charconv>

#include "files/fits_file.h"
#include "session/session_state.h"

namespace vexa {

namespace {

constexpr size_t kShortEditChars = 67;
constexpr size_t kLongEditChars = 254;
constexpr size_t kDateEditChars = 8;
constexpr size_t kTimeEditChars = 11;
constexpr size_t kNumberEditChars = 19;

using P = PersistentSettings;
using S = SessionState;

constexpr FitsField SettingsText(std::string P::*member) {
    FitsField field;
    field.settingsText = member;
    return field;
}
constexpr FitsField SessionText(std::string S::*member) {
    FitsField field;
    field.sessionText = member;
    return field;
}
constexpr FitsField SettingsNumber(double P::*member) {
    FitsField field;
    field.settingsNumber = member;
    return field;
}
constexpr FitsField SessionNumber(double S::*member) {
    FitsField field;
    field.sessionNumber = member;
    return field;
}

constexpr std::array<FitsEditControl, 13> kEdits{{
    {fitsdlg::kObject, "Object:", false, kShortEditChars, SettingsText(&P::fitsObject)},
    {fitsdlg::kObserver, "Observer:", false, kShortEditChars, SettingsText(&P::fitsObserver)},
    {fitsdlg::kOrigin, "Origin:", false, kShortEditChars, SettingsText(&P::fitsOrigin)},
    {fitsdlg::kTelescope, "Telescope:", false, kShortEditChars, SettingsText(&P::fitsTelescope)},
    {fitsdlg::kInstrument, "Instrumentation:", false, kShortEditChars,
     SettingsText(&P::fitsInstrument)},
    {fitsdlg::kHistory, "History:", true, kLongEditChars, SettingsText(&P::fitsHistory)},
    {fitsdlg::kComments, "Comments:", true, kLongEditChars, SettingsText(&P::fitsComment)},
    {fitsdlg::kDate, "Date:", false, kDateEditChars, SessionText(&S::fitsDate)},
    {fitsdlg::kTime, "Time:", false, kTimeEditChars, SessionText(&S::fitsTime)},
    {fitsdlg::kFocalLength, "Focal Len (ins):", false, kNumberEditChars,
     SettingsNumber(&P::focalLengthInches)},
    {fitsdlg::kAperture, "Aperture (Sq. ins):", false, kNumberEditChars,
     SettingsNumber(&P::apertureSquareInches)},
    {fitsdlg::kExposure, "Exposure (secs):", false, kNumberEditChars,
     SessionNumber(&S::exposureSeconds)},
    {fitsdlg::kFilter, "Filter:", false, kShortEditChars, SettingsText(&P::fitsFilter)},
}};

int IndexOf(int id) {
    for (size_t i = 0; i < kEdits.size(); ++i) {
        if (kEdits[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

// Texts read from a file come with the blank padding of its fixed-width fields (a history or
// comment text of a FITS or settings file is 255 characters long whatever was typed). The
// edits show them without it, so that typing at the end fits; the file writers pad them
// again where their layouts need it.
std::string WithoutTrailingBlanks(const std::string& text) {
    const size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace

std::string* FitsField::Text(SessionState& s) const {
    if (settingsText) return &(s.settings.*settingsText);
    return sessionText ? &(s.*sessionText) : nullptr;
}

double* FitsField::Number(SessionState& s) const {
    if (settingsNumber) return &(s.settings.*settingsNumber);
    return sessionNumber ? &(s.*sessionNumber) : nullptr;
}

std::span<const FitsEditControl> FitsEditControls() {
    return kEdits;
}

std::string FormatFixed(double value) {
    char text[512];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return "0.000000";
    return std::string(text, result.ptr);
}

FitsDetailsDialogModel::FitsDetailsDialogModel() {
    for (size_t i = 0; i < kEdits.size(); ++i) {
        const FitsField& field = kEdits[i].field;
        if (const std::string* text = field.Text(Session())) {
            edits_[i] = WithoutTrailingBlanks(*text);
        }
        if (const double* number = field.Number(Session())) edits_[i] = FormatFixed(*number);
    }
    const int stored = Session().settings.hoursToUT;
    utHours_ = (stored >= kUtHoursMin && stored <= kUtHoursMax) ? stored : 0;
}

std::string& FitsDetailsDialogModel::Edit(int id) {
    const int i = IndexOf(id);
    return i < 0 ? scratch_ : edits_[static_cast<size_t>(i)];
}

const std::string& FitsDetailsDialogModel::Edit(int id) const {
    const int i = IndexOf(id);
    return i < 0 ? scratch_ : edits_[static_cast<size_t>(i)];
}

void FitsDetailsDialogModel::Scroll(ScrollAction action) {
    if (action == ScrollAction::LineLeft && utHours_ > kUtHoursMin) --utHours_;
    if (action == ScrollAction::LineRight && utHours_ < kUtHoursMax) ++utHours_;
}

std::string FitsDetailsDialogModel::UtHoursText() const {
    return std::to_string(utHours_);
}

bool FitsDetailsDialogModel::EightBitChecked() const {
    return Session().eightBitFits;
}
bool FitsDetailsDialogModel::UnsignedChecked() const {
    return Session().settings.unsignedIntFits;
}
void FitsDetailsDialogModel::ToggleEightBit() {
    Session().eightBitFits = !Session().eightBitFits;
}
void FitsDetailsDialogModel::ToggleUnsigned() {
    Session().settings.unsignedIntFits = !Session().settings.unsignedIntFits;
}

void FitsDetailsDialogModel::Continue() {
    for (size_t i = 0; i < kEdits.size(); ++i) {
        const FitsEditControl& control = kEdits[i];
        const std::string kept = edits_[i].substr(0, control.keptChars);
        if (std::string* text = control.field.Text(Session())) *text = kept;
        if (double* number = control.field.Number(Session())) {
            double value = 0.0;
            if (ParseFitsNumber(kept, value)) *number = value;
        }
    }
    Session().settings.hoursToUT = static_cast<int16_t>(utHours_);
}

}  // namespace vexa
