// The contrast-stretch pass on a Full image: the whole ApplyStretchTable (undo copy, label test,
// 25 steps with the progress bar) and its look-up alone, beside a plain 2 x t[s >> 1] loop over
// the same data.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "app/display_refresh.h"
#include "bench/bench_images.h"
#include "processing/stretch.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace {

using namespace vexa;

// A noisy sky over the whole Full plane and an identity-like table, so that repeated passes
// keep the data spread out instead of collapsing it to a few values.
struct StretchBenchSetup {
    QuietUi ui;
    StretchBenchSetup() {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> sample(0, 65535);
        std::vector<uint16_t> samples(kFullSampleCount);
        for (uint16_t& v : samples) v = static_cast<uint16_t>(sample(random));
        bench::LoadFullImage(samples);
        BuildNormalStretchTable(255, 0);
        SetUi(&ui);
        InstallDisplayRefresh();
    }
    ~StretchBenchSetup() { SetUi(nullptr); }
};

StretchBenchSetup& Setup() {
    static StretchBenchSetup setup;
    return setup;
}

__attribute__((noinline)) void PlainPass(uint16_t* samples, int count, const uint16_t* table) {
    for (int k = 0; k < count; ++k) samples[k] = static_cast<uint16_t>(2 * table[samples[k] >> 1]);
}

void BM_StretchPlainPass(benchmark::State& state) {
    Setup();
    SessionState& s = Session();
    for (auto _ : state) {
        PlainPass(s.currentImage.data(), kFullSampleCount, s.stretchTable.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFullSampleCount);
}
BENCHMARK(BM_StretchPlainPass)->Unit(benchmark::kMicrosecond);

void BM_StretchMapThroughTable(benchmark::State& state) {
    Setup();
    SessionState& s = Session();
    for (auto _ : state) {
        MapThroughStretchTable(s.currentImage.data(), kFullSampleCount, s.stretchTable.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFullSampleCount);
}
BENCHMARK(BM_StretchMapThroughTable)->Unit(benchmark::kMicrosecond);

void BM_ApplyStretchTable(benchmark::State& state) {
    Setup();
    for (auto _ : state) {
        ApplyStretchTable(false);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFullSampleCount);
}
BENCHMARK(BM_ApplyStretchTable)->Unit(benchmark::kMicrosecond);

}  // namespace
