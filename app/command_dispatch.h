// Runs menu commands by id and tells the menu which items are enabled and checked.
#pragma once

#include <cstdint>

#include "app/front_end_devices.h"
#include "session/long_operation.h"

namespace vexa {

struct CommandStatus {
    bool enabled = false;
    bool checked = false;
};

// The enabler rules alone: Copy needs a display bitmap; telescope commands need a telescope
// type other than "None" (the type in force for the front end's mount link, when given); the
// four view toggles are checked while their flag is set.
CommandStatus CommandRuleStatus(int32_t id, const MountLink* mount = nullptr);
// True when this build carries out the command (a menu item whose operation is not there yet
// stays greyed).
bool CommandImplemented(int32_t id);
// Whether the command may run while the given long operation pumps messages: only what
// changes no image and starts nothing long, Exit (the close stops the operation first), and
// the capture command inside guiding.
bool CommandRunsDuring(int32_t id, LongOperationKind running);
// What the menu shows: implemented, allowed by its rule, and not refused by a running long
// operation.
CommandStatus QueryCommand(int32_t id, const MountLink* mount = nullptr);
// "&Open...": the open dialog, the merge's first image put aside while merging, the load.
void CmdOpen();

// Run the command with the front end's devices; false when the id is unknown or not
// implemented (nothing happens then).
bool ExecuteCommand(int32_t id, const FrontEndDevices& devices = {});

}  // namespace vexa
