// Work that another thread (a device library calling back on its own thread) hands to the one
// user-interface thread: posted from any thread, run on the user-interface thread when its
// message pump drains the queue, so nothing but that thread ever touches the session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vexa {

// Any thread. The work runs later on the user-interface thread, in the order posted.
void PostToUiThread(std::function<void()> work);
// The user-interface thread: runs everything posted so far (and what that work posts in turn
// is left for the next call); returns how many pieces ran. The message pump calls it on every
// pass.
size_t RunPostedWork();
// The user-interface thread: waits until something is posted or timeoutMs have passed on the
// host's clock; true when work is waiting. The idle wait of a user interface without events.
bool WaitForPostedWork(uint32_t timeoutMs);
// A front end whose idle wait is an event loop of its own gives it a nudge here: called on the
// posting thread after every post (null: none).
void SetPostedWorkWakeUp(std::function<void()> wakeUp);

}  // namespace vexa
