// The settings file "c:\autosave\Vexa_Q4.ini": a headerless 1,183-byte binary record holding
// every persistent setting and the observer's FITS text cards.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "session/host_paths.h"
#include "session/session_state.h"

namespace vexa {

constexpr int kSettingsFileBytes = 1183;

// Fixed pieces of the record. Integers are little-endian; cards are FITS-style 80-byte records.
constexpr int kSettingsCardBytes = 80;
constexpr int kSettingsCardPrefixBytes = 11;  // keyword padded to eight, "=", blank, quote
constexpr int kSettingsCardValueBytes = 68;   // room between the opening and closing quotes
constexpr int kSettingsCardCount = 14;
constexpr int kSettingsFirstCardOffset = 45;
constexpr int kSettingsApertureOffset =
    kSettingsFirstCardOffset + kSettingsCardCount * kSettingsCardBytes;  // 1165
constexpr int kSettingsFocalLengthOffset = kSettingsApertureOffset + 8;
constexpr int kSettingsLastFlagsOffset = kSettingsFocalLengthOffset + 8;  // fields 45 and 46
// Longest short text (object, telescope, ...) and longest history or comment text.
constexpr int kSettingsShortTextChars = kSettingsCardValueBytes;
constexpr int kSettingsLongTextChars = 255;
constexpr int kSettingsLongTextCards = 4;
// The fourth history or comment card carries only what is left of the 255 characters.
constexpr int kSettingsLastPieceChars =
    kSettingsLongTextChars - (kSettingsLongTextCards - 1) * kSettingsCardValueBytes;  // 51
// Values at or above this are not written as they are (see EncodeSettings).
constexpr int16_t kSettingsWrittenAsThreshold = 50;
constexpr int16_t kBacklashMaxOnReading = 30;

constexpr const char* kFastParFailureCaption = "Vexa_Q4_USB";
constexpr const char* kFastParFailureText = "Failed to read fast_par value";

// The record as SaveSettings writes it. Fields 9, 10, 11, 16 and 17 at 50 or more are
// written as 10 and field 12 at 50 or more as 0; texts longer than their cards are cut.
std::array<uint8_t, kSettingsFileBytes> EncodeSettings(const PersistentSettings& settings);

// 0 on success; 2 when the file cannot be opened, is no regular file (a pipe, folder or
// device in its place is neither waited on nor read) or is short (the fields read before the
// end keep their new values); otherwise the result of the rewrite that repairs an invalid
// value. Creates the folder (and the drive root) and a default file when the folder is
// missing, returning the result of that write. Sets backgroundColour from the background
// choice read.
int16_t LoadSettings(const std::string& programPath = kSettingsPath);
// 0 on success; 3 when the file cannot be created or written. The record goes through the
// safe writer: a failed write leaves the previous file as it was, a symbolic link keeps
// pointing at the file it names, and something other than a regular file is never replaced.
int16_t SaveSettings(const std::string& programPath = kSettingsPath);

// The calendar time t as UT, the time written into file stamps: the host's local
// broken-down time of t with hoursToUT hours added, normalised (so 23:30 plus 2 hours is
// 01:30 of the next day). The process time zone is left alone: the host knows its own zone,
// and hoursToUT is applied here explicitly. tm_isdst is 0, tm_wday and tm_yday are set.
std::tm UtTimeOf(std::time_t t);

// "Set Program Defa&ults" (121): reload the settings (code 23 on failure, the dialog opens
// all the same), run the settings dialog, write the file on "Save Changes" (code 24 on
// failure), then repaint the view with erase so that a new background shows.
void CmdSetProgramDefaults();

}  // namespace vexa
