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

constexpr std::array<FitsEditControl, 13> kEdits{{
    {fitsdlg::kObject, "Object:", false, false, kShortEditChars},
    {fitsdlg::kObserver, "Observer:", false, false, kShortEditChars},
    {fitsdlg::kOrigin, "Origin:", false, false, kShortEditChars},
    {fitsdlg::kTelescope, "Telescope:", false, false, kShortEditChars},
    {fitsdlg::kInstrument, "Instrumentation:", false, false, kShortEditChars},
    {fitsdlg::kHistory, "History:", true, false, kLongEditChars},
    {fitsdlg::kComments, "Comments:", true, false, kLongEditChars},
    {fitsdlg::kDate, "Date:", false, false, kDateEditChars},
    {fitsdlg::kTime, "Time:", false, false, kTimeEditChars},
    {fitsdlg::kFocalLength, "Focal Len (ins):", false, true, kNumberEditChars},
    {fitsdlg::kAperture, "Aperture (Sq. ins):", false, true, kNumberEditChars},
    {fitsdlg::kExposure, "Exposure (secs):", false, true, kNumberEditChars},
    {fitsdlg::kFilter, "Filter:", false, false, kShortEditChars},
}};

int IndexOf(int id) {
    for (size_t i = 0; i < kEdits.size(); ++i) {
        if (kEdits[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

// The session field behind each text edit.
std::string* TextField(int id) {
    SessionState& s = Session();
    PersistentSettings& p = s.settings;
    switch (id) {
        case fitsdlg::kObject:
            return &p.fitsObject;
        case fitsdlg::kObserver:
            return &p.fitsObserver;
        case fitsdlg::kOrigin:
            return &p.fitsOrigin;
        case fitsdlg::kTelescope:
            return &p.fitsTelescope;
        case fitsdlg::kInstrument:
            return &p.fitsInstrument;
        case fitsdlg::kHistory:
            return &p.fitsHistory;
        case fitsdlg::kComments:
            return &p.fitsComment;
        case fitsdlg::kDate:
            return &s.fitsDate;
        case fitsdlg::kTime:
            return &s.fitsTime;
        case fitsdlg::kFilter:
            return &p.fitsFilter;
        default:
            return nullptr;
    }
}

double* NumberField(int id) {
    SessionState& s = Session();
    switch (id) {
        case fitsdlg::kFocalLength:
            return &s.settings.focalLengthInches;
        case fitsdlg::kAperture:
            return &s.settings.apertureSquareInches;
        case fitsdlg::kExposure:
            return &s.exposureSeconds;
        default:
            return nullptr;
    }
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
        const int id = kEdits[i].id;
        if (const std::string* text = TextField(id)) edits_[i] = WithoutTrailingBlanks(*text);
        if (const double* number = NumberField(id)) edits_[i] = FormatFixed(*number);
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
        if (std::string* text = TextField(control.id)) *text = kept;
        if (double* number = NumberField(control.id)) {
            double value = 0.0;
            if (ParseFitsNumber(kept, value)) *number = value;
        }
    }
    Session().settings.hoursToUT = static_cast<int16_t>(utHours_);
}

}  // namespace vexa
