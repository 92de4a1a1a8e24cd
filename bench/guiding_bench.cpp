// The guider's own work per guide frame, on a Full frame of noisy sky with a star. Targets: the
// correction step (the centre search in the guide window, the error and the pulse decision of
// both axes) within 100 microseconds; a guide cycle besides the exposure, the transfer and the
// pulse (the end-of-frame display refresh with its bitmap file, then the correction step)
// within 20 ms.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>

#include "app/display_refresh.h"
#include "bench/bench_images.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "telescope/guider.h"

namespace {

using namespace vexa;

constexpr int kStarColumn = 640;
constexpr int kStarRow = 500;
constexpr int kStarReach = 6;
constexpr uint16_t kStarPeak = 20000;

// The star stays on its reference: no pulse falls due, and none would go anywhere.
class NoMount : public GuidePulses {
  public:
    Status Pulse(char, uint32_t) override { return Status::Ok(); }
};

// The frames are the one image the benchmarks set up.
class NoFrames : public GuideFrameSource {
  public:
    GuideFrame NextFrame() override { return GuideFrame::Stopped; }
};

// A noisy Full frame with a star, a guide run with its window placed on it, a private drive c:.
struct GuidingBenchSetup {
    QuietUi ui;
    std::filesystem::path root;
    NoFrames frames;
    NoMount mount;
    GuideRun run{frames, mount};
    GuidingBenchSetup() {
        bench::LoadFullImage(bench::NoisySky(7, 1200.0, 40.0));
        SessionState& s = Session();
        for (int dy = -kStarReach; dy <= kStarReach; ++dy) {
            for (int dx = -kStarReach; dx <= kStarReach; ++dx) {
                const int r2 = dx * dx + dy * dy;
                s.currentImage[static_cast<size_t>((kStarRow + dy) * kFullWidth + kStarColumn +
                                                   dx)] +=
                    static_cast<uint16_t>(kStarPeak / (1 + r2));
            }
        }
        char pattern[] = "/tmp/vexa_guiding_bench_XXXXXX";
        root = mkdtemp(pattern);
        SetDriveRoot(root);
        SetUi(&ui);
        InstallDisplayRefresh();
        s.guideStarX = kStarColumn;
        s.guideStarY = kStarRow;
        run.BeginGuiding(0);
        s.subPixelCentring = true;
    }
    ~GuidingBenchSetup() {
        SetUi(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

GuidingBenchSetup& Setup() {
    static GuidingBenchSetup setup;
    return setup;
}

// The search, the error and the decision, with the star two pixels off the reference so that
// both axes decide on a pulse (the pulse itself is the mount's time, not measured).
void BM_CorrectionStep(benchmark::State& state) {
    GuideRun& run = Setup().run;
    const AxisGuide axis{'e', 'w', 2, 3, 0, false};
    char lastX = 'e';
    char lastY = 'n';
    for (auto _ : state) {
        const GuideTrack& t = run.Track();
        if (!run.FindCentre(t.referenceX + 2, t.referenceY - 2)) {
            state.SkipWithError("the star was not found");
            break;
        }
        const int16_t ex = GuideErrorUnits(t.referenceX + 2, t.foundX, t.tenthsX);
        const int16_t ey = GuideErrorUnits(t.referenceY - 2, t.foundY, t.tenthsY);
        benchmark::DoNotOptimize(DecideAxisPulse(ex, axis, lastX));
        benchmark::DoNotOptimize(DecideAxisPulse(ey, axis, lastY));
    }
}
BENCHMARK(BM_CorrectionStep)->Unit(benchmark::kMicrosecond);

// The end-of-frame refresh and the correction step of one guide frame; the star stays on the
// reference, so no pulse goes out.
void BM_GuideCycleFullFrame(benchmark::State& state) {
    GuideRun& run = Setup().run;
    for (auto _ : state) {
        RefreshDisplay();
        if (!run.CorrectionStep()) {
            state.SkipWithError("the correction step failed");
            break;
        }
    }
}
BENCHMARK(BM_GuideCycleFullFrame)->Unit(benchmark::kMillisecond);

}  // namespace
