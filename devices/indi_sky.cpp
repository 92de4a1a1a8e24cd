#include "devices/indi_sky.h"

#include <algorithm>
#include <cmath>

#include <libnova/aberration.h>
#include <libnova/julian_day.h>
#include <libnova/jupiter.h>
#include <libnova/mars.h>
#include <libnova/mercury.h>
#include <libnova/neptune.h>
#include <libnova/nutation.h>
#include <libnova/pluto.h>
#include <libnova/precession.h>
#include <libnova/saturn.h>
#include <libnova/uranus.h>
#include <libnova/venus.h>

namespace vexa {

namespace {

constexpr double kDegreesPerHour = 15.0;
constexpr double kHoursPerDay = 24.0;
constexpr double kJ2000Day = 2451545.0;

double Radians(double degrees) {
    return degrees * M_PI / 180.0;
}

double Degrees(double radians) {
    return radians * 180.0 / M_PI;
}

// The nutation of the date applied to a mean place of the date, as rotations: to the mean
// ecliptic, along it by the nutation in longitude, and back to the true equator. Rotations
// rather than the series for the R.A. and Dec. shifts keep it exact up to the pole.
ln_equ_posn WithNutation(const ln_equ_posn& mean, double jd) {
    ln_nutation nutation{};
    ln_get_nutation(jd, &nutation);
    const double meanObliquity = Radians(nutation.ecliptic);
    const double trueObliquity = Radians(nutation.ecliptic + nutation.obliquity);
    const double inLongitude = Radians(nutation.longitude);
    const double ra = Radians(mean.ra), dec = Radians(mean.dec);
    // The direction on the mean equator of the date...
    double x = std::cos(dec) * std::cos(ra);
    double y = std::cos(dec) * std::sin(ra);
    double z = std::sin(dec);
    // ...on the mean ecliptic...
    double y1 = y * std::cos(meanObliquity) + z * std::sin(meanObliquity);
    double z1 = -y * std::sin(meanObliquity) + z * std::cos(meanObliquity);
    // ...moved along it by the nutation in longitude...
    const double x2 = x * std::cos(inLongitude) - y1 * std::sin(inLongitude);
    const double y2 = x * std::sin(inLongitude) + y1 * std::cos(inLongitude);
    // ...and on the true equator.
    x = x2;
    y = y2 * std::cos(trueObliquity) - z1 * std::sin(trueObliquity);
    z = y2 * std::sin(trueObliquity) + z1 * std::cos(trueObliquity);
    return {std::fmod(Degrees(std::atan2(y, x)) + 360.0, 360.0),
            Degrees(std::asin(std::clamp(z, -1.0, 1.0)))};
}

}  // namespace

double JulianDayNow() {
    return ln_get_julian_from_sys();
}

// Precession, nutation and annual aberration, each from libnova. (libindi 1.9's own
// J2000toObserved applies the nutation the wrong way round, some 30 arcseconds off.)
SkyPosition J2000ToDate(const SkyPosition& j2000, double jd) {
    ln_equ_posn catalogue{j2000.raHours * kDegreesPerHour, j2000.decDegrees};
    ln_equ_posn precessed{};
    ln_get_equ_prec2(&catalogue, kJ2000Day, jd, &precessed);
    ln_equ_posn nutated = WithNutation(precessed, jd);
    ln_equ_posn apparent{};
    ln_get_equ_aber(&nutated, jd, &apparent);
    const double hours = std::fmod(apparent.ra / kDegreesPerHour, kHoursPerDay);
    return {hours < 0 ? hours + kHoursPerDay : hours, apparent.dec};
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
