// The wait cursor shown while a file is read or written. On leaving, the cursor goes back to
// the one the interaction modes show (a cross while a point is being measured on the image,
// else the arrow), which is the cursor that was there before.
#pragma once

#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

inline CursorKind ModeCursor() {
    const SessionState& s = Session();
    const bool pointing = s.photometryMode || s.pickGuideStarMode || s.focusCentrePickMode;
    return pointing ? CursorKind::Cross : CursorKind::Arrow;
}

class WaitCursor {
  public:
    WaitCursor() { Ui().SetCursor(CursorKind::Wait); }
    ~WaitCursor() { Ui().SetCursor(ModeCursor()); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace vexa
