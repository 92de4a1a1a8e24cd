// Display levels, the background estimates and the colour table of the palette options.
#include "processing/display_mapping.h"

#include <algorithm>
#include <cmath>

#include "session/session_state.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define VEXA_X86_64 1
#endif

namespace vexa {

namespace {

// The band of samples whose most frequent level is the auto-contrast threshold.
constexpr int kThresholdFirstSample = 10240;
constexpr int kThresholdEndSample = 25600;

// The interior counted by the background estimate: rows 5 to height - 12 (height - 16 rows)
// and columns 10 to width - 11. Taking the widest region that still leaves out the sensor's
// edge rows and columns gives the steadiest estimate.
constexpr int kEstimateFirstRow = 5;
constexpr int kEstimateRowsLeftOut = 16;
constexpr int kEstimateColumnMargin = 10;

constexpr int kLevels = 256;
constexpr int kMaxLevel = 255;

// Palette-stretch multipliers for 12 to 16 bits.
constexpr int kMinStretchBits = 12;
constexpr int kMaxStretchBits = 16;
constexpr std::array<int, 5> kStretchMultipliers{16, 8, 4, 2, 1};

// The auto-contrast curve's exponents were single-precision 0.3 and 0.7; their exact values
// widened to double keep the table the same as before.
constexpr double kContrastExponent = 0.30000001192092896;
constexpr double kContrastScaleExponent = 0.699999988079071;

// Levels above this are grey in the false-colour table.
constexpr int kFalseColourTop = 240;

void FillScalar(const uint16_t* samples, uint8_t* bytes, int from, int count) {
    for (int k = from; k < count; ++k) bytes[k] = static_cast<uint8_t>(samples[k] >> 8);
}

#ifdef VEXA_X86_64
// Every x86-64 has SSE2: 16 samples to 16 bytes per step.
void FillSse2(const uint16_t* samples, uint8_t* bytes, int count) {
    int k = 0;
    for (; k + 16 <= count; k += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + k));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + k + 8));
        a = _mm_srli_epi16(a, 8);
        b = _mm_srli_epi16(b, 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + k), _mm_packus_epi16(a, b));
    }
    FillScalar(samples, bytes, k, count);
}

// 32 samples per step where the processor has AVX2 (chosen at run time).
__attribute__((target("avx2"))) void FillAvx2(const uint16_t* samples, uint8_t* bytes, int count) {
    int k = 0;
    for (; k + 32 <= count; k += 32) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples + k));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples + k + 16));
        a = _mm256_srli_epi16(a, 8);
        b = _mm256_srli_epi16(b, 8);
        // The pack works per 128-bit lane; the permute puts the four quarters back in order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes + k), packed);
    }
    FillScalar(samples, bytes, k, count);
}

using FillFunction = void (*)(const uint16_t*, uint8_t*, int);
FillFunction ChooseFill() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? FillAvx2 : FillSse2;
}
#endif

// Index of the largest count, the lowest index winning ties; skipped entries do not count.
int MostFrequent(const std::array<uint32_t, kLevels>& counts,
                 const std::array<bool, kLevels>& skip) {
    int best = -1;
    for (int level = 0; level < kLevels; ++level) {
        if (skip[level]) continue;
        if (best < 0 || counts[level] > counts[best]) best = level;
    }
    return best;
}

// Store counts in the session: exact, and saturated for the 16-bit counters.
void PublishHistogram(const std::array<uint32_t, kLevels>& counts) {
    SessionState& s = Session();
    s.displayHistogramWide = counts;
    for (int level = 0; level < kLevels; ++level) {
        s.displayHistogram[level] = static_cast<uint16_t>(std::min<uint32_t>(counts[level], 65535));
    }
}

// m(i): the stretched level for the palette options.
std::array<int, kLevels> StretchedLevels(const SessionState& s) {
    std::array<int, kLevels> m{};
    if (s.paletteStretch) {
        const int bits = std::clamp<int>(s.paletteStretchBits, kMinStretchBits, kMaxStretchBits);
        const int multiplier = kStretchMultipliers[bits - kMinStretchBits];
        for (int i = 0; i < kLevels; ++i) m[i] = std::min(kMaxLevel, i * multiplier);
    } else if (s.autoContrast) {
        const int threshold = std::clamp<int>(s.backgroundLevel, 0, kMaxLevel);
        const double scale = 1.0 / std::pow(255.0, -kContrastScaleExponent);
        for (int i = 0; i < kLevels; ++i) {
            if (i <= threshold) {
                m[i] = 0;
                continue;
            }
            const double v =
                std::pow(static_cast<double>(i - threshold), kContrastExponent) * scale;
            m[i] = std::min(kMaxLevel, static_cast<int>(v));  // truncation toward zero
        }
    } else {
        for (int i = 0; i < kLevels; ++i) m[i] = i;
    }
    return m;
}

ColourEntry Grey(int c) {
    const auto v = static_cast<uint8_t>(c);
    return ColourEntry{v, v, v, 0};
}

ColourEntry FalseColour(int c) {
    if (c > kFalseColourTop) return Grey(c);
    const int inverse = kMaxLevel - c;
    ColourEntry e;
    e.red = static_cast<uint8_t>(c);
    e.green = static_cast<uint8_t>(c * c / 256);
    e.blue = static_cast<uint8_t>((inverse - inverse * inverse / 256) & 0xFF);
    return e;
}

}  // namespace

void FillDisplayBytes(const uint16_t* samples, uint8_t* bytes, int count) {
    if (samples == nullptr || bytes == nullptr || count <= 0) return;
#ifdef VEXA_X86_64
    static const FillFunction fill = ChooseFill();
    fill(samples, bytes, count);
#else
    FillScalar(samples, bytes, 0, count);
#endif
}

void ComputeAutoContrastThreshold() {
    SessionState& s = Session();
    std::array<uint32_t, kLevels> counts{};
    for (int k = kThresholdFirstSample; k < kThresholdEndSample; ++k) {
        ++counts[s.currentImage[k] >> 8];
    }
    PublishHistogram(counts);
    s.backgroundLevel = MostFrequent(counts, {});
}

DisplayLevelCounts CountInteriorLevels(const Plane& image, const ImageGeometry& geometry) {
    const int width = std::clamp<int>(geometry.width, 0, kFullWidth);
    const int firstRow = kEstimateFirstRow;
    const int endRow =
        std::min(geometry.height - kEstimateRowsLeftOut + kEstimateFirstRow, kFullHeight);
    const int firstColumn = kEstimateColumnMargin;
    const int endColumn = width - kEstimateColumnMargin;

    // The region holds up to 1.3 million samples: 32-bit counts, two interleaved tables so
    // that runs of equal levels do not wait on one counter.
    std::array<uint32_t, kLevels> even{}, odd{};
    for (int row = firstRow; row < endRow; ++row) {
        const uint16_t* p = image.data() + static_cast<size_t>(row) * width;
        int c = firstColumn;
        for (; c + 1 < endColumn; c += 2) {
            ++even[p[c] >> 8];
            ++odd[p[c + 1] >> 8];
        }
        if (c < endColumn) ++even[p[c] >> 8];
    }
    DisplayLevelCounts counts{};
    for (int level = 0; level < kLevels; ++level) counts[level] = even[level] + odd[level];
    return counts;
}

void EstimateBackgroundLevel() {
    SessionState& s = Session();
    const DisplayLevelCounts counts = CountInteriorLevels(s.currentImage, s.geometry);
    PublishHistogram(counts);

    std::array<bool, kLevels> taken{};
    const int first = MostFrequent(counts, taken);
    taken[first] = true;
    int sum = first;
    for (int pick = 1; pick < 3; ++pick) {
        const int level = MostFrequent(counts, taken);
        taken[level] = true;
        // Levels that never occur do not count as frequent: the most frequent stands in.
        sum += counts[level] > 0 ? level : first;
    }
    s.backgroundLevel = sum / 3;
}

ColourTable BuildColourTable() {
    const SessionState& s = Session();
    const std::array<int, kLevels> m = StretchedLevels(s);
    ColourTable table;
    for (int i = 0; i < kLevels; ++i) {
        if (s.falseColour) {
            // Palette stretch alone leaves the false-colour table unstretched.
            table[i] = FalseColour(s.autoContrast ? m[i] : i);
        } else {
            table[i] = Grey(s.paletteStretch || s.autoContrast ? m[i] : i);
        }
    }
    return table;
}

}  // namespace vexa
