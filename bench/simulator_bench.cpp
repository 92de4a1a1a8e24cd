// The simulated camera's sky renders and the half-flux diameter. Targets: a full 1300 x 1030
// frame of the default sky (stars, sky glow, hot pixels, noise) within 20 ms on one core; a
// focus window and a half-flux diameter on a 128 x 128 frame well under a millisecond, so that
// focus mode can run at the camera's pace.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "camera/camera_protocol.h"
#include "camera/half_flux_diameter.h"
#include "simulator/sky_model.h"

namespace {

constexpr uint32_t kExposureMs = 1000;
constexpr int kFocusSide = 128;

void BM_RenderFullFrame(benchmark::State& state) {
    vexa::SkyModel sky{vexa::SkyConfig()};
    std::vector<uint16_t> frame(static_cast<size_t>(vexa::kSensorColumns) * vexa::kSensorRows);
    for (auto _ : state) {
        sky.Render({static_cast<uint32_t>(state.range(0)), 0}, vexa::SensorWindow(), frame.data(),
                   vexa::kSensorColumns);
        benchmark::DoNotOptimize(frame.data());
    }
}
// A one-second exposure, and a 0.1 s one whose faint sky takes the exact shot-noise draw.
BENCHMARK(BM_RenderFullFrame)
    ->Arg(kExposureMs)
    ->Arg(kExposureMs / 10)
    ->Unit(benchmark::kMillisecond);

void BM_RenderBinnedFrame(benchmark::State& state) {
    vexa::SkyModel sky{vexa::SkyConfig()};
    const vexa::TransferLayout& layout = vexa::kBinnedFrameTransfer;
    std::vector<uint16_t> frame(static_cast<size_t>(layout.areaSamples) * layout.areaLines);
    const vexa::SensorWindow window{0, 0, layout.areaSamples, layout.areaLines, 2};
    for (auto _ : state) {
        sky.Render({kExposureMs, 0}, window, frame.data(), static_cast<size_t>(layout.areaSamples));
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_RenderBinnedFrame)->Unit(benchmark::kMillisecond);

// The default focus window, which holds the field's brightest star.
void BM_RenderFocusWindow(benchmark::State& state) {
    vexa::SkyModel sky{vexa::SkyConfig()};
    std::vector<uint16_t> frame(kFocusSide * kFocusSide);
    const vexa::SensorWindow window{586, 451, kFocusSide, kFocusSide, 1};
    for (auto _ : state) {
        sky.Render({kExposureMs / 10, 0}, window, frame.data(), kFocusSide);
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_RenderFocusWindow)->Unit(benchmark::kMicrosecond);

void BM_HalfFluxDiameter(benchmark::State& state) {
    vexa::SkyModel sky{vexa::SkyConfig()};
    sky.SetFocusSteps(static_cast<double>(state.range(0)));
    std::vector<uint16_t> frame(kFocusSide * kFocusSide);
    sky.Render({kExposureMs / 10, 0}, {586, 451, kFocusSide, kFocusSide, 1}, frame.data(),
               kFocusSide);
    const vexa::SampleView view{frame.data(), kFocusSide, kFocusSide, kFocusSide};
    for (auto _ : state) {
        vexa::HalfFluxResult result;
        benchmark::DoNotOptimize(vexa::MeasureHalfFluxDiameter(view, result).ok());
        benchmark::DoNotOptimize(result.diameterPx);
    }
}
// In focus (3 px) and far out of it (about 10 px).
BENCHMARK(BM_HalfFluxDiameter)->Arg(0)->Arg(190)->Unit(benchmark::kMicrosecond);

}  // namespace
