// The telescope link's part of the session record: whether the line is open, the commands the
// dialogs chose, the run in progress, what the mount last said, and the pulse the guider is
// about to send.
#pragma once

#include <cstdint>
#include <string>

namespace vexa {

struct TelescopeState {
    bool connected = false;  // set when a telescope command first opens the line
    int16_t portId = -1;     // the open port's digit (1 or 2); negative while none is open
    std::string slewRateCommand =
        "#:RS#";  // "#:RS#" Slew, "#:RM#" Find, "#:RC#" Centre, "#:RG#" Guide
    std::string focusSpeedCommand = "#:FS#";  // "#:FF#" Fast, "#:FS#" Slow
    std::string moveCommand = "#:Mw#";        // its fourth character is the direction letter
    std::string focusMoveCommand = "#:F+#";   // "#:F+#" or "#:F-#"
    bool moving = false;                      // a move runs until its arrow is released
    bool focusing = false;                    // likewise a focus run
    // The mount's object information: up to 33 characters as read ("Info from Scope").
    std::string scopeInfo;
    char lastGotoReply = '0';
    // The guide pulse the guider sends next: its direction letter and length.
    char pulseDirection = 'e';
    uint32_t pulseMs = 0;
    // The last east/west and north/south letters a guide correction used (for backlash).
    char lastEastWest = 'e';
    char lastNorthSouth = 'n';
};

}  // namespace vexa
