// The half-flux diameter of the brightest star in a frame: a focus figure that, unlike the
// peak value, neither clips at saturation nor depends on where the star falls within a pixel.
#pragma once

#include <cstdint>

#include "session/status.h"

namespace vexa {

// A plane of 16-bit samples: width x height, rows strideSamples apart.
struct SampleView {
    const uint16_t* samples = nullptr;
    int width = 0;
    int height = 0;
    int strideSamples = 0;
};

struct HalfFluxResult {
    // Diameter of the circle that holds half of the star's background-subtracted flux.
    double diameterPx = 0.0;
    // Flux centroid; sample (column c, row r) is centred on (c, r).
    double centreX = 0.0;
    double centreY = 0.0;
    double backgroundAdu = 0.0;  // per sample, from the annulus around the star
    double fluxAdu = 0.0;        // background-subtracted flux inside the aperture
    double apertureRadiusPx = 0.0;
};

// Measures the brightest star of the plane. The star is the sample whose 3 x 3 neighbourhood,
// less its brightest sample, stands highest above the frame's median (so a lone hot pixel does
// not count). Around its flux centroid, the background is the sigma-clipped mean of an annulus
// just outside an aperture of twice the star's diameter plus 2 px; within the aperture each
// sample's flux is spread evenly over its square (8 x 8 sub-samples) and the radius holding
// half of it is interpolated. That spreading and the pixel's own integration each blur the
// star by a 1-px box (variance 1/12 px^2 per axis); both are taken out in quadrature, which is
// exact for a Gaussian star, so a Gaussian's diameter equals its FWHM, 2.3548 sigma. (The
// mean-distance figure some programs quote instead would give 2.5066 sigma.)
// NotFound when no star stands 5 noise sigmas (and at least 16 ADU over its 8 neighbours)
// above the background; InvalidArgument for a plane smaller than 8 x 8 or without samples.
// A star at the edge is measured on the part inside the plane.
[[nodiscard]] Status MeasureHalfFluxDiameter(const SampleView& plane, HalfFluxResult& result);

}  // namespace vexa
