#include "camera/focus_loop.h"

#include <memory>

#include "camera/camera.h"
#include "session/display_refresh.h"
#include "session/long_operation.h"
#include "session/message_pump.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {
constexpr uint32_t kFocusDelayMs = 1000;
}  // namespace

void RunFocusLoop(Camera& camera, const std::function<void()>& afterFrame) {
    SessionState& s = Session();
    CameraState& state = s.camera;
    state.focusStop = false;
    state.refreshNeeded = false;
    if (state.exposureUnit == 'm' || state.exposureValue >= kFocusValueLimit) return;
    state.refreshNeeded = true;

    const LongOperation running(LongOperationKind::FocusLoop);
    // Focus frames are read into the first rows of the current image (the capture buffer) and
    // brightened there: the observer's image is kept aside and put back whole at the end.
    const auto kept = std::make_unique<const Plane>(s.currentImage);
    state.focusRunning = true;
    state.focusFrames = 0;
    // Closing the window stops every long operation through the abort.
    const AbortScope stop([&state](int16_t) { state.focusStop = true; });
    bool framePass = true;
    while (!state.focusStop) {
        Ui().ProcessPendingEvents([&state] { state.focusStop = true; }, 0);
        if (state.focusStop) break;
        if (framePass) {
            FocusReading reading;
            Status readout;
            {
                const WaitCursor wait;
                readout = camera.TakeFocusFrame(&reading);
            }
            state.focusPeak = reading.peak;
            state.focusHfdFound = reading.hfdFound;
            state.focusHfdPx = reading.hfdPx;
            ++state.focusFrames;
            // The transfer has been reported; the camera must be found again.
            if (!readout.ok()) break;
            s.smallFrameDisplay = true;
            RefreshDisplay();
            if (afterFrame) afterFrame();
            Ui().RepaintView(false);
        } else {
            Ui().Beep();
            if (s.settings.focusDelay) WaitWithoutMessages(kFocusDelayMs, [] {});
        }
        framePass = !framePass;
    }
    s.smallFrameDisplay = false;
    s.currentImage = *kept;
    state.focusRunning = false;
    if (state.focusFrames > 0) {
        const WaitCursor wait;
        RefreshDisplay();
    }
}

}  // namespace vexa
