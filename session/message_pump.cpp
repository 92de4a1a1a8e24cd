// The message pump of long operations and the abort that a key or mouse-button press causes.
#include "session/message_pump.h"

#include "session/clock.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

void PumpMessages(int16_t stopSeries, uint32_t idleWaitMs) {
    Ui().ProcessPendingEvents([stopSeries] { PerformAbort(stopSeries); }, idleWaitMs);
}

void PerformAbort(int16_t stopSeries) {
    SessionState& s = Session();
    if (stopSeries == 1) {
        s.seriesCount = 1;
        s.abortRequested = 1;
    } else {
        s.seriesCount = 0;
    }
    s.continuousRunning = 0;
    // Guiding runs as a continuous capture; stopping it must stop the continuous loop too.
    if (s.guidingDuringCapture) s.continuousCapture = false;
    s.guidingDuringCapture = false;
    // The running exposure wait ends at once.
    s.exposureDeadlineMs = TheClock().Milliseconds();
    Ui().Beep();
    ResetFocusWindow();
}

}  // namespace vexa
