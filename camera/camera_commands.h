// The camera's command set on top of the USB transport: the three exposure controls, the
// full-frame, 2 x 2 binned and focus-window readouts into currentImage, and the short focus
// exposure with its peak and gain that focus mode repeats.
#pragma once

#include <cstdint>

#include "camera/camera_protocol.h"
#include "session/clock.h"
#include "session/status.h"

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

// Each clears the command block, sets the exposure-control code and its mode, and sends the
// block. A failure is reported by the transport and not passed on.
void ExposureTick();
void StartExposure();
void EndExposure();

// ---- readouts into currentImage ----
// Each sets the read command's bytes and the transfer length, runs the transfer and copies the
// image area out of the transfer buffer one row at a time (the focus window in one piece),
// also after a failed transfer. The status says whether the transfer delivered the frame.
[[nodiscard]] Status ReadFullFrame();
[[nodiscard]] Status ReadBinnedFrame();
[[nodiscard]] Status ReadFocusWindow();
// The copy-out alone: the image area of the transfer buffer's last transfer of this layout,
// one block copy per row (one in all for the focus window), into currentImage.
void CopyTransferImageArea(const TransferLayout& layout);

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

// What one focus frame gave besides its peak.
struct FocusReading {
    Status readout;         // the focus-window transfer
    bool hfdFound = false;  // a star stood out in the window
    double hfdPx = 0.0;     // its half-flux diameter, measured before the gain
};
// One focus exposure of the dialog's exposure time: ExposureTick, StartExposure, a wait that
// handles no messages (repeating ExposureTick on every pass when the time is above 600 ms),
// EndExposure, the focus-window readout, the peak, the half-flux diameter of the brightest
// star, and the gain of the data bit depth unless "Set Stretch for all Images" is on.
// Returns the peak.
uint16_t TakeFocusFrame(FocusReading* reading = nullptr);

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
