#include "indi/exposure_form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "camera/camera_commands.h"
#include "camera/camera_dialog_model.h"

namespace vexa::indi {

namespace {

struct Unit {
    char unit;
    uint32_t ms;
    const char* one;   // the unit's name after a value of 1
    const char* many;  // after any other value
};

// Coarsest first: of several exact forms the first found reads best.
constexpr std::array<Unit, 4> kUnits{{
    {'m', kMinuteMs, "minute", "minutes"},
    {'s', kSecondMs, "second", "seconds"},
    {'t', kTenthMs, "tenth of a second", "tenths of a second"},
    {'h', kHundredthMs, "hundredth of a second", "hundredths of a second"},
}};

// Differences below a microsecond are the rounding of the client's decimal seconds.
constexpr double kSameTimeMs = 0.001;

const Unit& UnitOf(char unit) {
    return *std::find_if(kUnits.begin(), kUnits.end(),
                         [unit](const Unit& u) { return u.unit == unit; });
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

}  // namespace

ExposureForm ExposureFormFor(double seconds) {
    // A time that is no number at all is taken as the shortest.
    const double inRange = std::isnan(seconds) ? kShortestExposureSeconds
                                               : std::clamp(seconds, kShortestExposureSeconds,
                                                            kLongestExposureSeconds);
    const double wantedMs = inRange * 1000.0;
    ExposureForm best;
    double bestError = 0.0;
    bool found = false;
    for (const Unit& u : kUnits) {
        const double steps = std::round(wantedMs / static_cast<double>(u.ms));
        const auto value = static_cast<uint16_t>(
            std::clamp(steps, 1.0, static_cast<double>(ExposureMaximum(u.unit))));
        const uint32_t ms = value * u.ms;
        const double error = std::abs(static_cast<double>(ms) - wantedMs);
        const bool nearer = error < bestError - kSameTimeMs;
        const bool asNearButLonger =
            std::abs(error - bestError) <= kSameTimeMs && ms > best.milliseconds + kSameTimeMs;
        if (!found || nearer || asNearButLonger) {
            best = ExposureForm{u.unit, value, ms, error <= kSameTimeMs};
            bestError = error;
            found = true;
        }
    }
    return best;
}

std::string DescribeExposureForm(double requestedSeconds, const ExposureForm& form) {
    const Unit& u = UnitOf(form.unit);
    const std::string taken = std::to_string(form.value) + " " + (form.value == 1 ? u.one : u.many);
    const std::string asked = "Exposure " + Seconds(requestedSeconds) + ": the camera takes ";
    if (form.exact) return asked + taken + ".";
    return asked + Seconds(form.milliseconds / 1000.0) + " (" + taken +
           "), the nearest time it can take.";
}

}  // namespace vexa::indi
