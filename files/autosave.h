// The numbered autosave files "c:\AUTOSAVE\IMG<n>.FIT", the end-of-frame step of the capture
// and guiding loops, stepping through autosaved files with Ctrl+A, and the UT instants the
// files are stamped with.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "session/session_state.h"

namespace vexa {

constexpr uint16_t kLastAutosaveNumber = 65530;  // the number after it is 1
constexpr const char* kAutosaveFolder = "c:\\AUTOSAVE";

constexpr const char* kDarkFrameHistoryLine = "Dark Frame Subtracted";
constexpr const char* kFlatFieldHistoryLine = "Flatfield Applied";

// The instant now on the UT scale: whole seconds of the host's local clock reading (taken as
// if it were UT) plus hoursToUT hours. Breaking such an instant down with gmtime_r gives the
// UT date and time with no further zone correction.
int32_t UtNow();
// The same for any calendar time.
int32_t UtInstantOf(std::time_t calendar);

// "c:\AUTOSAVE\IMG<number>.FIT".
std::string AutosaveFileName(uint16_t number);
// The number after the given last one: 1 after 65,530 or more.
uint16_t NextAutosaveNumber(uint16_t last);
// The first number after last, in that order, that is not taken, trying one full round of
// numbers at most; nothing when every number is taken.
std::optional<uint16_t> FirstFreeAutosaveNumber(uint16_t last,
                                                const std::function<bool(uint16_t)>& taken);

// The stamps of an instant: "HH:MM:SS", and day/month/year with the year as years since
// 1900 up to 1999, "0" and the last digit for 2000 to 2009, years since 2000 from 2010 on
// (5/3/07, 28/11/12, 1/1/70).
std::string FitsTimeOf(int64_t instant);
std::string FitsDateOf(int64_t instant);
// The middle of the last exposure: start + floor((end - start) / 2).
int64_t MidExposureInstant(int32_t start, int32_t end);

// Writes the next autosave file of image as 16-bit FITS, under the first number after the
// last one whose file does not exist in any letter case (at most one full round of numbers),
// and gives that number. The number is used up first (also when the write then fails); the
// date and time fields are stamped with the middle of the last exposure; the file appears
// complete or not at all and never replaces another, also when another program saves into
// the same folder at the same time. After a successful write autosaveNumber is the number
// written and the settings file is saved so that it survives (its result is not reported).
// Nothing when the write failed (WriteFailureReason says why); the caller reports it.
std::optional<uint16_t> AutosaveFits(const Plane& image);

// After each finished image: exposureEnd = now; unless auto-processing ran, the history
// lines are the calibration lines alone; the normal cursor and the display come back; then,
// with Auto Save Image on, the autosave (message 29 with the system's reason on failure). False
// only when that autosave failed, so that a continuous capture can stop instead of failing on every
// frame.
bool FinishFrame();

// "Load next Autosaved File" (Ctrl+A): message 40 unless a loaded autosave number below the
// last one is known; otherwise the number advances (also when the load then fails) and the
// file of that number is loaded.
void LoadNextAutosaved();

}  // namespace vexa
