// The star centre finder. The background is taken from the most common brightness in the
// square, faint stars are amplified so that they still pull the centroid, and only samples
// brighter than the mean of the square weigh in.
#include "processing/star_centre.h"

#include <array>

#include "session/ui_services.h"

namespace vexa {

namespace {

constexpr int kHistogramBins = 4096;
constexpr int kBinShift = 4;  // bin = sample >> 4
// 16 x 1.04: the background sits four per cent above the lower edge of the mode bin.
constexpr double kBackgroundPerBin = 16.64;
constexpr int32_t kFaintPeakLimit = 17000;
constexpr int32_t kFaintGain = 4;
constexpr int32_t kFaintGainLimit = 16384;  // amplified samples at or above this saturate
constexpr int32_t kSampleMax = 65535;

}  // namespace

int32_t CentreFrameWidth() {
    const SessionState& s = Session();
    return s.smallFrameDisplay ? kFrameSide : s.geometry.width;
}

int32_t CentreFrameHeight() {
    const SessionState& s = Session();
    return s.smallFrameDisplay ? kFrameSide : s.geometry.height;
}

std::optional<StarCentre> SearchStarCentre(const SampleFrame& frame, int32_t x, int32_t y,
                                           int32_t h, bool subPixel) {
    const int64_t left = int64_t{x} - h;
    const int64_t top = int64_t{y} - h;
    // A negative half-size describes no square at all; treat it like one outside the frame.
    if (frame.samples == nullptr || h < 0 || left < 0 || top < 0 ||
        int64_t{x} + h + 1 > frame.width || int64_t{y} + h + 1 > frame.height) {
        return std::nullopt;
    }
    const int64_t stride = frame.stride;
    const int64_t side = 2 * int64_t{h} + 1;
    const uint16_t* origin = frame.samples + top * stride + left;

    // The mode bin is kept up to date while counting: the bin with the largest count, the
    // lowest one on ties (a bin that catches up with the leader takes over only if lower).
    // 32-bit counters so that squares larger than 255 x 255 cannot wrap a bin; on the stack,
    // so that guiding allocates nothing.
    std::array<uint32_t, kHistogramBins> binCounts{};
    int32_t peak = 0;
    int32_t modeBin = 0;
    uint32_t modeCount = 0;
    for (int64_t k = 0; k < side; ++k) {
        const uint16_t* row = origin + k * stride;
        for (int64_t l = 0; l < side; ++l) {
            const int32_t bin = row[l] >> kBinShift;
            const uint32_t count = ++binCounts[bin];
            if (count > modeCount || (count == modeCount && bin < modeBin)) {
                modeCount = count;
                modeBin = bin;
            }
            if (row[l] > peak) peak = row[l];
        }
    }
    const int32_t background = static_cast<int32_t>(modeBin * kBackgroundPerBin);
    const bool faint = peak < kFaintPeakLimit;
    auto processed = [background, faint](uint16_t sample) -> int64_t {
        int32_t v = sample > background ? sample - background : 0;
        if (faint) v = v < kFaintGainLimit ? v * kFaintGain : kSampleMax;
        return v;
    };

    // 64-bit sums: the weighted column and row sums can pass 32 bits once the square is wider
    // than about 40 pixels.
    int64_t sum = 0;
    for (int64_t k = 0; k < side; ++k) {
        const uint16_t* row = origin + k * stride;
        for (int64_t l = 0; l < side; ++l) sum += processed(row[l]);
    }
    const int64_t mean = sum / (side * side);

    int64_t total = 1, sumColumn = 1, sumRow = 1;
    for (int64_t k = 0; k < side; ++k) {
        const uint16_t* row = origin + k * stride;
        for (int64_t l = 0; l < side; ++l) {
            const int64_t w = processed(row[l]) - mean;
            if (w >= 1) {
                total += w;
                sumColumn += w * l;
                sumRow += w * k;
            }
        }
    }
    const double cx = static_cast<double>(sumColumn) / static_cast<double>(total);
    const double cy = static_cast<double>(sumRow) / static_cast<double>(total);

    StarCentre centre;
    if (subPixel) {
        const int32_t wholeX = static_cast<int32_t>(cx);
        const int32_t wholeY = static_cast<int32_t>(cy);
        centre.x = static_cast<int32_t>(left) + wholeX;
        centre.y = static_cast<int32_t>(top) + wholeY;
        centre.tenthsX = static_cast<int32_t>(cx * 10) - 10 * wholeX;
        centre.tenthsY = static_cast<int32_t>(cy * 10) - 10 * wholeY;
    } else {
        centre.x = static_cast<int32_t>(left) + static_cast<int32_t>(cx + 0.5);
        centre.y = static_cast<int32_t>(top) + static_cast<int32_t>(cy + 0.5);
    }
    return centre;
}

int FindStarCentre(int32_t x, int32_t y, const Plane& plane, int32_t h) {
    SessionState& s = Session();
    const int32_t frameWidth = CentreFrameWidth();
    const SampleFrame frame{plane.data(), frameWidth, frameWidth, CentreFrameHeight()};
    const std::optional<StarCentre> centre = SearchStarCentre(frame, x, y, h, s.subPixelCentring);
    if (!centre) {
        Ui().MessageBox(kFindCentreCaption, kFindCentreOutside);
        return 1;
    }
    s.starCentreX = centre->x;
    s.starCentreY = centre->y;
    s.starTenthsX = centre->tenthsX;
    s.starTenthsY = centre->tenthsY;
    return 0;
}

}  // namespace vexa
