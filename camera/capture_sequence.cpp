#include "camera/capture_sequence.h"

#include "camera/camera.h"
#include "camera/capture_run.h"
#include "session/long_operation.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/settings_file.h"

namespace vexa {

namespace {

constexpr int kSecondsForSixSteps = 5;
constexpr int kSecondsForTwentySteps = 13;
constexpr int kFewSteps = 2;
constexpr int kSomeSteps = 6;
constexpr int kManySteps = 20;
constexpr int16_t kAbortWholeSeries = 1;

}  // namespace

std::string StatusWithCount(const char* status, int remaining) {
    return std::string(status) + " (Left - " + std::to_string(remaining) + ")";
}

int ProgressSteps(char unit, uint16_t value) {
    if (unit == 'm') return kManySteps;
    if (unit == 's' && value >= kSecondsForTwentySteps) return kManySteps;
    if (unit == 's' && value >= kSecondsForSixSteps) return kSomeSteps;
    return kFewSteps;
}

bool FindCameraIfNeeded(Camera& camera) {
    if (camera.Present()) return true;
    if (LoadSettings() != 0) ShowMessage(MessageCode::NoIniFile);
    DeviceTable table{};
    (void)camera.OpenUSBdevices(table);
    // Nothing to end on a camera that was not found: the command would only fail again.
    if (camera.Present()) (void)camera.EndExposure();
    if (!camera.Present()) {
        ShowMessage(MessageCode::CallerText, kNoCameraText);
        return false;
    }
    return true;
}

void StopCaptureOnAbort(int16_t stopSeries) {
    SessionState& s = Session();
    if (stopSeries == kAbortWholeSeries) {
        s.seriesCount = 1;
        s.abortRequested = 1;
    } else {
        s.seriesCount = 0;
    }
    s.continuousRunning = 0;
    s.exposureDeadlineMs = TheClock().Milliseconds();
    ResetFocusWindow();
}

CaptureOutcome RunCaptureSequence(Camera& camera, CaptureFaults* faults, CaptureDialog dialog) {
    ProgressWindowView progress;
    CaptureRun run(camera, progress, faults);
    return run.Run(dialog);
}

void CmdCameraInterface(Camera& camera) {
    const LongOperation running(LongOperationKind::Capture);
    (void)RunCaptureSequence(camera);
}

}  // namespace vexa
