#include <chrono>
#include <cstdio>

#include "session/clock.h"
#include "session/posted_work.h"
#include "session/timed_waits.h"
#include "session/ui_services.h"

namespace vexa {

namespace {
UiServices* activeUi = nullptr;
Clock* activeClock = nullptr;

// Stands in until a front end installs its own: messages go to standard error.
class HeadlessUi : public QuietUi {
  public:
    int MessageBox(const std::string& caption, const std::string& text) override;
};

int HeadlessUi::MessageBox(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return 1;
}
}  // namespace

void QuietUi::ProcessPendingEvents(const std::function<void()>&, uint32_t idleWaitMs) {
    // Work posted by a device thread ends the idle wait early.
    (void)WaitForPostedWork(idleWaitMs);
}

UiServices& Ui() {
    static HeadlessUi fallback;
    return activeUi ? *activeUi : fallback;
}
void SetUi(UiServices* ui) {
    activeUi = ui;
}

uint32_t SystemClock::Milliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
std::time_t SystemClock::CalendarNow() {
    return std::time(nullptr);
}
void SystemClock::Pause(uint32_t ms) {
    SleepMilliseconds(ms);
}

Clock& TheClock() {
    static SystemClock fallback;
    return activeClock ? *activeClock : fallback;
}
void SetClock(Clock* clock) {
    activeClock = clock;
}

}  // namespace vexa
