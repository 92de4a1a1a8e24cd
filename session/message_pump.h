// The message pump of long operations: keeps the window alive and turns a key press or a
// mouse-button press into the abort of whatever long operations are running. Each operation
// that can be stopped says what stopping it means with an AbortScope for as long as it runs;
// the pump knows no operation's rules.
#pragma once

#include <cstdint>
#include <functional>

namespace vexa {

// The longest one pass of the pump waits for new input when none is pending: short enough
// that the work a long operation does on every pass (exposure ticks, progress steps) keeps its
// pace and an abort is seen at once; long enough that a five-minute exposure or a pause of
// twenty minutes costs next to no processor time.
constexpr uint32_t kPumpIdleWaitMs = 5;

// Dispatch every pending window message, waiting up to idleWaitMs for one when none is
// pending; an aborting input first performs the abort. stopSeries is handed to every running
// operation's abort: 1 asks for the whole series to stop, 0 for the exposures still to take.
void PumpMessages(int16_t stopSeries, uint32_t idleWaitMs = kPumpIdleWaitMs);
// The abort itself: every registered scope's handler, innermost first, then the beep.
void PerformAbort(int16_t stopSeries);

// What an abort does to one running operation, registered for the scope's lifetime. Scopes
// nest (a capture inside guiding): an abort reaches all of them.
class AbortScope {
  public:
    using Handler = std::function<void(int16_t stopSeries)>;
    explicit AbortScope(Handler handler);
    ~AbortScope();
    AbortScope(const AbortScope&) = delete;
    AbortScope& operator=(const AbortScope&) = delete;

  private:
    friend void PerformAbort(int16_t stopSeries);
    Handler handler_;
    AbortScope* outer_;
};

}  // namespace vexa
