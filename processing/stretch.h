// The contrast-stretch core: the 15-bit transfer table that every stretch fills, its builders,
// and the pass that maps each sample s of currentImage to 2 x table[s >> 1].
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexa {

constexpr int kStretchTableEntries = 32768;
constexpr uint16_t kStretchTableTop = 32767;  // largest table value (sample 65534)
constexpr int kStretchSteps = 25;             // steps of the pass after the first ten rows
constexpr int kStretchBarStep = 10;           // bar position of step k is 10 x k
constexpr const char* kContrastStretchTitle = "CONTRAST STRETCH";

// Highest white level of Normal Stretch (above 255 the image is darkened overall) and highest
// black level.
constexpr int kNormalWhiteMax = 300;
constexpr int kNormalBlackMax = 255;
// Remove Background does nothing at or below this background level.
constexpr int32_t kRemoveBackgroundMinLevel = 2;

// Map count samples in place through the table: s becomes 2 x table[s >> 1].
void MapThroughStretchTable(uint16_t* samples, size_t count, const uint16_t* table);
// The same, copying each sample into originals before it is replaced.
void MapKeepingOriginals(uint16_t* samples, uint16_t* originals, size_t count,
                         const uint16_t* table);

// The core pass: wait cursor, progress window "CONTRAST STRETCH" with bar positions 0 to 240,
// undo copy of sampleCount samples, the first ten rows (left alone on a labelled image) and 25
// steps of stretchTailCount samples, then the display refresh when refresh is set.
void ApplyStretchTable(bool refresh);

// Put back the cursor a pass replaced with the wait cursor: the cross while a mode that
// measures points on the image is on, else the arrow.
void RestorePassCursor();

// ---- table builders: each rewrites all 32,768 entries of the session's StretchTable ----

// Normal Stretch in display levels (white W, black B). False, and the table untouched, when
// W <= B or a level lies outside its dialog range (white up to 300, black up to 255).
bool BuildNormalStretchTable(int white, int black);
// Power Law Stretch; false, and the table untouched, when the exponent is exactly 1.0 or is
// not a finite number.
bool BuildPowerLawTable(double exponent);
void BuildSineTable();
void BuildLogTable();
void BuildAntilogTable();
void BuildInvertTable();
// Remove Background with the session's backgroundLevel g: nothing at all when g <= 2.
// Otherwise builds the table, appends "Background Removed : min " + (2g - 4), and applies the
// table with a refresh when apply is set. True when the table was built.
bool BuildRemoveBackgroundTable(bool apply);
// Non-Linear Stretch with the given power; appends "Non-Linear Stretch : power " + trunc(power).
// Does not apply the table.
void BuildNonLinearTable(double power);

// ---- history lines ----
std::string NormalStretchHistory(int white, int black);
std::string PowerLawHistory(double exponent);
std::string RemoveBackgroundHistory(int32_t level);
std::string NonLinearHistory(double power);
constexpr const char* kSineHistory = "Sine Stretch";
constexpr const char* kLogHistory = "Log Stretch";
constexpr const char* kAntilogHistory = "Antilog Stretch";
constexpr const char* kInvertHistory = "Invert Image to Negative";

}  // namespace vexa
