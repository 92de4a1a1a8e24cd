// The telescope dialogs' part of the session record: the commands they chose, the run in
// progress, what the mount last said, and the directions the guider last corrected in. The line
// itself and its connection belong to the front end's mount link.
#pragma once

#include <cstdint>
#include <string>

namespace vexa {

struct TelescopeState {
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
    // The last east/west and north/south letters a guide correction used (for backlash).
    char lastEastWest = 'e';
    char lastNorthSouth = 'n';
};

}  // namespace vexa
