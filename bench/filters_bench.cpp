// The spatial filters, calibration and merge on a Full image (1300 x 1030), each pass alone
// and, where a command wraps it, the whole command without display refresh; OpenCV's
// GaussianBlur, filter2D and medianBlur on the same 16-bit image, single-threaded, alongside.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "app/display_refresh.h"
#include "bench/bench_images.h"
#include "processing/calibration.h"
#include "processing/filter_simd.h"
#include "processing/filters.h"
#include "processing/merge.h"
#include "session/session_state.h"
#include "session/ui_services.h"

#ifdef VEXA_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace vexa;

// A noisy sky with stars, as a camera delivers it.
std::vector<uint16_t> SkyImage(uint32_t seed) {
    std::vector<uint16_t> image = bench::NoisySky(seed, 2000.0, 150.0);
    std::mt19937 random(seed + 1);
    std::uniform_int_distribution<int> row(3, kFullHeight - 4), column(3, kFullWidth - 4);
    std::uniform_int_distribution<int> peak(5000, 60000);
    for (int star = 0; star < 400; ++star) {
        const int r = row(random), c = column(random), p = peak(random);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                uint16_t& v = image[static_cast<size_t>(r + dy) * kFullWidth + c + dx];
                v = static_cast<uint16_t>(std::min(65535, v + p / (1 + dx * dx + dy * dy)));
            }
    }
    return image;
}

const std::vector<uint16_t>& Sky() {
    static const std::vector<uint16_t> image = SkyImage(1);
    return image;
}

// Input and output planes for a pass; the output starts as a copy of the input.
struct PassPlanes {
    std::vector<uint16_t> source = Sky();
    std::vector<uint16_t> target = Sky();
};

void Convolve(benchmark::State& state, int radius, int kernel, int divisor) {
    PassPlanes p;
    for (auto _ : state) {
        ConvolvePass(p.source.data(), p.target.data(), kFullWidth, kFullHeight, radius, radius,
                     filterKernels[kernel], divisor);
        benchmark::DoNotOptimize(p.target.data());
    }
}
void BM_ConvolveGaussian5x5(benchmark::State& s) {
    Convolve(s, 2, kGaussianKernel, 80);
}
void BM_ConvolveLowPass3x3(benchmark::State& s) {
    Convolve(s, 1, kLowPassKernel, 16);
}
void BM_ConvolveHighPassLow3x3(benchmark::State& s) {
    Convolve(s, 1, kHighPassLowPowerKernel, 1);
}
void BM_ConvolveHighPassHigh5x5(benchmark::State& s) {
    Convolve(s, 2, kHighPassHighPowerKernel, 1);
}
void BM_ConvolveSmootherSharper5x5(benchmark::State& s) {
    Convolve(s, 2, kSmootherSharperKernel, 1);
}
void BM_ConvolveBasRelief5x5(benchmark::State& s) {
    Convolve(s, 2, kBasReliefKernel, 1);
}
BENCHMARK(BM_ConvolveGaussian5x5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvolveLowPass3x3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvolveHighPassLow3x3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvolveHighPassHigh5x5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvolveSmootherSharper5x5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvolveBasRelief5x5)->Unit(benchmark::kMillisecond);

void BM_MedianRadius(benchmark::State& state) {
    PassPlanes p;
    const int radius = static_cast<int>(state.range(0));
    for (auto _ : state) {
        MedianPass(p.source.data(), p.target.data(), kFullWidth, kFullHeight, radius, radius, 6);
        benchmark::DoNotOptimize(p.target.data());
    }
}
BENCHMARK(BM_MedianRadius)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// The same with 256-bit vectors, as on processors without AVX-512.
void BM_MedianRadiusAvx2(benchmark::State& state) {
    simd::ForceIsa(simd::Isa::Avx2);
    BM_MedianRadius(state);
    simd::ResetIsa();
}
BENCHMARK(BM_MedianRadiusAvx2)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_UnsharpRadius3(benchmark::State& state) {
    PassPlanes p;
    for (auto _ : state) {
        UnsharpPass(p.source.data(), p.target.data(), kFullWidth, kFullHeight, 3, 3, 2);
        benchmark::DoNotOptimize(p.target.data());
    }
}
BENCHMARK(BM_UnsharpRadius3)->Unit(benchmark::kMillisecond);

void BM_GradientPass(benchmark::State& state) {
    std::vector<uint16_t> image = Sky();
    const GradientLevels levels{130, 125, 140, 128};
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(Sky().begin(), Sky().end(), image.begin());
        state.ResumeTiming();
        GradientPass(image.data(), kFullWidth, kFullHeight, 0, 1300.0f, 1030.0f, kFullSampleCount,
                     levels);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_GradientPass)->Unit(benchmark::kMillisecond);

void BM_SubtractReference(benchmark::State& state) {
    std::vector<uint16_t> image = Sky();
    const std::vector<uint16_t> dark = SkyImage(2);
    for (auto _ : state) {
        SubtractSamples(image.data(), dark.data(), kFullSampleCount);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_SubtractReference)->Unit(benchmark::kMillisecond);

// The menu's whole flat-field division: the mean and rows 7 to 1029.
void BM_FlatFieldDivision(benchmark::State& state) {
    std::vector<uint16_t> image = Sky();
    const std::vector<uint16_t> flat = SkyImage(3);
    for (auto _ : state) {
        const double mean =
            static_cast<double>(FlatWindowSum(flat.data(), kFullWidth, kMenuFlatMeanColumns)) *
            kMenuFlatMeanScale;
        DivideRowsByFlat(image.data(), flat.data(), kFullWidth, mean, kMenuFlatFirstRow,
                         kFullHeight - 1);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_FlatFieldDivision)->Unit(benchmark::kMillisecond);

void BM_MergeAdd(benchmark::State& state) {
    std::vector<uint16_t> first = Sky();
    const std::vector<uint16_t> second = SkyImage(4);
    for (auto _ : state) {
        MergePlanes(second.data(), first.data(), kFullWidth, kFullHeight, 0, 3, -2, false);
        benchmark::DoNotOptimize(first.data());
    }
}
BENCHMARK(BM_MergeAdd)->Unit(benchmark::kMillisecond);

// The whole command on the session record, without the display refresh: undo copy, the
// plane copies and the pass.
void BM_ConvolveImageGaussianCommand(benchmark::State& state) {
    static QuietUi ui;
    SetUi(&ui);
    InstallDisplayRefresh();
    bench::LoadFullImage(Sky());
    SessionState& s = Session();
    for (auto _ : state) {
        ConvolveImage(2, kGaussianKernel, kGaussianDivisor, false);
        benchmark::DoNotOptimize(s.currentImage.data());
    }
    SetUi(nullptr);
}
BENCHMARK(BM_ConvolveImageGaussianCommand)->Unit(benchmark::kMillisecond);

#ifdef VEXA_HAVE_OPENCV
struct OpenCvPlanes {
    cv::Mat source;
    cv::Mat target;
    OpenCvPlanes() {
        cv::setNumThreads(1);
        source =
            cv::Mat(kFullHeight, kFullWidth, CV_16UC1, const_cast<uint16_t*>(Sky().data())).clone();
        target = source.clone();
    }
};

void BM_OpenCvGaussianBlur5x5(benchmark::State& state) {
    OpenCvPlanes p;
    for (auto _ : state) {
        cv::GaussianBlur(p.source, p.target, cv::Size(5, 5), 0, 0, cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(p.target.data);
    }
}
BENCHMARK(BM_OpenCvGaussianBlur5x5)->Unit(benchmark::kMillisecond);

void BM_OpenCvFilter2D3x3(benchmark::State& state) {
    OpenCvPlanes p;
    const cv::Mat kernel = (cv::Mat_<float>(3, 3) << 0, -1, 0, -1, 5, -1, 0, -1, 0);
    for (auto _ : state) {
        cv::filter2D(p.source, p.target, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(p.target.data);
    }
}
BENCHMARK(BM_OpenCvFilter2D3x3)->Unit(benchmark::kMillisecond);

void BM_OpenCvMedianBlur(benchmark::State& state) {
    OpenCvPlanes p;
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        cv::medianBlur(p.source, p.target, size);
        benchmark::DoNotOptimize(p.target.data);
    }
}
BENCHMARK(BM_OpenCvMedianBlur)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
