// The arithmetic of the camera's command set (class Camera sends the commands): exposure
// times, the focus-window bytes of a read command, and the peak and gain of the focus frames
// that focus mode repeats.
#pragma once

#include <cstdint>

#include "camera/camera_protocol.h"
#include "session/clock.h"

namespace vexa {

// ---- exposure times ----
constexpr uint32_t kHundredthMs = 10;
constexpr uint32_t kTenthMs = 100;
constexpr uint32_t kSecondMs = 1000;
constexpr uint32_t kMinuteMs = 60000;
// Exposure time of a capture: 'h' 10 ms, 't' 100 ms, 'm' 60,000 ms, any other unit seconds.
uint32_t ExposureMilliseconds(char unit, uint16_t value);
// Exposure time of a focus frame: 'h' 10 ms, 't' 100 ms, any other unit (minutes too) seconds.
uint32_t FocusExposureMilliseconds(char unit, uint16_t value);
// Waits longer than this keep the exposure alive with a repeated ExposureTick.
constexpr uint32_t kTickFreeExposureMs = 600;

// The focus-window bytes of a read command for a window whose top-left corner is (x, y) in
// full-frame pixels: rows before (y + 7) / 30, rows after (1030 - y) / 30, columns before
// (x + 11) / 4, columns after (1300 - x) / 4, each sent as its low 8 bits. The columns-before
// count is the camera's only unambiguous column address and has 8 bits: a corner right of
// column 1012 cannot be addressed, and the window is read at column 1012 instead (the
// columns-after count then follows from that column). Corners left of the sensor are read
// at column or row 0.
struct FocusWindowBytes {
    uint8_t rowsBefore = 0;
    uint8_t rowsAfter = 0;
    uint8_t columnsBefore = 0;
    uint8_t columnsAfter = 0;
};
constexpr int kFocusLastAddressableColumn =
    255 * kFocusColumnUnit + (kFocusColumnUnit - 1) - kFocusColumnsBeforeBias;  // 1012
FocusWindowBytes FocusWindowCommandBytes(int x, int y);

// ---- focus frames ----
// The focus peak of a 128-sample-wide frame: the running peak m of p / 4 over rows 12 to 125
// and columns 5 to 125, raised only where the sample directly above also exceeds m on the
// same scale, so a lone bright sample does not count.
uint16_t FocusPeak(const uint16_t* frame);
// The gain that brings a focus frame of the given data bit depth to 16 bits: 12 bits 16,
// 13 bits 8, 14 bits 4, 15 bits 2, 16 bits 1.
int FocusGain(int bits);
// Multiplies count samples by gain, storing 65,535 for products of 65,535 or more.
void ApplyFocusGain(uint16_t* samples, int count, int gain);
// The gain applies to this many samples at the start of currentImage.
constexpr int kFocusGainSamples = 25600;

// What one focus frame showed.
struct FocusReading {
    uint16_t peak = 0;      // the focus peak, on a 14-bit scale
    bool hfdFound = false;  // a star stood out in the window
    double hfdPx = 0.0;     // its half-flux diameter, measured before the gain
};

// A wait of ms on the program clock that handles no messages: eachPass runs on every pass,
// which then lets a millisecond pass (the processor is not kept busy).
constexpr uint32_t kWaitPassMs = 1;
template <typename Pass>
void WaitWithoutMessages(uint32_t ms, Pass eachPass) {
    const uint32_t start = TheClock().Milliseconds();
    while (TheClock().Milliseconds() - start < ms) {
        eachPass();
        TheClock().Pause(kWaitPassMs);
    }
}

}  // namespace vexa
