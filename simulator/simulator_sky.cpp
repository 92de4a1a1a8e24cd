#include "simulator/simulator_sky.h"

namespace vexa {

SkyModel& SimulatorSky() {
    static SkyModel sky;
    return sky;
}

}  // namespace vexa
