// A simulated camera that owns its sky, for a front end that starts the simulator on its own
// (`--simulator`): the sky is made first and lives as long as the camera.
#pragma once

#include "simulator/simulated_camera.h"
#include "simulator/sky_model.h"

namespace vexa {

namespace detail {
struct OwnedSky {
    explicit OwnedSky(const SkyConfig& config) : ownedSky(config) {}
    SkyModel ownedSky;
};
}  // namespace detail

class StandaloneSimulatedCamera : private detail::OwnedSky, public SimulatedCamera {
  public:
    // The clock must be installed first: the sky's drift is measured from now.
    explicit StandaloneSimulatedCamera(const SkyConfig& config = SkyConfig())
        : detail::OwnedSky(config), SimulatedCamera(ownedSky) {}
};

}  // namespace vexa
