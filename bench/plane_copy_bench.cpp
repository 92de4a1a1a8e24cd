// The floor every whole-image measurement is read against: one plain copy of a Full plane.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "session/session_state.h"

static void BM_PlainPlaneCopy(benchmark::State& state) {
    std::vector<uint16_t> src(vexa::kFullSampleCount, 1234), dst(vexa::kFullSampleCount);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(uint16_t));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(src.size() * sizeof(uint16_t)));
}
BENCHMARK(BM_PlainPlaneCopy);
