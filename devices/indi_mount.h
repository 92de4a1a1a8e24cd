// A mount on an INDI server, through libindi's client library: the server reached, the mount
// device found (the first telescope when none is named) and connected when the server holds it
// disconnected; GoTo by ON_COORD_SET and EQUATORIAL_EOD_COORD at the date's co-ordinates;
// the arrows by TELESCOPE_SLEW_RATE and TELESCOPE_MOTION_NS/WE; the focuser where the server
// offers one; timed guide pulses by TELESCOPE_TIMED_GUIDE_NS/WE.
//
// libindi calls back on a thread of its own. Those calls only copy what the server said and
// post it to the user-interface thread (session/posted_work.h); everything else, the session
// included, is touched on that thread alone. Every wait has a time limit and ends early when
// the server goes away.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "telescope/remote_mount.h"

namespace vexa {

struct IndiMirror;
struct IndiProperty;

// How long each wait may take.
struct IndiTimeLimits {
    uint32_t serverSeconds = 5;        // the server to answer a connection
    uint32_t deviceMs = 5000;          // the device to be listed
    uint32_t deviceConnectMs = 30000;  // the device to connect (the driver opens its port)
    uint32_t pulseExtraMs = 5000;      // a guide pulse beyond its own length
    uint32_t commandMs = 5000;         // the answer to any other request
};

class IndiMount final : public RemoteMount {
  public:
    explicit IndiMount(IndiTimeLimits limits = {});
    ~IndiMount() override;
    IndiMount(const IndiMount&) = delete;
    IndiMount& operator=(const IndiMount&) = delete;

    Status Connect(const IndiServer& server) override;
    bool Connected() const override;
    void Close() override;
    std::string DeviceName() const override { return device_; }

    Status CatalogueGoto(std::string_view prefix, int n, GotoAnswer* answer) override;
    Status CoordinateGoto(const Coordinates& c, GotoAnswer* answer) override;
    Status ReadScopeInfo() override;
    Status StartMove(char directionLetter) override;
    Status StopMove() override;
    Status StartFocus(bool focusIn) override;
    Status StopFocus() override;
    Status Pulse(char directionLetter, uint32_t pulseMs) override;

  private:
    class Client;

    Status Lost() const;
    Status Usable() const;
    // The steps of Connect: the device found (where: the server as messages name it), connected
    // when the server holds it disconnected, and its co-ordinates defined.
    Status FindDevice(const std::string& where);
    Status ConnectDevice();
    Status AwaitCoordinates();
    Status GotoDate(double raHours, double decDegrees, const std::string& name, GotoAnswer* answer);
    // Sends the mount to the co-ordinates until it arrives (again, a few times, when it ends off
    // the target), refuses (refused set), is stopped by a key, runs out of time or is lost.
    Status SlewTo(double raHours, double decDegrees, bool& refused);
    std::string FocuserDevice() const;
    // The property once the server has defined it (it may still be on its way after a
    // connection); null when it has not within timeoutMs.
    const IndiProperty* Await(const std::string& device, const std::string& name,
                              uint32_t timeoutMs) const;

    IndiTimeLimits limits_;
    std::shared_ptr<IndiMirror> mirror_;
    std::unique_ptr<Client> client_;
    IndiServer server_;
    std::string device_;
    bool connected_ = false;
    bool movingNorthSouth_ = false;
    std::string focuser_;
};

// What front ends hand their MountLink: an IndiMount on each call.
RemoteMountMaker IndiMountMaker();

}  // namespace vexa
