// The LX200 command sequences of the telescope dialog: catalogue and co-ordinate GoTo, the
// object information, manual moves and focus runs. Each works on the line it is given and the
// dialogs' state in the session record, and returns how the line behaved: Ok; Timeout or
// ShortTransfer when the mount answered less than expected (what came is kept); InvalidArgument
// when it refused a co-ordinate; Disconnected when the line went away (it is then closed);
// NotFound when the line is not open.
#pragma once

#include <string>
#include <string_view>

#include "session/status.h"
#include "telescope/serial_line.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

// What the mount answered to a GoTo's slew request.
struct GotoAnswer {
    // False when no slew was asked for (the values were refused) or its reply never came.
    bool read = false;
    char reply = 0;  // '0' slewing; anything else is a refusal
    // The refusal's message as it came (normally 32 characters and '#').
    std::string message;
};

// Select object n with the prefix "#:LM ", "#:LC " or "#:LS ", read the information and the
// GoTo reply, then read the information once more. answer, when given, receives the reply.
Status CatalogueGoto(SerialLine& line, std::string_view prefix, int n,
                     GotoAnswer* answer = nullptr);
// Set R.A. and Dec. (each command closed by the leading '#' of the next), then slew. The
// mount's one-byte answers to both are read first. A value answered '0' is sent once more
// without the space before it, for the mounts that take only that form. Unless both are
// finally '1' the slew is not asked for (InvalidArgument, or Timeout when an answer never
// came).
Status CoordinateGoto(SerialLine& line, const Coordinates& c, GotoAnswer* answer = nullptr);
// "#:LI#" and its 33 bytes into the information text; a further byte other than '0' is taken
// as the start of a 33-byte message and read away.
Status ReadScopeInfo(SerialLine& line);

// An arrow press: the slew-rate command, then the move in the direction letter; nothing while
// a move runs. Release: the four stops.
Status StartMove(SerialLine& line, char directionLetter);
Status StopMove(SerialLine& line);
// The focus arrows: the focus-speed command, then "#:F+#" (in) or "#:F-#" (out); nothing while
// a focus run is on. Release: "#:FQ#".
Status StartFocus(SerialLine& line, bool focusIn);
Status StopFocus(SerialLine& line);

}  // namespace vexa
