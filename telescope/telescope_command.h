// "Telescope &Control" (command 24): connect on first use, then the control box's dialog or
// the LX200 dialog, each modal until "Finished".
#pragma once

namespace vexa {

class MountLink;

void CmdTelescopeControl(MountLink& mount);

}  // namespace vexa
