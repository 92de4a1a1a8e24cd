// An INDI client asks for an exposure in seconds; the camera takes the value and unit of the
// camera control dialog: hundredths (up to 500), tenths (up to 100), seconds (up to 300) or
// minutes (up to 90). A time one of them holds is taken exactly, any other as the nearest
// time they can hold.
#pragma once

#include <cstdint>
#include <string>

namespace vexa::indi {

// The range the driver offers its clients: one hundredth of a second to 90 minutes.
constexpr double kShortestExposureSeconds = 0.01;
constexpr double kLongestExposureSeconds = 5400.0;

struct ExposureForm {
    char unit = 's';
    uint16_t value = 1;
    uint32_t milliseconds = 1000;  // what the camera takes: the unit's time times the value
    bool exact = true;             // milliseconds is the time asked for
};

// The exact form in the coarsest unit that holds the time; else the form nearest to it (the
// longer of two equally near). Times outside the range become its ends.
ExposureForm ExposureFormFor(double seconds);

// The driver's message on how it takes the exposure, e.g. "Exposure 0.5 s: the camera takes
// 5 tenths of a second." or "Exposure 7.35 s: the camera takes 7.4 s (74 tenths of a
// second), the nearest time it can take."
std::string DescribeExposureForm(double requestedSeconds, const ExposureForm& form);

}  // namespace vexa::indi
