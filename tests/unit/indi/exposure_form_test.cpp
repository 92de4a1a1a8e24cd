#include "indi/exposure_form.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vexa::indi {
namespace {

TEST(ExposureForm, TakesTheCoarsestExactUnitElseTheNearestTimeTheCameraCanTake) {
    struct Case {
        double seconds;
        char unit;
        uint16_t value;
        uint32_t ms;
        bool exact;
    } cases[] = {
        {0.01, 'h', 1, 10, true},       {0.29, 'h', 29, 290, true},
        {0.5, 't', 5, 500, true},       {2.0, 's', 2, 2000, true},
        {120.0, 'm', 2, 120000, true},  {5400.0, 'm', 90, 5400000, true},
        {7.35, 't', 74, 7400, false},   {0.123, 'h', 12, 120, false},
        {301.0, 'm', 5, 300000, false}, {5.05, 't', 51, 5100, false},
        {10.04, 's', 10, 10000, false}, {7000.0, 'm', 90, 5400000, true},
        {NAN, 'h', 1, 10, true},
    };
    for (const Case& c : cases) {
        const ExposureForm form = ExposureFormFor(c.seconds);
        EXPECT_EQ(form.unit, c.unit) << c.seconds;
        EXPECT_EQ(form.value, c.value) << c.seconds;
        EXPECT_EQ(form.milliseconds, c.ms) << c.seconds;
        EXPECT_EQ(form.exact, c.exact) << c.seconds;
    }
}

TEST(ExposureForm, TheMessageSaysWhetherTheTimeIsExactOrTheNearest) {
    EXPECT_EQ(DescribeExposureForm(0.5, ExposureFormFor(0.5)),
              "Exposure 0.5 s: the camera takes 5 tenths of a second.");
    EXPECT_EQ(DescribeExposureForm(60, ExposureFormFor(60)),
              "Exposure 60 s: the camera takes 1 minute.");
    EXPECT_EQ(DescribeExposureForm(7.35, ExposureFormFor(7.35)),
              "Exposure 7.35 s: the camera takes 7.4 s (74 tenths of a second), the nearest "
              "time it can take.");
}

}  // namespace
}  // namespace vexa::indi
