// The contrast-stretch pass on a Full image: the whole ApplyStretchTable (undo copy, label test,
// 25 steps with the progress bar) and its look-up alone, beside a plain 2 x t[s >> 1] loop over
// the same data.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "app/session_state.h"
#include "app/ui_services.h"
#include "processing/stretch.h"

namespace {

using namespace vexa;

// A user interface that does nothing, so the pass measures only its own work.
class SilentUi : public UiServices {
  public:
    int MessageBox(const std::string&, const std::string&) override { return 1; }
    void ProcessPendingEvents(const std::function<void()>&) override {}
    void Beep() override {}
    void SetCursor(CursorKind) override {}
    void MovePointerBy(int, int) override {}
    void SetWindowTitle(const std::string&) override {}
    bool LoadDisplayBitmap(const std::string&) override { return true; }
    void UpdateScrollBars() override {}
    void RepaintView(bool) override {}
    void RequestExit() override {}
    bool RunSettingsDialog(SettingsDialogModel&) override { return false; }
    bool RunStretchPaletteDialog(StretchPaletteDialogModel&) override { return false; }
};

// A noisy sky over the whole Full plane and an identity-like table, so that repeated passes
// keep the data spread out instead of collapsing it to a few values.
struct StretchBenchSetup {
    SilentUi ui;
    StretchBenchSetup() {
        SessionState& s = Session();
        s.geometryMode = 0;
        ApplyGeometry();
        std::mt19937 random(7);
        std::uniform_int_distribution<int> sample(0, 65535);
        for (int k = 0; k < kFullSampleCount; ++k) {
            s.currentImage[k] = static_cast<uint16_t>(sample(random));
        }
        BuildNormalStretchTable(255, 0);
        SetUi(&ui);
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
