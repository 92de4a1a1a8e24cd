#include "camera/focus_loop.h"

#include <memory>

#include "camera/camera_commands.h"
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

void RunFocusLoop(const std::function<void()>& afterFrame) {
    SessionState& s = Session();
    CameraState& camera = s.camera;
    camera.focusStop = false;
    camera.refreshNeeded = false;
    if (camera.exposureUnit == 'm' || camera.exposureValue >= kFocusValueLimit) return;
    camera.refreshNeeded = true;

    const LongOperation running(LongOperationKind::FocusLoop);
    // Focus frames are read into the first rows of the current image (the capture buffer) and
    // brightened there: the observer's image is kept aside and put back whole at the end.
    const auto kept = std::make_unique<const Plane>(s.currentImage);
    camera.focusRunning = true;
    camera.focusFrames = 0;
    // Closing the window stops every long operation through the abort.
    const AbortScope stop([&camera](int16_t) { camera.focusStop = true; });
    bool framePass = true;
    while (!camera.focusStop) {
        Ui().ProcessPendingEvents([&camera] { camera.focusStop = true; }, 0);
        if (camera.focusStop) break;
        if (framePass) {
            FocusReading reading;
            {
                const WaitCursor wait;
                camera.focusPeak = TakeFocusFrame(&reading);
            }
            camera.focusHfdFound = reading.hfdFound;
            camera.focusHfdPx = reading.hfdPx;
            ++camera.focusFrames;
            // The transfer has been reported; the camera must be found again.
            if (!reading.readout.ok()) break;
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
    camera.focusRunning = false;
    if (camera.focusFrames > 0) {
        const WaitCursor wait;
        RefreshDisplay();
    }
}

}  // namespace vexa
