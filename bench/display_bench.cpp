// The display path on a Full image: the display-byte pass, the view bitmap write, the whole
// refresh, against a plain copy of the plane and OpenCV's 16-to-8-bit conversion.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "app/display_refresh.h"
#include "bench/bench_images.h"
#include "files/view_bitmap.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "session/ui_services.h"

#ifdef VEXA_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using namespace vexa;

constexpr size_t kPlaneBytes = sizeof(uint16_t) * kFullSampleCount;  // 2,678,000

// A noisy sky over the whole Full plane, and a private drive root for the bitmap file.
struct DisplayBenchSetup {
    QuietUi ui;
    std::filesystem::path root;
    DisplayBenchSetup() {
        bench::LoadFullImage(bench::NoisySky(42, 3000.0, 400.0));
        char pattern[] = "/tmp/vexa_display_bench_XXXXXX";
        root = mkdtemp(pattern);
        SetDriveRoot(root);
        SetUi(&ui);
        InstallDisplayRefresh();
    }
    ~DisplayBenchSetup() {
        SetUi(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

DisplayBenchSetup& Setup() {
    static DisplayBenchSetup setup;
    return setup;
}

void BM_DisplayPlaneMemcpyFloor(benchmark::State& state) {
    Setup();
    std::vector<uint16_t> dst(kFullSampleCount);
    for (auto _ : state) {
        std::memcpy(dst.data(), Session().currentImage.data(), kPlaneBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kPlaneBytes));
}
BENCHMARK(BM_DisplayPlaneMemcpyFloor);

void BM_FillDisplayBytes(benchmark::State& state) {
    Setup();
    SessionState& s = Session();
    for (auto _ : state) {
        FillDisplayBytes(s.currentImage.data(), s.displayBytes.data(), kFullSampleCount);
        benchmark::DoNotOptimize(s.displayBytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kPlaneBytes));
}
BENCHMARK(BM_FillDisplayBytes);

#ifdef VEXA_HAVE_OPENCV
void BM_OpenCvConvertTo16To8(benchmark::State& state) {
    Setup();
    cv::setNumThreads(1);
    cv::Mat src(kFullHeight, kFullWidth, CV_16UC1, Session().currentImage.data());
    cv::Mat dst(kFullHeight, kFullWidth, CV_8UC1);
    for (auto _ : state) {
        src.convertTo(dst, CV_8U, 1.0 / 256.0);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kPlaneBytes));
}
BENCHMARK(BM_OpenCvConvertTo16To8);
#endif

void BM_WriteViewBitmapFull(benchmark::State& state) {
    Setup();
    SessionState& s = Session();
    FillDisplayBytes(s.currentImage.data(), s.displayBytes.data(), kFullSampleCount);
    const ColourTable colours = BuildColourTable();
    for (auto _ : state) {
        const int code = WriteViewBitmap(s.displayBytes.data(), colours, false);
        if (code != 0) state.SkipWithError("bitmap write failed");
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kFullBitmapFormat.fileBytes));
}
BENCHMARK(BM_WriteViewBitmapFull)->Unit(benchmark::kMillisecond);

void BM_RefreshDisplayFull(benchmark::State& state) {
    Setup();
    Session().autoContrast = state.range(0) != 0;
    for (auto _ : state) RebuildView();
    Session().autoContrast = false;
    if (!Session().displayBitmapExists) state.SkipWithError("refresh did not show the bitmap");
}
BENCHMARK(BM_RefreshDisplayFull)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("autoContrast")
    ->Unit(benchmark::kMillisecond);

void BM_EstimateBackgroundLevelFull(benchmark::State& state) {
    Setup();
    for (auto _ : state) {
        EstimateBackgroundLevel();
        benchmark::DoNotOptimize(Session().backgroundLevel);
    }
}
BENCHMARK(BM_EstimateBackgroundLevelFull)->Unit(benchmark::kMillisecond);

}  // namespace
