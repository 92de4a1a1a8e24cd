// The spatial filters' passes. Every fast path here computes exactly what the plain, one
// window at a time form computes; they differ only in how the work is arranged.
#include "processing/filter_passes.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace vexa {

namespace {

constexpr int32_t kClampHigh = 65535;
constexpr int32_t kMedianMinimumStart = 65000;

inline uint16_t ClampFilterResult(int32_t value) {
    if (value > kFilterClampThreshold) return static_cast<uint16_t>(kClampHigh);
    if (value < 0) return 0;
    return static_cast<uint16_t>(value);
}

}  // namespace

void ConvolveRowsPlain(const uint16_t* source, uint16_t* target, int width, int height,
                       int firstRow, int radius, const FilterKernel& kernel, int divisor) {
    const int side = 2 * radius + 1;
    for (int y = firstRow; y < height - radius; ++y) {
        for (int x = radius; x < width - radius; ++x) {
            int32_t acc = 0;
            for (int dy = -radius; dy <= radius; ++dy) {
                const uint16_t* line = source + static_cast<std::ptrdiff_t>(y + dy) * width + x;
                for (int dx = -radius; dx <= radius; ++dx) {
                    acc += line[dx] * kernel[(dy + radius) * side + dx + radius];
                }
            }
            target[static_cast<std::ptrdiff_t>(y) * width + x] = ClampFilterResult(acc / divisor);
        }
    }
}

void MedianRowsPlain(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                     int radius, int powerTenths) {
    const float power = MedianPower(powerTenths);
    const int side = 2 * radius + 1;
    const int n = side * side;
    const int k = n / 2;
    std::vector<int32_t> window(n);
    for (int y = firstRow; y < height - radius; ++y) {
        for (int x = radius; x < width - radius; ++x) {
            int32_t minimum = kMedianMinimumStart;
            int slot = 0;
            for (int cx = x - radius; cx <= x + radius; ++cx) {
                for (int cy = y - radius; cy <= y + radius; ++cy) {
                    const int32_t v = source[static_cast<std::ptrdiff_t>(cy) * width + cx];
                    window[slot++] = v;
                    if (v < minimum) minimum = v;
                }
            }
            int32_t maximum = 0;
            int32_t median = 0;
            for (int rank = 0; rank <= k; ++rank) {
                int best = 0;
                for (int i = 1; i < n; ++i) {
                    if (window[i] >= window[best]) best = i;  // the later of equal values
                }
                if (rank == 0) maximum = window[best];
                median = window[best];
                window[best] = 0;
            }
            const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y) * width + x;
            const int32_t centre = source[at];
            const int32_t limit =
                static_cast<int32_t>(static_cast<float>(maximum - minimum) * power);
            if (std::abs(median - centre) > limit) target[at] = static_cast<uint16_t>(median);
        }
    }
}

void UnsharpRowsPlain(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                      int radius, int power, const RowCallback& beforeRow) {
    const int side = 2 * radius + 1;
    const double area = static_cast<double>(side) * side;
    for (int y = firstRow; y < height - radius; ++y) {
        if (beforeRow) beforeRow(y);
        int32_t sum = 0;
        for (int dy = -radius; dy <= radius; ++dy) {
            const uint16_t* line = source + static_cast<std::ptrdiff_t>(y + dy) * width;
            for (int x = 0; x < side; ++x) sum += line[x];
        }
        for (int x = radius; x < width - radius; ++x) {
            const int32_t mean = static_cast<int32_t>(sum / area);
            const int32_t centre = source[static_cast<std::ptrdiff_t>(y) * width + x];
            target[static_cast<std::ptrdiff_t>(y) * width + x] =
                ClampFilterResult(centre + (centre - mean) * power);
            if (x + radius + 1 >= width) break;
            for (int dy = -radius; dy <= radius; ++dy) {
                const uint16_t* line = source + static_cast<std::ptrdiff_t>(y + dy) * width;
                sum += line[x + radius + 1] - line[x - radius];
            }
        }
    }
}

void GradientRowsPlain(uint16_t* image, int width, int height, int firstRow, float widthReal,
                       float heightReal, int32_t passCount, const GradientLevels& levels) {
    const GradientLevels offsets = GradientOffsets(levels);
    const float n = static_cast<float>(passCount);
    const float topLeft = static_cast<float>(offsets.topLeft);
    const float topRight = static_cast<float>(offsets.topRight);
    const float bottomLeft = static_cast<float>(offsets.bottomLeft);
    const float bottomRight = static_cast<float>(offsets.bottomRight);
    for (int y = firstRow; y < height; ++y) {
        const float fy = static_cast<float>(y);
        const float fromBottom = heightReal - fy;
        uint16_t* line = image + static_cast<std::ptrdiff_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const float fx = static_cast<float>(x);
            const float fromRight = widthReal - fx;
            const float g = fromBottom * fromRight * topLeft / n + fromBottom * fx * topRight / n +
                            fromRight * fy * bottomLeft / n + fy * fx * bottomRight / n;
            const float sample = static_cast<float>(line[x]);
            line[x] = sample > g ? static_cast<uint16_t>(line[x] - static_cast<int32_t>(g)) : 0;
        }
    }
}

}  // namespace vexa
