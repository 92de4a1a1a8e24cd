// The analysis dialogs' data on a noisy Full image (histogram picture, 3-D plot, row
// profile; target: each well within 100 ms to the first complete paint) and a whole
// photometry right click: three finder passes, the mask sum and the dialog's values.
// The finder alone is measured in star_centre_bench.cpp.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "app/click_dispatch.h"
#include "app/display_refresh.h"
#include "bench/bench_images.h"
#include "processing/analysis_displays.h"
#include "processing/photometry.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace {

using namespace vexa;

constexpr int kStarColumn = 640;
constexpr int kStarRow = 500;

// A noisy sky of about 3000 over the whole Full plane with one star, and counts for the
// histogram that cut some bars.
struct AnalysisBenchSetup {
    QuietUi ui;
    std::array<uint32_t, kDisplayHistogramLevels> counts{};
    AnalysisBenchSetup() {
        bench::LoadFullImage(bench::NoisySky(42, 3000.0, 400.0));
        SessionState& s = Session();
        for (int row = kStarRow - 4; row <= kStarRow + 4; ++row) {
            for (int column = kStarColumn - 4; column <= kStarColumn + 4; ++column) {
                const int dx = column - kStarColumn, dy = row - kStarRow;
                s.currentImage[row * kFullWidth + column] =
                    static_cast<uint16_t>(3000 + 40000 / (1 + dx * dx + dy * dy));
            }
        }
        for (int k = 0; k < kFullSampleCount; ++k) ++counts[s.currentImage[k] >> 8];
        SetUi(&ui);
        InstallDisplayRefresh();
    }
};

AnalysisBenchSetup& Setup() {
    static AnalysisBenchSetup setup;
    return setup;
}

void BM_HistogramPicture(benchmark::State& state) {
    const auto& counts = Setup().counts;
    for (auto _ : state) {
        HistogramPicture picture = BuildHistogramPicture(counts);
        benchmark::DoNotOptimize(picture.bars.data());
    }
}
BENCHMARK(BM_HistogramPicture)->Unit(benchmark::kMicrosecond);

void BM_Plot3DFull(benchmark::State& state) {
    Setup();
    for (auto _ : state) {
        std::vector<Plot3DLine> lines = BuildPlot3D(Session().currentImage, false);
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_Plot3DFull)->Unit(benchmark::kMicrosecond);

void BM_RowProfileFull(benchmark::State& state) {
    Setup();
    for (auto _ : state) {
        std::vector<PlotPoint> points = BuildRowProfile(Session().currentImage, false, 250);
        benchmark::DoNotOptimize(points.data());
    }
}
BENCHMARK(BM_RowProfileFull)->Unit(benchmark::kMicrosecond);

// A right click in photometry mode a few pixels off the star: three snap passes with the
// 9-pixel mask, the sum, then the text the dialog shows.
void BM_PhotometryRightClick(benchmark::State& state) {
    Setup();
    SessionState& s = Session();
    s.photometryMode = true;
    s.measureBoxHalfSize = 4;
    s.photometryTarget = 'o';
    s.scrollX = 0;
    s.scrollY = 0;
    PhotometryDialogModel dialog(s);
    for (auto _ : state) {
        OnRightButtonUp(kStarColumn + 3, kStarRow - 2);
        std::string value = dialog.Text(photometry_id::kObjectValue);
        benchmark::DoNotOptimize(value.data());
    }
    s.photometryMode = false;
}
BENCHMARK(BM_PhotometryRightClick)->Unit(benchmark::kMicrosecond);

}  // namespace
