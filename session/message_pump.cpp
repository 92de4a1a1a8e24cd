// The message pump of long operations and the abort that a key or mouse-button press causes.
#include "session/message_pump.h"

#include <utility>

#include "session/posted_work.h"
#include "session/ui_services.h"

namespace vexa {

namespace {
AbortScope* innermost = nullptr;
}  // namespace

AbortScope::AbortScope(Handler handler) : handler_(std::move(handler)), outer_(innermost) {
    innermost = this;
}

AbortScope::~AbortScope() {
    innermost = outer_;
}

void PumpMessages(int16_t stopSeries, uint32_t idleWaitMs) {
    Ui().ProcessPendingEvents([stopSeries] { PerformAbort(stopSeries); }, idleWaitMs);
    // What device threads handed over (an INDI server's answers) is taken in on this thread.
    (void)RunPostedWork();
}

void PerformAbort(int16_t stopSeries) {
    for (AbortScope* scope = innermost; scope != nullptr; scope = scope->outer_) {
        if (scope->handler_) scope->handler_(stopSeries);
    }
    Ui().Beep();
}

}  // namespace vexa
