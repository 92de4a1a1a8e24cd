// A mount that no serial line of this program reaches: one an INDI server drives, on this
// computer or across the network. It offers the dialogs' operations and the guider's pulses
// like the serial mounts; the front end makes it (devices/) and hands it to its MountLink.
// Every wait it makes has a time limit: no server, a refused connection, an unknown device or
// a server that goes away end in a failed status with the reason, never in a hang.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "session/indi_settings.h"
#include "session/status.h"
#include "telescope/guide_pulses.h"
#include "telescope/mount_operations.h"

namespace vexa {

class RemoteMount : public MountOperations, public GuidePulses {
  public:
    // Reaches the server, finds the mount device (the first telescope when none is named) and
    // connects it when the server holds it disconnected. Ok at once while connected.
    virtual Status Connect(const IndiServer& server) = 0;
    // Connected until Close or until the server or the device went away.
    virtual bool Connected() const = 0;
    virtual void Close() = 0;
    // The mount device in use ("Telescope Simulator"); empty before Connect.
    virtual std::string DeviceName() const = 0;
};

using RemoteMountMaker = std::function<std::unique_ptr<RemoteMount>()>;

}  // namespace vexa
