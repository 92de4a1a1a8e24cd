// The message pump of long operations: keeps the window alive and turns a key press or a
// mouse-button press into the abort of the exposure series and autoguiding. This is the one
// place where long operations are aborted.
#pragma once

#include <cstdint>

namespace vexa {

// Dispatch every pending window message; an aborting input first performs the abort steps.
// stopSeries 1 stops the whole series (seriesCount 1, abortRequested 1), otherwise
// seriesCount becomes 0.
void PumpMessages(int16_t stopSeries);
// The abort steps themselves.
void PerformAbort(int16_t stopSeries);

}  // namespace vexa
