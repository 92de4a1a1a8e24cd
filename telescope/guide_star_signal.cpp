#include "telescope/guide_star_signal.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vexa {

namespace {

// The median absolute deviation of a normal distribution is this share of its sigma.
constexpr double kSigmaPerMad = 1.4826;
constexpr int32_t kPatchHalf = 1;
constexpr int32_t kPatchSamples = (2 * kPatchHalf + 1) * (2 * kPatchHalf + 1);

double Median(std::vector<double>& values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

std::optional<StarSignal> MeasureStarSignal(const SampleFrame& frame, int32_t x, int32_t y,
                                            int32_t h) {
    const int32_t side = 2 * h + 1;
    if (frame.samples == nullptr || h < 1 || side > frame.width || side > frame.height) {
        return std::nullopt;
    }
    const int32_t left = std::clamp(x - h, 0, frame.width - side);
    const int32_t top = std::clamp(y - h, 0, frame.height - side);
    const auto at = [&](int32_t column, int32_t row) -> double {
        return frame.samples[static_cast<size_t>(top + row) * static_cast<size_t>(frame.stride) +
                             static_cast<size_t>(left + column)];
    };

    std::vector<double> values;
    values.reserve(static_cast<size_t>(side) * static_cast<size_t>(side));
    for (int32_t row = 0; row < side; ++row)
        for (int32_t column = 0; column < side; ++column) values.push_back(at(column, row));

    StarSignal signal;
    signal.samples = side * side;
    signal.backgroundAdu = Median(values);
    for (double& v : values) v = std::fabs(v - signal.backgroundAdu);
    signal.noiseAdu = std::max(kSigmaPerMad * Median(values), kNoiseFloorAdu);

    double total = 0.0;
    for (int32_t row = 0; row < side; ++row)
        for (int32_t column = 0; column < side; ++column) total += at(column, row);
    signal.fluxAdu = total - signal.backgroundAdu * signal.samples;

    double brightest = -1e300;
    for (int32_t row = kPatchHalf; row < side - kPatchHalf; ++row) {
        for (int32_t column = kPatchHalf; column < side - kPatchHalf; ++column) {
            double patch = 0.0;
            for (int32_t dy = -kPatchHalf; dy <= kPatchHalf; ++dy)
                for (int32_t dx = -kPatchHalf; dx <= kPatchHalf; ++dx)
                    patch += at(column + dx, row + dy);
            brightest = std::max(brightest, patch);
        }
    }
    signal.patchAdu = brightest - signal.backgroundAdu * kPatchSamples;
    return signal;
}

bool StarClearlyPresent(const StarSignal& signal) {
    const double patchNoise = signal.noiseAdu * std::sqrt(static_cast<double>(kPatchSamples));
    return signal.patchAdu > kStarPresentSigmas * patchNoise;
}

bool SameIntensity(const StarSignal& now, const StarSignal& previous) {
    const double noise = std::sqrt(now.samples * now.noiseAdu * now.noiseAdu +
                                   previous.samples * previous.noiseAdu * previous.noiseAdu);
    const double allowed =
        kIntensityTolerance * std::fabs(previous.fluxAdu) + kIntensitySigmas * noise;
    return std::fabs(now.fluxAdu - previous.fluxAdu) <= allowed;
}

}  // namespace vexa
