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

// Reused by every call: no allocation while guiding. 32-bit counters so that squares larger
// than 255 x 255 cannot wrap a bin.
std::array<uint32_t, kHistogramBins> binCounts;

}  // namespace

int32_t CentreFrameWidth() {
    const SessionState& s = Session();
    return s.smallFrameDisplay ? kFrameSide : s.geometry.width;
}

int32_t CentreFrameHeight() {
    const SessionState& s = Session();
    return s.smallFrameDisplay ? kFrameSide : s.geometry.height;
}

int FindStarCentre(int32_t x, int32_t y, const Plane& plane, int32_t h) {
    SessionState& s = Session();
    const int64_t frameWidth = CentreFrameWidth();
    const int64_t frameHeight = CentreFrameHeight();
    const int64_t left = int64_t{x} - h;
    const int64_t top = int64_t{y} - h;
    // A negative half-size describes no square at all; treat it like one outside the frame.
    if (h < 0 || left < 0 || top < 0 || int64_t{x} + h + 1 > frameWidth ||
        int64_t{y} + h + 1 > frameHeight) {
        Ui().MessageBox(kFindCentreCaption, kFindCentreOutside);
        return 1;
    }
    const int64_t side = 2 * int64_t{h} + 1;
    const uint16_t* origin = plane.data() + top * frameWidth + left;

    // The mode bin is kept up to date while counting: the bin with the largest count, the
    // lowest one on ties (a bin that catches up with the leader takes over only if lower).
    binCounts.fill(0);
    int32_t peak = 0;
    int32_t modeBin = 0;
    uint32_t modeCount = 0;
    for (int64_t k = 0; k < side; ++k) {
        const uint16_t* row = origin + k * frameWidth;
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
        const uint16_t* row = origin + k * frameWidth;
        for (int64_t l = 0; l < side; ++l) sum += processed(row[l]);
    }
    const int64_t mean = sum / (side * side);

    int64_t total = 1, sumColumn = 1, sumRow = 1;
    for (int64_t k = 0; k < side; ++k) {
        const uint16_t* row = origin + k * frameWidth;
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

    if (s.subPixelCentring) {
        const int32_t wholeX = static_cast<int32_t>(cx);
        const int32_t wholeY = static_cast<int32_t>(cy);
        s.starCentreX = static_cast<int32_t>(left) + wholeX;
        s.starCentreY = static_cast<int32_t>(top) + wholeY;
        s.starTenthsX = static_cast<int32_t>(cx * 10) - 10 * wholeX;
        s.starTenthsY = static_cast<int32_t>(cy * 10) - 10 * wholeY;
    } else {
        s.starCentreX = static_cast<int32_t>(left) + static_cast<int32_t>(cx + 0.5);
        s.starCentreY = static_cast<int32_t>(top) + static_cast<int32_t>(cy + 0.5);
        s.starTenthsX = 0;
        s.starTenthsY = 0;
    }
    return 0;
}

}  // namespace vexa
