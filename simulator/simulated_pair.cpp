#include "simulator/simulated_pair.h"

#include "telescope/guider.h"

namespace vexa {

MountConfig SimulatedPairMountConfig() {
    constexpr double kMsPerSecond = 1000.0;
    MountConfig config;
    config.kind = MountKind::FollowLine;
    config.northMovesFieldDown = true;
    config.guideRaPxPerS =
        kSimulatedPairPixelsPerTrainingPulse * kMsPerSecond / kTrainingPulseMsPerSecond;
    config.guideDecPxPerS = config.guideRaPxPerS;
    return config;
}

}  // namespace vexa
