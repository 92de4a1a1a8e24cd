// The camera's own part of the session record: the settings of the camera control dialog that
// are kept for the session only, and the state of a running capture sequence and focus loop.
// The capture fields that other subsystems read (seriesCount, continuousRunning, ...) stay in
// SessionState itself.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vexa {

// The alternative slew-and-sum compares intensity profiles of a square region this wide.
constexpr int kSlewProfileLength = 100;

struct CameraState {
    // ---- camera control dialog settings (session only) ----
    char exposureUnit = 's';  // 'h' hundredths, 't' tenths, 's' seconds, 'm' minutes
    uint16_t exposureValue = 1;
    uint16_t exposureMaximum = 300;  // set with the unit
    int16_t pauseMinutes = 0;        // "Delay between exposures (mins)"
    bool averageMultiple = false;    // "Average Multiple Exposures"
    bool alternativeSlew = false;    // "Alternative Slew Method"
    bool delayBeforeExposure = false;
    bool binImage = false;            // "Bin Image 2X2"
    bool autochangeExposure = false;  // toggled by its check box; nothing else reads it

    // ---- capture sequence ----
    int16_t exposuresInSequence = 0;  // the divisor when averaging
    bool darkLoaded = false;          // cleared at each capture start
    bool flatLoaded = false;          // set at the first flat applied, never cleared
    bool autosavedMark = false;
    std::string statusText;  // the progress window's title
    int32_t progressPosition = 0;
    // Drift reference of the standard slew-and-sum: star x of 0 means no reference yet.
    int32_t driftStarX = 0;
    int32_t driftStarY = 0;
    int32_t driftReferencePeak = 0;
    // Alternative slew-and-sum: the region's row offset, the running drift and the profiles
    // of the last frame.
    bool profilesStored = false;
    int32_t profileRowOffset = 0;
    int32_t runningDriftX = 0;
    int32_t runningDriftY = 0;
    std::array<int64_t, kSlewProfileLength> rowProfile{};
    std::array<int64_t, kSlewProfileLength> columnProfile{};

    // ---- focus mode ----
    bool refreshNeeded = false;  // focus mode ran: Cancel refreshes the main display
    bool focusStop = false;
    bool focusRunning = false;
    uint16_t focusPeak = 0;
    bool focusHfdFound = false;
    double focusHfdPx = 0.0;
    int32_t focusFrames = 0;  // frames taken since the focus loop started
};

}  // namespace vexa
