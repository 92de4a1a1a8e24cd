// Runs menu commands by id and tells the menu which items are enabled and checked.
#pragma once

#include <cstdint>

namespace vexa {

struct CommandStatus {
    bool enabled = false;
    bool checked = false;
};

// The enabler rules alone: Copy needs a display bitmap; telescope commands need a telescope
// type other than "None"; the four view toggles are checked while their flag is set.
CommandStatus CommandRuleStatus(int32_t id);
// True when this build carries out the command (a menu item whose operation is not there yet
// stays greyed).
bool CommandImplemented(int32_t id);
// What the menu shows: implemented and allowed by its rule.
CommandStatus QueryCommand(int32_t id);
// "&Open...": the open dialog, the merge's first image put aside while merging, the load.
void CmdOpen();

// Run the command; false when the id is unknown or not implemented (nothing happens then).
bool ExecuteCommand(int32_t id);

}  // namespace vexa
