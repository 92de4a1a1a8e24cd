// Where the sky puts an object tonight, for a mount that takes co-ordinates of the date
// (JNow) as INDI mounts do: J2000 positions precessed to the date, with nutation and annual
// aberration (libnova), and the planets from libnova's ephemerides.
#pragma once

#include <optional>

#include "telescope/sky_catalogue.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

// The Julian day of the host's clock now.
double JulianDayNow();
// A J2000 position as seen on Julian day jd.
SkyPosition J2000ToDate(const SkyPosition& j2000, double jd);
// The apparent position of a planet on Julian day jd.
SkyPosition PlanetPosition(Planet planet, double jd);

}  // namespace vexa
