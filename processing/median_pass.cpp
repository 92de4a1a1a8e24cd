// The conditional median's fast path. Each window's median is its (k + 1)-th largest value,
// whatever way it is found, so instead of k + 1 maximum searches per window the pass sorts
// every column of the window rows once (shared by the 2r + 1 windows that contain the column),
// merges the sorted columns of a window with Batcher's odd-even merge and takes the median
// from the last two lists directly; the compiler drops every comparison that does not lead to
// the median. The window maximum is the largest column top, the minimum (from 65000) the
// smallest column bottom. Radius 1 does two rows at a time in registers, the two windows of a
// column sharing their middle six samples. Whole vectors of adjacent windows are done at once;
// the last vector of a row is moved back to end at the row's end (it rewrites some outputs
// with the same values).
#include <immintrin.h>

#include <algorithm>
#include <vector>

#include "processing/filter_passes.h"
#include "processing/filter_simd.h"

namespace vexa {

namespace {

using simd::Isa;
using simd::Lanes;

constexpr uint16_t kMinimumStart = 65000;

// trunc(range x power) for every 16-bit range equals (range x A) >> 32 with these 32-bit
// constants A (tenths 1 to 9), as a test checks for all 65,536 ranges; power 1.0 gives the
// range itself. The product is formed from 16-bit halves: with A = A1 x 65536 + A0,
// (range x A) >> 32 = high(range x A1) + carry of (low(range x A1) + high(range x A0)).
constexpr uint32_t kLimitScale[kMedianMaxTenths] = {
    429498778u,  858995508u,  1288492237u, 1717988967u, 2147485696u,
    2576982426u, 3006479156u, 3435975885u, 3865472615u, 0u};

// The high halves of the 16 x 16-bit products, lane by lane.
#if defined(__clang__)
// Clang checks the vector arguments of every call made in a function built for the baseline,
// even a call that is inlined into a wider caller later, so no helper taking wide vectors may
// carry its own instruction set. The widened product needs no such helper, and clang turns
// it into the same high-half multiply instruction for each vector width.
template <typename V>
VEXA_SIMD_INLINE V MulHigh(V a, V b) {
    typedef uint32_t Wide __attribute__((vector_size(sizeof(V) * 2)));
    const Wide product = __builtin_convertvector(a, Wide) * __builtin_convertvector(b, Wide);
    return __builtin_convertvector(product >> 16, V);
}
#else
// GCC does not find the high-half multiply in the widened form; each width calls its
// instruction, built for the instruction set of its callers, which always inline it.
using U16x8 = Lanes<16>::U16;
using U16x16 = Lanes<32>::U16;
using U16x32 = Lanes<64>::U16;
inline U16x8 MulHigh(U16x8 a, U16x8 b) {
    return reinterpret_cast<U16x8>(
        _mm_mulhi_epu16(reinterpret_cast<__m128i>(a), reinterpret_cast<__m128i>(b)));
}
__attribute__((target("avx2"))) inline U16x16 MulHigh(U16x16 a, U16x16 b) {
    return reinterpret_cast<U16x16>(
        _mm256_mulhi_epu16(reinterpret_cast<__m256i>(a), reinterpret_cast<__m256i>(b)));
}
__attribute__((target("avx512f,avx512bw"))) inline U16x32 MulHigh(U16x32 a, U16x32 b) {
    return reinterpret_cast<U16x32>(
        _mm512_mulhi_epu16(reinterpret_cast<__m512i>(a), reinterpret_cast<__m512i>(b)));
}
#endif

template <typename L, int R>
struct MedianWindows {
    using V = typename L::U16;
    static constexpr int kSide = 2 * R + 1;
    static constexpr int kRank = kSide * kSide / 2;  // ascending index of the median
    static constexpr int kLanes = L::kCount;
    using Column = std::array<V, kSide>;

    // Sorted columns of rows top .. top + 2R of every column of the row.
    static VEXA_SIMD_INLINE void SortColumns(const uint16_t* source, int width, int top,
                                             uint16_t* sorted) {
        const int last = width - kLanes;
        for (int x = 0;; x += kLanes) {
            if (x > last) x = last;
            Column column;
#pragma GCC unroll 8
            for (int k = 0; k < kSide; ++k) {
                column[k] = simd::Load<V>(source + static_cast<ptrdiff_t>(top + k) * width + x);
            }
            column = simd::Sort(column);
#pragma GCC unroll 8
            for (int k = 0; k < kSide; ++k) simd::Store(sorted + k * width + x, column[k]);
            if (x == last) break;
        }
    }

    static VEXA_SIMD_INLINE V Median(const std::array<Column, kSide>& c) {
        if constexpr (R == 1) {
            // Of three sorted columns: the median of the largest bottom, the median middle
            // and the smallest top.
            const V bottoms = simd::Max(simd::Max(c[0][0], c[1][0]), c[2][0]);
            const V tops = simd::Min(simd::Min(c[0][2], c[1][2]), c[2][2]);
            const V middles = Median3(c[0][1], c[1][1], c[2][1]);
            return Median3(bottoms, middles, tops);
        } else if constexpr (R == 2) {
            const auto four = simd::Merge(simd::Merge(c[0], c[1]), simd::Merge(c[2], c[3]));
            return simd::SelectFromUnion<kRank>(four, c[4]);
        } else {
            const auto six =
                simd::Merge(simd::Merge(simd::Merge(c[0], c[1]), simd::Merge(c[2], c[3])),
                            simd::Merge(c[4], c[5]));
            return simd::SelectFromUnion<kRank>(six, c[6]);
        }
    }

    static VEXA_SIMD_INLINE V Median3(V a, V b, V c) {
        return simd::Max(simd::Min(a, b), simd::Min(simd::Max(a, b), c));
    }

    // trunc((maximum - minimum) x power), power = tenths x 0.1 in single precision.
    static VEXA_SIMD_INLINE V Limit(V range, int powerTenths) {
        if (powerTenths == kMedianMaxTenths) return range;
        const uint32_t scale = kLimitScale[powerTenths - 1];
        const V high = V{} + static_cast<uint16_t>(scale >> 16);
        const V low = V{} + static_cast<uint16_t>(scale & 0xFFFF);
        const V lowProduct = range * high;
        const V middle = lowProduct + MulHigh(range, low);
        const V result = MulHigh(range, high);
        return middle < lowProduct ? result + 1 : result;
    }

    // The output sample of each lane from its window's sorted columns and its own sample.
    static VEXA_SIMD_INLINE V Decide(const std::array<Column, kSide>& c, V here, int powerTenths) {
        const V median = Median(c);
        V maximum = c[0][kSide - 1];
        V minimum = simd::Min(c[0][0], V{} + kMinimumStart);
#pragma GCC unroll 8
        for (int j = 1; j < kSide; ++j) {
            maximum = simd::Max(maximum, c[j][kSide - 1]);
            minimum = simd::Min(minimum, c[j][0]);
        }
        const V limit = Limit(maximum - minimum, powerTenths);
        const V distance = simd::Max(median, here) - simd::Min(median, here);
        return distance > limit ? median : here;
    }

    // Output samples R .. width - R - 1 of one row from its sorted columns.
    static VEXA_SIMD_INLINE void FilterRow(const uint16_t* sorted, const uint16_t* centre,
                                           uint16_t* out, int width, int powerTenths) {
        const int last = width - R - kLanes;
        for (int x = R;; x += kLanes) {
            if (x > last) x = last;
            std::array<Column, kSide> c;
#pragma GCC unroll 8
            for (int j = 0; j < kSide; ++j) {
#pragma GCC unroll 8
                for (int k = 0; k < kSide; ++k) {
                    c[j][k] = simd::Load<V>(sorted + k * width + x - R + j);
                }
            }
            simd::Store(out + x, Decide(c, simd::Load<V>(centre + x), powerTenths));
            if (x == last) break;
        }
    }

    static VEXA_SIMD_INLINE void Row(const uint16_t* source, uint16_t* target, int width, int y,
                                     int powerTenths, uint16_t* sorted) {
        SortColumns(source, width, y - R, sorted);
        const ptrdiff_t at = static_cast<ptrdiff_t>(y) * width;
        FilterRow(sorted, source + at, target + at, width, powerTenths);
    }

    // The output sample from the window's median, maximum and minimum (the 65000 start
    // included) and the sample itself.
    static VEXA_SIMD_INLINE V Choose(V median, V maximum, V minimum, V here, int powerTenths) {
        const V limit = Limit(maximum - minimum, powerTenths);
        const V distance = simd::Max(median, here) - simd::Min(median, here);
        return distance > limit ? median : here;
    }

    // Rows y and y + 1 of a radius-1 pass at once, without storing sorted columns. The two
    // windows share their middle six samples, which are ordered once; each window adds its
    // own three (the row above, or the row below), and its median is the value of ascending
    // index 4 of the union.
    static VEXA_SIMD_INLINE void RowPair(const uint16_t* source, uint16_t* target, int width, int y,
                                         int powerTenths, uint16_t* sorted) {
        if constexpr (R != 1) {
            Row(source, target, width, y, powerTenths, sorted);
            Row(source, target, width, y + 1, powerTenths, sorted);
        } else {
            const uint16_t* above = source + static_cast<ptrdiff_t>(y - 1) * width;
            const uint16_t* upper = above + width;
            const uint16_t* lower = upper + width;
            const uint16_t* below = lower + width;
            uint16_t* out = target + static_cast<ptrdiff_t>(y) * width;
            const int last = width - 1 - kLanes;
            for (int x = 1;; x += kLanes) {
                if (x > last) x = last;
                std::array<std::array<V, 2>, 3> middle;
                std::array<V, 3> top, bottom;
#pragma GCC unroll 3
                for (int j = 0; j < 3; ++j) {
                    const int at = x - 1 + j;
                    top[j] = simd::Load<V>(above + at);
                    bottom[j] = simd::Load<V>(below + at);
                    const V b = simd::Load<V>(upper + at);
                    const V c = simd::Load<V>(lower + at);
                    middle[j] = {simd::Min(b, c), simd::Max(b, c)};
                }
                const auto shared = simd::Merge(simd::Merge(middle[0], middle[1]), middle[2]);
                top = simd::Sort(top);
                bottom = simd::Sort(bottom);
                const V firstMedian = simd::SelectFromUnion<kRank>(shared, top);
                const V secondMedian = simd::SelectFromUnion<kRank>(shared, bottom);
                // The shared samples' minimum, from the 65000 start, serves both windows.
                const V sharedMinimum = simd::Min(shared[0], V{} + kMinimumStart);
                simd::Store(out + x, Choose(firstMedian, simd::Max(shared[5], top[2]),
                                            simd::Min(sharedMinimum, top[0]),
                                            simd::Load<V>(upper + x), powerTenths));
                simd::Store(out + width + x, Choose(secondMedian, simd::Max(shared[5], bottom[2]),
                                                    simd::Min(sharedMinimum, bottom[0]),
                                                    simd::Load<V>(lower + x), powerTenths));
                if (x == last) break;
            }
        }
    }
};

using RowFunction = void (*)(const uint16_t*, uint16_t*, int, int, int, uint16_t*);

// Each instruction set and radius has a one-row and a two-row function.
template <typename L, int R, bool Pair>
VEXA_SIMD_INLINE void RowOrPair(const uint16_t* source, uint16_t* target, int width, int y,
                                int powerTenths, uint16_t* sorted) {
    if constexpr (Pair) {
        MedianWindows<L, R>::RowPair(source, target, width, y, powerTenths, sorted);
    } else {
        MedianWindows<L, R>::Row(source, target, width, y, powerTenths, sorted);
    }
}

#define VEXA_MEDIAN_ROWS(suffix, target_attr, bytes, radius)                                   \
    target_attr __attribute__((flatten)) void MedianRow##suffix(                               \
        const uint16_t* source, uint16_t* target, int width, int y, int powerTenths,           \
        uint16_t* sorted) {                                                                    \
        RowOrPair<Lanes<bytes>, radius, false>(source, target, width, y, powerTenths, sorted); \
    }                                                                                          \
    target_attr __attribute__((flatten)) void MedianPair##suffix(                              \
        const uint16_t* source, uint16_t* target, int width, int y, int powerTenths,           \
        uint16_t* sorted) {                                                                    \
        RowOrPair<Lanes<bytes>, radius, true>(source, target, width, y, powerTenths, sorted);  \
    }

#define VEXA_AVX512 __attribute__((target("avx512f,avx512bw")))
#define VEXA_AVX2 __attribute__((target("avx2")))
#define VEXA_GENERIC

VEXA_MEDIAN_ROWS(Avx512R1, VEXA_AVX512, 64, 1)
VEXA_MEDIAN_ROWS(Avx512R2, VEXA_AVX512, 64, 2)
VEXA_MEDIAN_ROWS(Avx512R3, VEXA_AVX512, 64, 3)
VEXA_MEDIAN_ROWS(Avx2R1, VEXA_AVX2, 32, 1)
VEXA_MEDIAN_ROWS(Avx2R2, VEXA_AVX2, 32, 2)
VEXA_MEDIAN_ROWS(Avx2R3, VEXA_AVX2, 32, 3)
VEXA_MEDIAN_ROWS(GenericR1, VEXA_GENERIC, 16, 1)
VEXA_MEDIAN_ROWS(GenericR2, VEXA_GENERIC, 16, 2)
VEXA_MEDIAN_ROWS(GenericR3, VEXA_GENERIC, 16, 3)

struct MedianPath {
    RowFunction row;
    RowFunction pair;
    int lanes;
};

MedianPath PathFor(Isa isa, int radius) {
    static const MedianPath kPaths[3][3] = {
        {{MedianRowGenericR1, MedianPairGenericR1, 8},
         {MedianRowGenericR2, MedianPairGenericR2, 8},
         {MedianRowGenericR3, MedianPairGenericR3, 8}},
        {{MedianRowAvx2R1, MedianPairAvx2R1, 16},
         {MedianRowAvx2R2, MedianPairAvx2R2, 16},
         {MedianRowAvx2R3, MedianPairAvx2R3, 16}},
        {{MedianRowAvx512R1, MedianPairAvx512R1, 32},
         {MedianRowAvx512R2, MedianPairAvx512R2, 32},
         {MedianRowAvx512R3, MedianPairAvx512R3, 32}},
    };
    return kPaths[static_cast<int>(isa)][radius - 1];
}

}  // namespace

uint16_t MedianLimit(uint16_t range, int powerTenths) {
    if (powerTenths == kMedianMaxTenths) return range;
    return static_cast<uint16_t>((static_cast<uint64_t>(range) * kLimitScale[powerTenths - 1]) >>
                                 32);
}

void MedianRows(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                int radius, int powerTenths, const RowCallback& beforeRow) {
    const bool supported = radius >= 1 && radius <= kMedianMaxRadius && powerTenths >= 1 &&
                           powerTenths <= kMedianMaxTenths;
    const MedianPath path = PathFor(simd::ActiveIsa(), supported ? radius : 1);
    // Images narrower than one vector of windows take the plain form.
    const bool vectors = supported && width - 2 * radius >= path.lanes;
    thread_local std::vector<uint16_t> sorted;
    if (vectors) sorted.resize(static_cast<size_t>(2 * radius + 1) * width);
    const int end = height - radius;
    for (int y = firstRow; y < end;) {
        if (!vectors) {
            if (beforeRow) beforeRow(y);
            MedianRowsPlain(source, target, width, y + radius + 1, y, radius, powerTenths);
            ++y;
        } else if (y + 1 < end) {
            if (beforeRow) {
                beforeRow(y);
                beforeRow(y + 1);
            }
            path.pair(source, target, width, y, powerTenths, sorted.data());
            y += 2;
        } else {
            if (beforeRow) beforeRow(y);
            path.row(source, target, width, y, powerTenths, sorted.data());
            ++y;
        }
    }
}

}  // namespace vexa
