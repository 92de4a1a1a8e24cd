#include "session/timed_waits.h"

#include <time.h>

#include <algorithm>
#include <cerrno>

#include "session/clock.h"
#include "session/message_pump.h"
#include "session/posted_work.h"
#include "session/ui_services.h"

namespace vexa {

bool WaitWithMessages(uint32_t seconds) {
    return WaitMillisecondsWithMessages(seconds * 1000u);
}

bool WaitMillisecondsWithMessages(uint32_t ms) {
    const uint32_t start = TheClock().Milliseconds();
    bool interrupted = false;
    const auto onAbortInput = [&interrupted] {
        if (interrupted) return;  // one beep, however many inputs came in the pass
        interrupted = true;
        Ui().Beep();
    };
    for (;;) {
        const uint32_t elapsed = TheClock().Milliseconds() - start;
        if (interrupted || elapsed >= ms) break;
        Ui().ProcessPendingEvents(onAbortInput, std::min(ms - elapsed, kPumpIdleWaitMs));
        (void)RunPostedWork();
    }
    return interrupted;
}

void SpinUntilElapsed(uint32_t start, uint32_t ms) {
    while (TheClock().Milliseconds() - start < ms) {
    }
}

void SpinFor(uint32_t ms) {
    SpinUntilElapsed(TheClock().Milliseconds(), ms);
}

void SleepMilliseconds(uint32_t ms) {
    if (ms == 0) return;
    timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    // A signal (Ctrl+C on the command line) ends the sleep early, which is what the pump wants.
    (void)nanosleep(&wait, nullptr);
}

}  // namespace vexa
