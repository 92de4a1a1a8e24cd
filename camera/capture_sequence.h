// The capture command "TQ4 Camera &Interface" (Ctrl+Z): the camera found if need be, the
// camera control dialog, then the exposures: optional audible delay, exposure with progress
// and abort, readout, dark and flat calibration, slew-and-sum, auto-processing, the
// end-of-frame step with autosave, and continuous passes with their pause. Its steps are in
// capture_run.h.
#pragma once

#include <cstdint>
#include <string>

#include "session/message_pump.h"

namespace vexa {

constexpr const char* kNoCameraText = "Sorry, No camera found on USB";
constexpr const char* kCaptureImageTitle = "TQ Camera Image";
constexpr double kCapturePixelSizeMm = 0.0074;

// The progress window's titles.
constexpr const char* kDelayStatus = "EXPOSURE DELAY";
constexpr const char* kExposingStatus = "EXPOSURE UNDERWAY";
constexpr const char* kReadingStatus = "READING TQ CAMERA";
constexpr const char* kBinnedReadTime = " - takes 3-4 seconds";
constexpr const char* kFullReadTime = " - takes 10-12 seconds";
constexpr const char* kPauseStatus = "Pause between exposures";

constexpr int kProgressFull = 256;
constexpr int kReadingProgress = 20;
constexpr int kDelaySeconds = 10;
constexpr int kDelayProgressStep = 25;
constexpr int kPauseSteps = 16;
constexpr uint32_t kContinuousSettleSeconds = 2;
constexpr int kTickEveryPasses = 6;

// How a capture ended.
enum class CaptureOutcome {
    NoCamera,        // the camera could not be found; nothing was taken
    Cancelled,       // the dialog was closed without "Take Photo"
    Finished,        // every exposure was taken (or the series was stopped between them)
    Aborted,         // a key or click stopped an exposure before its readout
    TransferFailed,  // a readout failed (reported); the sequence stopped there
};

// Steps of a capture that failed, each reported to the user, while the capture carried on.
struct CaptureFaults {
    bool calibration = false;  // a dark or flat reference could not be applied
    bool sum = false;          // the drift-compensated sum fell back to the frames so far
    bool save = false;         // an autosave failed
    bool Any() const { return calibration || sum || save; }
};

// Status text with the exposures still to take: "TEXT (Left - n)".
std::string StatusWithCount(const char* status, int remaining);
// The number of progress steps of an exposure: 6 for 5 to 12 seconds, 20 for 13 seconds or
// more and for minutes, else 2.
int ProgressSteps(char unit, uint16_t value);

class Camera;

// The camera search of the capture command: while the camera is not present, the settings are
// reloaded (message 1 when that fails), the camera is searched for and any exposure it was
// making is ended; "Sorry, No camera found on USB" and false when none is found.
bool FindCameraIfNeeded(Camera& camera);

// What a key or click does to a running capture: stopSeries 1 stops the whole series (the
// exposure in progress is not read out), 0 ends the exposures still to take; the continuous
// passes end, the exposure wait ends at once and the focus window returns to the centre.
void StopCaptureOnAbort(int16_t stopSeries);
// The capture's abort rules for as long as it runs.
class CaptureAbortScope : public AbortScope {
  public:
    CaptureAbortScope() : AbortScope(StopCaptureOnAbort) {}
};

// Whether the capture shows the camera control dialog before its exposures, or takes them
// with the settings as they stand.
enum class CaptureDialog { Shown, Skipped };

// The whole capture on this camera. faults, when given, learns which steps failed along the
// way.
CaptureOutcome RunCaptureSequence(Camera& camera, CaptureFaults* faults = nullptr,
                                  CaptureDialog dialog = CaptureDialog::Shown);

// Menu command 12: the capture, marked as a long operation so that commands chosen while it
// pumps messages do not run inside it.
void CmdCameraInterface(Camera& camera);

}  // namespace vexa
