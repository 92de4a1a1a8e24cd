// Putting the session record back to its start-up state between tests.
#pragma once

#include "session/session_state.h"

namespace vexa::test {

// Every field back to its initial value, as at process start, without reallocating the planes
// on the stack.
inline void ResetSession() {
    static const SessionState* fresh = new SessionState();
    Session() = *fresh;
}

}  // namespace vexa::test
