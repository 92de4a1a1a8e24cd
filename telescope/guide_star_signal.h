// What a guide frame shows of the guide star: the light in the box around its centre against
// the box's own background and noise. It tells a star from a box of noise (a star the centre
// finder cannot tell from nothing) and this star from one of another brightness.
#pragma once

#include <cstdint>
#include <optional>

#include "processing/star_centre.h"

namespace vexa {

// A star is there when its brightest 3 x 3 patch stands this many times the patch's noise
// above the background: a box of noise alone reaches it about once in 10,000 frames.
constexpr double kStarPresentSigmas = 5.0;
// The same star gives the same light as at the previous reading within this share...
constexpr double kIntensityTolerance = 0.05;
// ...widened by this many times the noise of the difference of two readings' background.
constexpr double kIntensitySigmas = 5.0;
// The noise of a sample is taken as at least this much: the samples are whole numbers.
constexpr double kNoiseFloorAdu = 1.0;

struct StarSignal {
    double backgroundAdu = 0.0;  // the median of the box
    double noiseAdu = 0.0;       // of one background sample, from the median absolute deviation
    double patchAdu = 0.0;       // the brightest 3 x 3 patch above the background
    double fluxAdu = 0.0;        // the whole box above the background
    int32_t samples = 0;         // in the box
};

// The box of half-size h around column x, row y, moved inside the frame where it would leave
// it. Nothing when the frame is smaller than the box or h is below 1.
std::optional<StarSignal> MeasureStarSignal(const SampleFrame& frame, int32_t x, int32_t y,
                                            int32_t h);
bool StarClearlyPresent(const StarSignal& signal);
// now's light against the previous reading's: within kIntensityTolerance of it, plus
// kIntensitySigmas times the noise of two box sums of background. The star's own shot noise is
// inside the tolerance for bright stars and inside the background term for faint ones.
bool SameIntensity(const StarSignal& now, const StarSignal& previous);

}  // namespace vexa
