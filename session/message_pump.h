// The message pump of long operations: keeps the window alive and turns a key press or a
// mouse-button press into the abort of the exposure series and autoguiding. This is the one
// place where long operations are aborted.
#pragma once

#include <cstdint>

namespace vexa {

// The longest one pass of the pump waits for new input when none is pending: short enough
// that the work a long operation does on every pass (exposure ticks, progress steps) keeps its
// pace and an abort is seen at once; long enough that a five-minute exposure or a pause of
// twenty minutes costs next to no processor time.
constexpr uint32_t kPumpIdleWaitMs = 5;

// Dispatch every pending window message, waiting up to idleWaitMs for one when none is
// pending; an aborting input first performs the abort steps. stopSeries 1 stops the whole
// series (seriesCount 1, abortRequested 1), otherwise seriesCount becomes 0.
void PumpMessages(int16_t stopSeries, uint32_t idleWaitMs = kPumpIdleWaitMs);
// The abort steps themselves.
void PerformAbort(int16_t stopSeries);

}  // namespace vexa
