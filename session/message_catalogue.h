// The numbered message catalogue through which every command reports to the user.
#pragma once

#include <cstdint>
#include <string>

namespace vexa {

constexpr const char* kMessageCaption = "VEXA_Q4_USB";

// Every catalogue entry by what it says. Entries that nothing raises belong to the catalogue
// all the same; None (0) and codes outside the catalogue show an empty box.
enum class MessageCode : int16_t {
    None = 0,
    NoIniFile = 1,
    OutsideImage = 2,
    InterfaceNotFound = 3,
    GuideStarLost = 4,
    NoSuitableGuideStar = 5,
    CreateFileSpare = 6,
    DarkFrameOpenFailed = 7,
    TempBitmapFailed = 8,
    TempBitmapHeaderFailed = 9,
    TempBitmapFileFailed = 10,
    TqOpenFailed = 11,
    NotValidTqOrFits = 12,
    FitsLoadFailed = 13,
    FitsNotThisProgram = 14,
    FitsNotThisProgramSpare = 15,
    NotTqFile = 16,
    TqSaveFailed = 17,
    TqOverwriteFailed = 18,
    RqOverwriteFailed = 19,
    IniLoadFailedSpare = 20,
    IniSaveFailedSpare = 21,
    DarkFrameNotTq = 22,
    SettingsLoadFailed = 23,
    SettingsSaveFailed = 24,
    FlatFieldOpenFailed = 25,
    FlatFieldNotTq = 26,
    TelescopeSettingsLoadFailed = 27,
    IniSaveFailedSpare2 = 28,
    CreateFileFailed = 29,
    MergeGeometry = 30,
    AlreadyMerging = 31,
    BitmapReadFailed = 32,
    CannotPickStar = 33,
    NoTelescope = 34,
    ModesExclude = 35,
    PhotometryGeometry = 36,
    AlreadyPhotometry = 37,
    RowPlotGeometry = 38,
    BitmapResourceFailed = 39,
    NoMoreAutosaved = 40,
    EmptySpare = 41,
    CallerText = 50,  // the caller's own text
    AutoGuidingTerminated = 51,
    GotHereOk = 66,
    EvenGotHereOk = 67,
};

// The catalogue text of a code; empty for codes not in the catalogue (and for CallerText,
// whose text the caller supplies).
std::string CatalogueText(int16_t code);
inline std::string CatalogueText(MessageCode code) {
    return CatalogueText(static_cast<int16_t>(code));
}

// Show a modal box captioned "VEXA_Q4_USB" with the text of code, or with text itself for
// CallerText (cut to 255 characters). Unknown codes show an empty box.
int ShowMessage(int16_t code, const std::string& text = std::string());
inline int ShowMessage(MessageCode code, const std::string& text = std::string()) {
    return ShowMessage(static_cast<int16_t>(code), text);
}

// The catalogue text of code with the system's reason for a failed file operation after it,
// as a paragraph of its own ("Unable to create file, check disk space\n\nPermission
// denied"), so that the user looks in the right place. Without a reason, the text alone.
std::string TextWithReason(MessageCode code, const std::string& reason);
int ShowMessageWithReason(MessageCode code, const std::string& reason);

}  // namespace vexa
