// Fast paths of the fixed kernels, the unsharp mask and the gradient filter. Each kernel is
// split into vertical column sums (one row of 32-bit sums per row of the image) and a
// horizontal pass over them; integer sums give the same totals in any order, so every output
// equals the direct window sum. The loops are plain enough for the compiler to vectorise and
// are built for AVX-512, AVX2 and the baseline, chosen when first called.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "processing/filter_passes.h"

namespace vexa {

namespace {

#define VEXA_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))

constexpr int32_t kClampHigh = 65535;

inline uint16_t Clamped(int32_t value) {
    return static_cast<uint16_t>(value > kFilterClampThreshold ? kClampHigh
                                                               : (value < 0 ? 0 : value));
}

// The rows of a window around row y: row(dy) is the source row y + dy.
struct Rows {
    const uint16_t* base;
    int width;
    int y;
    const uint16_t* operator()(int dy) const {
        return base + static_cast<ptrdiff_t>(y + dy) * width;
    }
};

// 1 2 1 / 2 4 2 / 1 2 1, divisor 16 (the sum is never negative, so a shift divides).
VEXA_CLONES void LowPassRow(const uint16_t* __restrict above, const uint16_t* __restrict row,
                            const uint16_t* __restrict below, uint16_t* __restrict out,
                            int32_t* __restrict column, int width) {
    for (int x = 0; x < width; ++x) column[x] = above[x] + 2 * row[x] + below[x];
    for (int x = 1; x < width - 1; ++x) {
        out[x] = Clamped((column[x - 1] + 2 * column[x] + column[x + 1]) >> 4);
    }
}

// The Gaussian 5 x 5 is the sum of two separable kernels: (0 1 2 1 0) down with
// (1 4 8 4 1) across, and (1 0 0 0 1) down with (0 1 2 1 0) across.
VEXA_CLONES void GaussianRow(const uint16_t* __restrict r0, const uint16_t* __restrict r1,
                             const uint16_t* __restrict r2, const uint16_t* __restrict r3,
                             const uint16_t* __restrict r4, uint16_t* __restrict out,
                             int32_t* __restrict inner, int32_t* __restrict outer, int width) {
    for (int x = 0; x < width; ++x) {
        inner[x] = r1[x] + 2 * r2[x] + r3[x];
        outer[x] = r0[x] + r4[x];
    }
    for (int x = 2; x < width - 2; ++x) {
        const int32_t acc = inner[x - 2] + 4 * inner[x - 1] + 8 * inner[x] + 4 * inner[x + 1] +
                            inner[x + 2] + outer[x - 1] + 2 * outer[x] + outer[x + 1];
        // acc is at most 80 x 65535 < 2^23: exact in single precision, and its correctly
        // rounded quotient by 80 never reaches the next integer, so truncation gives acc / 80.
        out[x] = Clamped(static_cast<int32_t>(static_cast<float>(acc) / 80.0f));
    }
}

// 0 -1 0 / -1 5 -1 / 0 -1 0.
VEXA_CLONES void HighPassLowRow(const uint16_t* __restrict above, const uint16_t* __restrict row,
                                const uint16_t* __restrict below, uint16_t* __restrict out,
                                int width) {
    for (int x = 1; x < width - 1; ++x) {
        out[x] = Clamped(5 * row[x] - row[x - 1] - row[x + 1] - above[x] - below[x]);
    }
}

// 25 at the centre, -1 elsewhere: 26 x centre - the 5 x 5 box sum.
VEXA_CLONES void HighPassHighRow(const uint16_t* __restrict r0, const uint16_t* __restrict r1,
                                 const uint16_t* __restrict r2, const uint16_t* __restrict r3,
                                 const uint16_t* __restrict r4, uint16_t* __restrict out,
                                 int32_t* __restrict column, int width) {
    for (int x = 0; x < width; ++x) column[x] = r0[x] + r1[x] + r2[x] + r3[x] + r4[x];
    for (int x = 2; x < width - 2; ++x) {
        const int32_t box =
            column[x - 2] + column[x - 1] + column[x] + column[x + 1] + column[x + 2];
        out[x] = Clamped(26 * r2[x] - box);
    }
}

// Smoother/sharper: twice the 3 x 3 box, plus four times the centre, minus the 5 x 5 box,
// plus the four corners (whose weight is 0).
VEXA_CLONES void SmootherSharperRow(const uint16_t* __restrict r0, const uint16_t* __restrict r1,
                                    const uint16_t* __restrict r2, const uint16_t* __restrict r3,
                                    const uint16_t* __restrict r4, uint16_t* __restrict out,
                                    int32_t* __restrict inner, int32_t* __restrict outer,
                                    int width) {
    for (int x = 0; x < width; ++x) {
        inner[x] = r1[x] + r2[x] + r3[x];
        outer[x] = r0[x] + r4[x];
    }
    for (int x = 2; x < width - 2; ++x) {
        const int32_t box3 = inner[x - 1] + inner[x] + inner[x + 1];
        const int32_t box5 = box3 + inner[x - 2] + inner[x + 2] + outer[x - 2] + outer[x - 1] +
                             outer[x] + outer[x + 1] + outer[x + 2];
        const int32_t corners = r0[x - 2] + r0[x + 2] + r4[x - 2] + r4[x + 2];
        out[x] = Clamped(2 * box3 + 4 * r2[x] - box5 + corners);
    }
}

// 0 0 -1 0 0 / 0 -1 -1 -1 0 / -1 -1 1 1 1 / 0 1 1 1 0 / 0 0 1 0 0.
VEXA_CLONES void BasReliefRow(const uint16_t* __restrict r0, const uint16_t* __restrict r1,
                              const uint16_t* __restrict r2, const uint16_t* __restrict r3,
                              const uint16_t* __restrict r4, uint16_t* __restrict out, int width) {
    for (int x = 2; x < width - 2; ++x) {
        const int32_t up = r0[x] + r1[x - 1] + r1[x] + r1[x + 1] + r2[x - 2] + r2[x - 1];
        const int32_t down = r2[x] + r2[x + 1] + r2[x + 2] + r3[x - 1] + r3[x] + r3[x + 1] + r4[x];
        out[x] = Clamped(down - up);
    }
}

// The unsharp mask's box sums: column sums over the 2r + 1 rows kept from row to row (one
// row added and one removed), then the 2r + 1 column sums across. The mean is the truncated
// quotient by (2r + 1)^2: the sum is below 2^24, exact in single precision, and its correctly
// rounded quotient never reaches the next integer (the gap is at least 1 / 225, half a unit
// in the last place at most 1 / 512).
VEXA_CLONES void AddRowToColumns(int32_t* __restrict column, const uint16_t* __restrict add,
                                 const uint16_t* __restrict remove, int width) {
    for (int x = 0; x < width; ++x) column[x] += add[x] - remove[x];
}

// One row of the unsharp mask from the column sums, the sum across unrolled for each radius.
template <int R>
inline void UnsharpRowFixed(const int32_t* __restrict column, const uint16_t* __restrict row,
                            uint16_t* __restrict out, int width, int power) {
    constexpr float kArea = static_cast<float>((2 * R + 1) * (2 * R + 1));
    for (int x = R; x < width - R; ++x) {
        int32_t sum = 0;
#pragma GCC unroll 16
        for (int dx = -R; dx <= R; ++dx) sum += column[x + dx];
        const int32_t mean = static_cast<int32_t>(static_cast<float>(sum) / kArea);
        const int32_t centre = row[x];
        out[x] = Clamped(centre + (centre - mean) * power);
    }
}

#define VEXA_UNSHARP_ROW(R)                                                                  \
    VEXA_CLONES void UnsharpRow##R(const int32_t* __restrict column,                         \
                                   const uint16_t* __restrict row, uint16_t* __restrict out, \
                                   int width, int power) {                                   \
        UnsharpRowFixed<R>(column, row, out, width, power);                                  \
    }
VEXA_UNSHARP_ROW(1)
VEXA_UNSHARP_ROW(2)
VEXA_UNSHARP_ROW(3)
VEXA_UNSHARP_ROW(4)
VEXA_UNSHARP_ROW(5)
VEXA_UNSHARP_ROW(6)
VEXA_UNSHARP_ROW(7)

using UnsharpRowFunction = void (*)(const int32_t*, const uint16_t*, uint16_t*, int, int);
constexpr UnsharpRowFunction kUnsharpRows[kUnsharpMaxValue] = {
    UnsharpRow1, UnsharpRow2, UnsharpRow3, UnsharpRow4, UnsharpRow5, UnsharpRow6, UnsharpRow7};

// The gradient's subtraction on one row: g from the four corner terms in single precision,
// in the order the plain form adds them; a term whose corner offset is 0 adds exactly 0 and
// is left out.
VEXA_CLONES void GradientRow(uint16_t* __restrict line, const float* __restrict columnReal,
                             const float* __restrict fromRight, int width, float fy,
                             float fromBottom, float n, float topLeft, float topRight,
                             float bottomLeft, float bottomRight) {
    for (int x = 0; x < width; ++x) {
        float g = 0.0f;
        if (topLeft != 0.0f) g = fromBottom * fromRight[x] * topLeft / n;
        if (topRight != 0.0f) g = g + fromBottom * columnReal[x] * topRight / n;
        if (bottomLeft != 0.0f) g = g + fromRight[x] * fy * bottomLeft / n;
        if (bottomRight != 0.0f) g = g + fy * columnReal[x] * bottomRight / n;
        const float sample = static_cast<float>(line[x]);
        line[x] = sample > g ? static_cast<uint16_t>(line[x] - static_cast<int32_t>(g)) : 0;
    }
}

enum class FixedKernel {
    None,
    LowPass,
    Gaussian,
    HighPassLow,
    HighPassHigh,
    SmootherSharper,
    BasRelief
};

FixedKernel Recognise(int radius, const FilterKernel& kernel, int divisor) {
    const auto is = [&](int index, int r, int d) {
        return radius == r && divisor == d && kernel == filterKernels[index];
    };
    if (is(kLowPassKernel, 1, kLowPassDivisor)) return FixedKernel::LowPass;
    if (is(kGaussianKernel, 2, kGaussianDivisor)) return FixedKernel::Gaussian;
    if (is(kHighPassLowPowerKernel, 1, 1)) return FixedKernel::HighPassLow;
    if (is(kHighPassHighPowerKernel, 2, 1)) return FixedKernel::HighPassHigh;
    if (is(kSmootherSharperKernel, 2, 1)) return FixedKernel::SmootherSharper;
    if (is(kBasReliefKernel, 2, 1)) return FixedKernel::BasRelief;
    return FixedKernel::None;
}

}  // namespace

void ConvolveRows(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                  int radius, const FilterKernel& kernel, int divisor,
                  const RowCallback& beforeRow) {
    const FixedKernel fixed = Recognise(radius, kernel, divisor);
    thread_local std::vector<int32_t> scratch;
    scratch.resize(2 * static_cast<size_t>(std::max(width, 0)));
    int32_t* first = scratch.data();
    int32_t* second = first + width;
    for (int y = firstRow; y < height - radius; ++y) {
        if (beforeRow) beforeRow(y);
        const Rows r{source, width, y};
        uint16_t* out = target + static_cast<ptrdiff_t>(y) * width;
        switch (fixed) {
            case FixedKernel::LowPass:
                LowPassRow(r(-1), r(0), r(1), out, first, width);
                break;
            case FixedKernel::Gaussian:
                GaussianRow(r(-2), r(-1), r(0), r(1), r(2), out, first, second, width);
                break;
            case FixedKernel::HighPassLow:
                HighPassLowRow(r(-1), r(0), r(1), out, width);
                break;
            case FixedKernel::HighPassHigh:
                HighPassHighRow(r(-2), r(-1), r(0), r(1), r(2), out, first, width);
                break;
            case FixedKernel::SmootherSharper:
                SmootherSharperRow(r(-2), r(-1), r(0), r(1), r(2), out, first, second, width);
                break;
            case FixedKernel::BasRelief:
                BasReliefRow(r(-2), r(-1), r(0), r(1), r(2), out, width);
                break;
            case FixedKernel::None:
                ConvolveRowsPlain(source, target, width, y + radius + 1, y, radius, kernel,
                                  divisor);
                break;
        }
    }
}

void UnsharpRows(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                 int radius, int power, const RowCallback& beforeRow) {
    if (radius < 1 || radius > kUnsharpMaxValue) {
        UnsharpRowsPlain(source, target, width, height, firstRow, radius, power, beforeRow);
        return;
    }
    if (firstRow >= height - radius) return;
    thread_local std::vector<int32_t> column;
    column.assign(static_cast<size_t>(std::max(width, 0)), 0);
    for (int dy = -radius; dy <= radius; ++dy) {
        const uint16_t* line = source + static_cast<ptrdiff_t>(firstRow + dy) * width;
        for (int x = 0; x < width; ++x) column[x] += line[x];
    }
    for (int y = firstRow; y < height - radius; ++y) {
        if (beforeRow) beforeRow(y);
        if (y > firstRow) {
            AddRowToColumns(column.data(), source + static_cast<ptrdiff_t>(y + radius) * width,
                            source + static_cast<ptrdiff_t>(y - radius - 1) * width, width);
        }
        const uint16_t* row = source + static_cast<ptrdiff_t>(y) * width;
        uint16_t* out = target + static_cast<ptrdiff_t>(y) * width;
        kUnsharpRows[radius - 1](column.data(), row, out, width, power);
    }
}

void GradientRows(uint16_t* image, int width, int height, int firstRow, float widthReal,
                  float heightReal, int32_t passCount, const GradientLevels& levels) {
    const GradientLevels offsets = GradientOffsets(levels);
    std::vector<float> columnReal(static_cast<size_t>(std::max(width, 0)));
    std::vector<float> fromRight(columnReal.size());
    for (int x = 0; x < width; ++x) {
        columnReal[x] = static_cast<float>(x);
        fromRight[x] = widthReal - columnReal[x];
    }
    const float n = static_cast<float>(passCount);
    for (int y = firstRow; y < height; ++y) {
        const float fy = static_cast<float>(y);
        GradientRow(image + static_cast<ptrdiff_t>(y) * width, columnReal.data(), fromRight.data(),
                    width, fy, heightReal - fy, n, static_cast<float>(offsets.topLeft),
                    static_cast<float>(offsets.topRight), static_cast<float>(offsets.bottomLeft),
                    static_cast<float>(offsets.bottomRight));
    }
}

}  // namespace vexa
