// Timed waits on the program's millisecond clock: with messages, for waits the user may cut
// short (the exposure countdown, the pause between continuous frames, the histogram's busy
// second), and as plain spins for the short waits that must not dispatch anything (guide
// pulses, the control box's byte timing).
#pragma once

#include <cstdint>

namespace vexa {

// Wait the given time while dispatching window messages, one pump pass at a time, each
// sleeping until input arrives or the wait is over. A key press or a left or right
// mouse-button press beeps and ends the wait at once; the result is then true.
bool WaitWithMessages(uint32_t seconds);
bool WaitMillisecondsWithMessages(uint32_t ms);

// Spin on the millisecond clock, dispatching nothing, until ms have passed since start
// (compared as the clock's unsigned difference, so the wrap of the 32-bit clock is harmless).
void SpinUntilElapsed(uint32_t start, uint32_t ms);
void SpinFor(uint32_t ms);

// Sleep the calling thread on the host's clock (the idle wait of a user interface that has no
// events to wait for).
void SleepMilliseconds(uint32_t ms);

}  // namespace vexa
