// Half-flux diameter: star detection, flux centroid, annulus background and the radius that
// holds half the flux.
#include "camera/half_flux_diameter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vexa {
namespace {

constexpr int kMinSide = 8;
constexpr size_t kMaxMedianSamples = 4096;  // a grid of samples gives the frame's level
constexpr double kMadToSigma = 1.4826;
constexpr int kNeighbours = 8;
constexpr double kDetectionSigmas = 5.0;
constexpr double kMinStarExcessAdu = 16.0;

constexpr double kFirstApertureRadiusPx = 12.0;
constexpr double kMinApertureRadiusPx = 4.0;
constexpr double kMaxApertureRadiusPx = 48.0;
constexpr double kApertureDiameters = 2.0;  // aperture radius = 2 x diameter + margin
constexpr double kApertureMarginPx = 2.0;
constexpr double kAnnulusGapPx = 1.0;
constexpr double kAnnulusWidthPx = 6.0;
constexpr size_t kMinAnnulusSamples = 24;
constexpr int kClipPasses = 3;
constexpr double kClipSigmas = 3.0;
constexpr int kRefinements = 4;
constexpr int kCentroidPasses = 3;

constexpr int kSubSamples = 8;  // per axis, in the final measurement
constexpr double kRadiusBinPx = 1.0 / 32;
// Samples this close to the half-flux circle found from whole samples are sub-sampled: their
// half diagonal and more than the error of that first estimate.
constexpr double kFineBandPx = 1.5;
constexpr double kNoFineBand = -1.0;
constexpr double kPixelHalfDiagonalPx = 0.7072;
// Pixel integration and even spreading: two 1-px boxes, 1/12 px^2 each, per axis.
constexpr double kPixelBlurVariance = 2.0 / 12.0;
constexpr double kFwhmPerSigma = 2.3548200450309493;

class FrameSamples {
  public:
    explicit FrameSamples(const SampleView& view) : view_(view) {}
    double At(int column, int row) const {
        return view_.samples[static_cast<size_t>(row) * static_cast<size_t>(view_.strideSamples) +
                             static_cast<size_t>(column)];
    }
    const uint16_t* Row(int row) const {
        return view_.samples + static_cast<size_t>(row) * static_cast<size_t>(view_.strideSamples);
    }
    int Width() const { return view_.width; }
    int Height() const { return view_.height; }
    // Calls visit(column, row, dx, dy) for every sample whose centre lies within radius of
    // (x, y), with (dx, dy) its offset from there.
    template <typename Visit>
    void Around(double x, double y, double radius, Visit visit) const {
        const int c0 = std::max(0, static_cast<int>(std::floor(x - radius)));
        const int c1 = std::min(Width() - 1, static_cast<int>(std::ceil(x + radius)));
        const int r0 = std::max(0, static_cast<int>(std::floor(y - radius)));
        const int r1 = std::min(Height() - 1, static_cast<int>(std::ceil(y + radius)));
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c) {
                const double dx = c - x, dy = r - y;
                if (dx * dx + dy * dy <= radius * radius) visit(c, r, dx, dy);
            }
        }
    }

  private:
    SampleView view_;
};

double Median(std::vector<double>& values) {
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Median and robust spread of the whole plane (a grid of samples on large planes).
void FrameLevel(const FrameSamples& plane, double& level, double& sigma) {
    const size_t count = static_cast<size_t>(plane.Width()) * static_cast<size_t>(plane.Height());
    const size_t step = std::max<size_t>(1, (count + kMaxMedianSamples - 1) / kMaxMedianSamples);
    std::vector<double> values;
    values.reserve(count / step + 1);
    for (size_t i = 0; i < count; i += step) {
        values.push_back(plane.At(static_cast<int>(i % static_cast<size_t>(plane.Width())),
                                  static_cast<int>(i / static_cast<size_t>(plane.Width()))));
    }
    level = Median(values);
    for (double& v : values) v = std::abs(v - level);
    sigma = kMadToSigma * Median(values);
}

// The sample whose 3 x 3 neighbourhood, less its brightest sample, sums highest; returns that
// sum. Column sums and maxima of three rows first, then across three columns.
double BrightestNeighbourhood(const FrameSamples& plane, int& bestColumn, int& bestRow) {
    const size_t width = static_cast<size_t>(plane.Width());
    std::vector<int32_t> columnSum(width), columnMax(width);
    int64_t best = -1;
    for (int r = 1; r < plane.Height() - 1; ++r) {
        const uint16_t* above = plane.Row(r - 1);
        const uint16_t* here = plane.Row(r);
        const uint16_t* below = plane.Row(r + 1);
        for (size_t c = 0; c < width; ++c) {
            columnSum[c] = int32_t{above[c]} + here[c] + below[c];
            columnMax[c] = std::max({int32_t{above[c]}, int32_t{here[c]}, int32_t{below[c]}});
        }
        for (size_t c = 1; c + 1 < width; ++c) {
            const int64_t score = int64_t{columnSum[c - 1]} + columnSum[c] + columnSum[c + 1] -
                                  std::max({columnMax[c - 1], columnMax[c], columnMax[c + 1]});
            if (score > best) {
                best = score;
                bestColumn = static_cast<int>(c);
                bestRow = r;
            }
        }
    }
    return static_cast<double>(best);
}

// Sigma-clipped mean of the annulus between the two radii; false when too few samples lie in
// the plane there.
bool AnnulusLevel(const FrameSamples& plane, double x, double y, double inner, double outer,
                  double& level) {
    std::vector<double> values;
    plane.Around(x, y, outer, [&](int c, int r, double dx, double dy) {
        if (dx * dx + dy * dy > inner * inner) values.push_back(plane.At(c, r));
    });
    if (values.size() < kMinAnnulusSamples) return false;
    std::vector<double> work = values;
    double centre = Median(work);
    for (double& v : work) v = std::abs(v - centre);
    double spread = kMadToSigma * Median(work);
    for (int pass = 0; pass < kClipPasses; ++pass) {
        double sum = 0, sumSquares = 0;
        size_t kept = 0;
        for (double v : values) {
            if (std::abs(v - centre) > kClipSigmas * spread) continue;
            sum += v;
            sumSquares += v * v;
            ++kept;
        }
        if (kept == 0) break;
        centre = sum / static_cast<double>(kept);
        spread = std::sqrt(std::max(sumSquares / static_cast<double>(kept) - centre * centre, 0.0));
    }
    level = centre;
    return true;
}

// The flux centroid within radius of (x, y), moved there; false when nothing stands above the
// background.
bool Centroid(const FrameSamples& plane, double background, double radius, double& x, double& y) {
    for (int pass = 0; pass < kCentroidPasses; ++pass) {
        double sum = 0, sumX = 0, sumY = 0;
        plane.Around(x, y, radius, [&](int c, int r, double, double) {
            const double w = std::max(plane.At(c, r) - background, 0.0);
            sum += w;
            sumX += w * c;
            sumY += w * r;
        });
        if (sum <= 0) return false;
        x = sumX / sum;
        y = sumY / sum;
    }
    return true;
}

// Radius of the circle around (x, y) that holds half the background-subtracted flux inside
// the aperture. Samples whose centre lies within band of fineRadius have their flux spread over
// kSubSamples x kSubSamples points of their square; the others lie wholly inside or outside
// the half-flux circle and are counted at their centre. False when the aperture holds no flux.
bool HalfFluxRadius(const FrameSamples& plane, double x, double y, double background,
                    double aperture, double fineRadius, double band, double& radius, double& flux) {
    std::vector<double> bins(static_cast<size_t>(aperture / kRadiusBinPx) + 2, 0.0);
    constexpr double kStep = 1.0 / kSubSamples;
    constexpr double kShare = kStep * kStep;
    flux = 0;
    plane.Around(x, y, aperture + kPixelHalfDiagonalPx, [&](int c, int r, double dx, double dy) {
        const double value = plane.At(c, r) - background;
        const double centreDistance = std::sqrt(dx * dx + dy * dy);
        if (std::abs(centreDistance - fineRadius) > band) {
            if (centreDistance >= aperture) return;
            bins[static_cast<size_t>(centreDistance / kRadiusBinPx)] += value;
            flux += value;
            return;
        }
        const double part = value * kShare;
        for (int a = 0; a < kSubSamples; ++a) {
            const double sx = dx - 0.5 + (a + 0.5) * kStep;
            for (int b = 0; b < kSubSamples; ++b) {
                const double sy = dy - 0.5 + (b + 0.5) * kStep;
                const double distance = std::sqrt(sx * sx + sy * sy);
                if (distance >= aperture) continue;
                bins[static_cast<size_t>(distance / kRadiusBinPx)] += part;
                flux += part;
            }
        }
    });
    if (flux <= 0) return false;
    const double half = flux / 2;
    double cumulative = 0;
    for (size_t k = 0; k < bins.size(); ++k) {
        if (cumulative + bins[k] >= half && bins[k] > 0) {
            radius = (static_cast<double>(k) + (half - cumulative) / bins[k]) * kRadiusBinPx;
            return true;
        }
        cumulative += bins[k];
    }
    radius = aperture;
    return true;
}

}  // namespace

Status MeasureHalfFluxDiameter(const SampleView& view, HalfFluxResult& result) {
    if (view.samples == nullptr || view.width < kMinSide || view.height < kMinSide ||
        view.strideSamples < view.width) {
        return Status(StatusCode::InvalidArgument, "the frame is too small to hold a star");
    }
    const FrameSamples plane(view);
    double background = 0, sigma = 0;
    FrameLevel(plane, background, sigma);

    int bestColumn = 0, bestRow = 0;
    const double bestScore = BrightestNeighbourhood(plane, bestColumn, bestRow);
    const double excess = bestScore - kNeighbours * background;
    const double threshold =
        std::max(kDetectionSigmas * sigma * std::sqrt(double{kNeighbours}), kMinStarExcessAdu);
    if (excess < threshold) return Status(StatusCode::NotFound, "no star in the frame");

    double x = bestColumn, y = bestRow;
    double aperture = kFirstApertureRadiusPx;
    double radius = 0, flux = 0;
    for (int pass = 0; pass < kRefinements; ++pass) {
        if (!Centroid(plane, background, aperture, x, y) ||
            !HalfFluxRadius(plane, x, y, background, aperture, 0, kNoFineBand, radius, flux)) {
            return Status(StatusCode::NotFound, "no star in the frame");
        }
        aperture = std::clamp(kApertureDiameters * 2 * radius + kApertureMarginPx,
                              kMinApertureRadiusPx, kMaxApertureRadiusPx);
        double annulus = 0;
        if (AnnulusLevel(plane, x, y, aperture + kAnnulusGapPx,
                         aperture + kAnnulusGapPx + kAnnulusWidthPx, annulus)) {
            background = annulus;
        }
    }
    if (!Centroid(plane, background, aperture, x, y) ||
        !HalfFluxRadius(plane, x, y, background, aperture, radius, kFineBandPx, radius, flux)) {
        return Status(StatusCode::NotFound, "no star in the frame");
    }
    const double measured = 2 * radius;
    const double blur = kFwhmPerSigma * kFwhmPerSigma * kPixelBlurVariance;
    result.diameterPx = std::sqrt(std::max(measured * measured - blur, 0.0));
    result.centreX = x;
    result.centreY = y;
    result.backgroundAdu = background;
    result.fluxAdu = flux;
    result.apertureRadiusPx = aperture;
    return Status::Ok();
}

}  // namespace vexa
