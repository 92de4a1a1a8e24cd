#include "devices/indi_sky.h"

#include <libindi/libastro.h>
#include <libnova/julian_day.h>
#include <libnova/jupiter.h>
#include <libnova/mars.h>
#include <libnova/mercury.h>
#include <libnova/neptune.h>
#include <libnova/pluto.h>
#include <libnova/saturn.h>
#include <libnova/uranus.h>
#include <libnova/venus.h>

namespace vexa {

namespace {
constexpr double kDegreesPerHour = 15.0;
}  // namespace

double JulianDayNow() {
    return ln_get_julian_from_sys();
}

SkyPosition J2000ToDate(const SkyPosition& j2000, double jd) {
    INDI::IEquatorialCoordinates from{j2000.raHours, j2000.decDegrees};
    INDI::IEquatorialCoordinates to{};
    INDI::J2000toObserved(&from, jd, &to);
    return {to.rightascension, to.declination};
}

SkyPosition PlanetPosition(Planet planet, double jd) {
    ln_equ_posn equ{};
    switch (planet) {
        case Planet::Mercury:
            ln_get_mercury_equ_coords(jd, &equ);
            break;
        case Planet::Venus:
            ln_get_venus_equ_coords(jd, &equ);
            break;
        case Planet::Mars:
            ln_get_mars_equ_coords(jd, &equ);
            break;
        case Planet::Jupiter:
            ln_get_jupiter_equ_coords(jd, &equ);
            break;
        case Planet::Saturn:
            ln_get_saturn_equ_coords(jd, &equ);
            break;
        case Planet::Uranus:
            ln_get_uranus_equ_coords(jd, &equ);
            break;
        case Planet::Neptune:
            ln_get_neptune_equ_coords(jd, &equ);
            break;
        case Planet::Pluto:
        default:
            ln_get_pluto_equ_coords(jd, &equ);
            break;
    }
    return {equ.ra / kDegreesPerHour, equ.dec};
}

}  // namespace vexa
