#include "processing/filter_simd.h"

namespace vexa::simd {

namespace {

Isa ProcessorIsa() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) {
        return Isa::Avx512;
    }
    if (__builtin_cpu_supports("avx2")) return Isa::Avx2;
    return Isa::Generic;
}

Isa& Active() {
    static Isa isa = ProcessorIsa();
    return isa;
}

}  // namespace

Isa ActiveIsa() {
    return Active();
}

bool IsaAvailable(Isa isa) {
    return static_cast<int>(isa) <= static_cast<int>(ProcessorIsa());
}

void ForceIsa(Isa isa) {
    if (IsaAvailable(isa)) Active() = isa;
}

void ResetIsa() {
    Active() = ProcessorIsa();
}

}  // namespace vexa::simd
