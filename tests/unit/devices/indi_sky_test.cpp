// The co-ordinates of the date that an INDI mount is sent: J2000 catalogue positions precessed
// (with nutation and aberration) to the date, checked against published apparent places and
// against the IAU 1976 precession alone.
#include "devices/indi_sky.h"

#include <cmath>

#include <gtest/gtest.h>

namespace vexa {
namespace {

constexpr double kJ2000Day = 2451545.0;
constexpr double kArcsecPerDegree = 3600.0;

double Radians(double degrees) {
    return degrees * M_PI / 180.0;
}

// Arcseconds between two positions on the sky.
double ArcsecApart(const SkyPosition& a, const SkyPosition& b) {
    double dra = std::fabs(a.raHours - b.raHours) * 15.0;
    if (dra > 180.0) dra = 360.0 - dra;
    dra *= std::cos(Radians(b.decDegrees));
    return std::hypot(dra, a.decDegrees - b.decDegrees) * kArcsecPerDegree;
}

// The IAU 1976 precession from J2000 to Julian day jd (the mean place: no nutation, no
// aberration), written out independently of the code under test.
SkyPosition Iau1976Precession(const SkyPosition& j2000, double jd) {
    const double t = (jd - kJ2000Day) / 36525.0;
    auto arcsec = [](double s) { return Radians(s / kArcsecPerDegree); };
    const double zeta = arcsec(2306.2181 * t + 0.30188 * t * t + 0.017998 * t * t * t);
    const double z = arcsec(2306.2181 * t + 1.09468 * t * t + 0.018203 * t * t * t);
    const double theta = arcsec(2004.3109 * t - 0.42665 * t * t - 0.041833 * t * t * t);
    const double a = Radians(j2000.raHours * 15.0), d = Radians(j2000.decDegrees);
    const double A = std::cos(d) * std::sin(a + zeta);
    const double B =
        std::cos(theta) * std::cos(d) * std::cos(a + zeta) - std::sin(theta) * std::sin(d);
    const double C =
        std::sin(theta) * std::cos(d) * std::cos(a + zeta) + std::cos(theta) * std::sin(d);
    double ra = (std::atan2(A, B) + z) * 180.0 / M_PI / 15.0;
    if (ra < 0) ra += 24.0;
    return {std::fmod(ra, 24.0), std::asin(C) * 180.0 / M_PI};
}

TEST(IndiSky, MatchesAPublishedApparentPlace) {
    // Theta Persei, J2000 2h44m11.986s +49d13'42.48", on 2028 Nov 13.19 TD: apparent place
    // 2h46m14.390s +49d21'07.45" (Meeus, Astronomical Algorithms, examples 21.b and 23.a),
    // less the star's own proper motion over those 28.87 years (+0.988 s, -2.58").
    const SkyPosition j2000{2 + 44 / 60.0 + 11.986 / 3600.0, 49 + 13 / 60.0 + 42.48 / 3600.0};
    const SkyPosition published{2 + 46 / 60.0 + (14.390 - 0.988) / 3600.0,
                                49 + 21 / 60.0 + (7.45 + 2.58) / 3600.0};
    const SkyPosition at = J2000ToDate(j2000, 2462088.69);
    EXPECT_LT(ArcsecApart(at, published), 3.0) << at.raHours << " h " << at.decDegrees << " deg";
}

TEST(IndiSky, FollowsTheIau1976PrecessionWithinNutationAndAberration) {
    struct Case {
        SkyPosition j2000;
        double jd;
    };
    const Case cases[] = {
        {{5.5881, -5.3911}, kJ2000Day},   // M42 at the epoch itself
        {{5.5881, -5.3911}, 2460676.5},   // M42 on 2025 Jan 1
        {{0.7122, 41.2692}, 2469807.5},   // M31 on 2050 Jan 1
        {{2.5303, 89.2641}, 2460676.5},   // Polaris, by the pole
        {{18.6156, 38.7837}, 2444239.5},  // Vega on 1980 Jan 1, backwards
        {{23.9990, -0.0100}, 2469807.5},  // across 0 h
    };
    for (const Case& c : cases) {
        const SkyPosition mean = Iau1976Precession(c.j2000, c.jd);
        const SkyPosition at = J2000ToDate(c.j2000, c.jd);
        // Nutation (under 18") and aberration (under 21") stay within 45" of the mean place,
        // while the precession itself moves each of these by many arcminutes over 25 years.
        EXPECT_LT(ArcsecApart(at, mean), 45.0) << c.j2000.raHours << " on " << c.jd;
        EXPECT_GE(at.raHours, 0.0);
        EXPECT_LT(at.raHours, 24.0);
    }
}

}  // namespace
}  // namespace vexa
