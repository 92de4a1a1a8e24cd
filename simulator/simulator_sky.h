// The one simulated sky of a --simulator run: the simulated camera renders it and the simulated
// mount moves it, so guide pulses and focuser runs show in the frames.
#pragma once

#include "simulator/sky_model.h"

namespace vexa {

// Made on first use with the default sky; lives until the process ends.
SkyModel& SimulatorSky();

}  // namespace vexa
