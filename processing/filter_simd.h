// Vector helpers for the filter passes: lane types of the three instruction sets the passes
// are built for (chosen once at run time), unaligned loads and stores, minimum, maximum and
// compare-exchange, and Batcher's odd-even merge on arrays of vectors. Included only by the
// pass sources; everything here is inlined into functions built for one instruction set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

// Vector values must never cross a function boundary that is not inlined: a helper built for
// the baseline would pass a wide vector differently from its AVX caller. Every helper here and
// in the passes is therefore forced inline (at every optimisation level), and the calling
// convention notes GCC gives about vector arguments do not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
#define VEXA_SIMD_INLINE inline __attribute__((always_inline))

namespace vexa::simd {

// The instruction set a pass runs with.
enum class Isa { Generic, Avx2, Avx512 };

// The best instruction set of this processor, or the one a test has forced.
Isa ActiveIsa();
bool IsaAvailable(Isa isa);
// Tests run every path the processor has: force one, then go back to the processor's best.
void ForceIsa(Isa isa);
void ResetIsa();

// Lanes of unsigned 16-bit samples, with the matching 32-bit integer and float halves.
template <int Bytes>
struct Lanes {
    static constexpr int kCount = Bytes / 2;
    typedef uint16_t U16 __attribute__((vector_size(Bytes)));
    typedef int16_t S16 __attribute__((vector_size(Bytes)));
    typedef uint16_t Half16 __attribute__((vector_size(Bytes / 2)));
    typedef int32_t I32 __attribute__((vector_size(Bytes)));
    typedef float F32 __attribute__((vector_size(Bytes)));
};

template <typename V>
VEXA_SIMD_INLINE V Load(const uint16_t* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V>
VEXA_SIMD_INLINE void Store(uint16_t* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

template <typename V>
VEXA_SIMD_INLINE V Min(V a, V b) {
    return a < b ? a : b;
}

template <typename V>
VEXA_SIMD_INLINE V Max(V a, V b) {
    return a < b ? b : a;
}

template <typename V>
VEXA_SIMD_INLINE void Exchange(V& a, V& b) {
    const V low = Min(a, b);
    b = Max(a, b);
    a = low;
}

// Runs f(i) for i = 0 .. N - 1, each i a compile-time constant, so that every array index
// below is fixed and the arrays can live in registers.
template <size_t N, typename F>
VEXA_SIMD_INLINE void Repeat(F&& f) {
    [&]<size_t... I>(std::index_sequence<I...>) __attribute__((always_inline)) {
        (f(std::integral_constant<size_t, I>{}), ...);
    }
    (std::make_index_sequence<N>{});
}

// Batcher's odd-even merge of two ascending lists of any lengths: the even-indexed and the
// odd-indexed elements are merged separately, then one rank of compare-exchanges finishes.
template <typename V, size_t N, size_t M>
VEXA_SIMD_INLINE std::array<V, N + M> Merge(const std::array<V, N>& a, const std::array<V, M>& b) {
    if constexpr (N == 0) {
        return b;
    } else if constexpr (M == 0) {
        return a;
    } else if constexpr (N == 1 && M == 1) {
        return {Min(a[0], b[0]), Max(a[0], b[0])};
    } else {
        std::array<V, (N + 1) / 2> aEven;
        std::array<V, N / 2> aOdd;
        std::array<V, (M + 1) / 2> bEven;
        std::array<V, M / 2> bOdd;
        Repeat<N>([&](auto i) __attribute__((always_inline)) {
            (i % 2 == 0 ? aEven[i / 2] : aOdd[i / 2]) = a[i];
        });
        Repeat<M>([&](auto i) __attribute__((always_inline)) {
            (i % 2 == 0 ? bEven[i / 2] : bOdd[i / 2]) = b[i];
        });
        const auto v = Merge(aEven, bEven);
        const auto w = Merge(aOdd, bOdd);
        constexpr size_t kV = v.size();
        constexpr size_t kW = w.size();
        constexpr size_t kPairs = kW < kV - 1 ? kW : kV - 1;
        std::array<V, N + M> c;
        c[0] = v[0];
        Repeat<kPairs>([&](auto i) __attribute__((always_inline)) {
            c[2 * i + 1] = Min(w[i], v[i + 1]);
            c[2 * i + 2] = Max(w[i], v[i + 1]);
        });
        // What is left over: the largest of w, or the largest of v.
        Repeat<kW - kPairs>([&](auto j) __attribute__((always_inline)) {
            c[2 * kPairs + 1 + j] = w[kPairs + j];
        });
        Repeat<kV - 1 - kPairs>([&](auto j) __attribute__((always_inline)) {
            c[2 * kPairs + 1 + j] = v[kPairs + 1 + j];
        });
        return c;
    }
}

// The value of ascending index K of the union of two ascending lists: taking i values from a
// and K + 1 - i from b, the largest taken is at least that value, and for the right i it is
// that value; so it is the smallest over i of the largest taken.
template <size_t K, typename V, size_t N, size_t M>
VEXA_SIMD_INLINE V SelectFromUnion(const std::array<V, N>& a, const std::array<V, M>& b) {
    static_assert(K < N + M);
    constexpr size_t kFirst = K + 1 > M ? K + 1 - M : 0;
    constexpr size_t kLast = K + 1 < N ? K + 1 : N;
    V best{};
    Repeat<kLast - kFirst + 1>([&](auto step) __attribute__((always_inline)) {
        constexpr size_t i = kFirst + decltype(step)::value;
        constexpr size_t fromB = K + 1 - i;
        V largest;
        if constexpr (i == 0) {
            largest = b[fromB - 1];
        } else if constexpr (fromB == 0) {
            largest = a[i - 1];
        } else {
            largest = Max(a[i - 1], b[fromB - 1]);
        }
        best = i == kFirst ? largest : Min(best, largest);
    });
    return best;
}

// Ascending order of N values by recursive merging.
template <typename V, size_t N>
VEXA_SIMD_INLINE std::array<V, N> Sort(const std::array<V, N>& a) {
    if constexpr (N <= 1) {
        return a;
    } else {
        constexpr size_t kLow = N / 2;
        std::array<V, kLow> low;
        std::array<V, N - kLow> high;
        Repeat<kLow>([&](auto i) __attribute__((always_inline)) { low[i] = a[i]; });
        Repeat<N - kLow>([&](auto i) __attribute__((always_inline)) { high[i] = a[kLow + i]; });
        return Merge(Sort(low), Sort(high));
    }
}

}  // namespace vexa::simd
