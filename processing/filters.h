// The spatial filters of the Filters menu: six fixed convolution kernels, the unsharp mask,
// the conditional median and the gradient filter. Each works on currentImage with the undo
// copy, the progress window and a history line; the passes themselves are plain functions.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace vexa {

constexpr int kKernelCount = 6;
constexpr int kKernelSide = 5;
constexpr int kKernelWeights = kKernelSide * kKernelSide;
// Weights row by row; a radius-1 kernel uses its first nine weights as a 3 x 3 block.
using FilterKernel = std::array<int16_t, kKernelWeights>;

enum FilterKernelIndex : int {
    kLowPassKernel = 0,
    kGaussianKernel = 1,
    kHighPassLowPowerKernel = 2,
    kHighPassHighPowerKernel = 3,
    kSmootherSharperKernel = 4,
    kBasReliefKernel = 5,
};

extern const std::array<FilterKernel, kKernelCount> filterKernels;

constexpr int kLowPassDivisor = 16;
constexpr int kGaussianDivisor = 80;

// Convolution and unsharp results above this become 65535, negative ones 0.
constexpr int32_t kFilterClampThreshold = 65280;
// Rows of the burnt-in label that a labelled image keeps unchanged.
constexpr int kLabelRows = 10;

constexpr int kUnsharpDefaultRadius = 3;
constexpr int kUnsharpDefaultPower = 1;
constexpr int kUnsharpMaxValue = 7;  // radius and power run from 1 to 7
constexpr int kMedianDefaultRadius = 1;
constexpr int kMedianMaxRadius = 3;
constexpr int kMedianDefaultTenths = 6;
constexpr int kMedianMaxTenths = 10;

constexpr const char* kFilterProgressTitle = "FILTER PROGRESS";
constexpr const char* kUnsharpProgressTitle = "UNSHARP MASK PROGRESS";
constexpr const char* kMedianProgressTitle = "MEDIAN FILTER PROGRESS";

constexpr const char* kHighPassLowPowerLine = "High Pass Low Power Filter";
constexpr const char* kHighPassHighPowerLine = "High Pass High Power Filter";
constexpr const char* kSmootherSharperLine = "Smoother/Sharper Filter";
constexpr const char* kGaussianLine = "Gaussian Filter";
constexpr const char* kLowPassLine = "Lowpass Smoother Filter";
constexpr const char* kBasReliefLine = "Bas Relief Filter";
constexpr const char* kGradientLine = "Gradient Filter";

// Runs before each processed row of a pass (the commands move the progress bar from it).
using RowCallback = std::function<void(int row)>;

// ---- passes over one image: row-major, row stride `width`, `height` rows ----
// source and target are distinct buffers of at least width x height samples, and target
// already holds a copy of source, so rows and columns closer than the radius to an edge keep
// their samples. Rows firstRow .. height - radius - 1 are filtered (firstRow >= radius).

// acc = the kernel's weighted sum over the (2r+1)^2 window of source, value = acc / divisor
// truncated toward zero, clamped: above 65280 -> 65535, negative -> 0.
void ConvolvePass(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                  int radius, const FilterKernel& kernel, int divisor,
                  const RowCallback& beforeRow = {});
// v = c + (c - trunc(box sum / (2r+1)^2)) x power, clamped as the convolution.
void UnsharpPass(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                 int radius, int power, const RowCallback& beforeRow = {});
// The window's median replaces the sample when it differs from it by more than
// trunc((maximum - minimum) x powerTenths x 0.1), the minimum starting from 65000. radius 1..3.
void MedianPass(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                int radius, int powerTenths, const RowCallback& beforeRow = {});

// The gradient filter's four patch levels and their use on one image, in place.
struct GradientLevels {
    int topLeft = 0;
    int topRight = 0;
    int bottomLeft = 0;
    int bottomRight = 0;
};
// Mode of (sample >> 4) over the 40 x 40 patch at (firstRow, firstColumn), bins firstBin..4095;
// the lowest bin wins a tie; emptyLevel when no sample falls in the searched bins.
int PatchLevel(const uint16_t* image, int width, int firstRow, int firstColumn, int firstBin,
               int emptyLevel);
GradientLevels MeasureGradientLevels(const uint16_t* image, int width);
// Subtracts trunc(g) of the bilinear corner offsets from rows firstRow .. height - 1 (0 when
// the sample is not above g); passCount is the whole-image pass length (sampleCount).
void GradientPass(uint16_t* image, int width, int height, int firstRow, float widthReal,
                  float heightReal, int32_t passCount, const GradientLevels& levels);

// ---- the filters on currentImage ----
// The convolution core: wait cursor, undo copy, progress window, the pass over the current
// geometry, refresh when asked. The caller appends its history line.
void ConvolveImage(int radius, int kernelIndex, int divisor, bool refresh);
// The unsharp mask command: radius 3 and power 1, then the dialog (Cancel ends it), or the
// auto-processing radius and power without dialog while autoProcessingRunning is set.
void UnsharpMask();
// The unsharp pass with the given radius and power on currentImage: undo copy, progress,
// refresh unless auto-processing is running, history line.
void ApplyUnsharpMask(int radius, int power);
// The median command: radius 1 and power 0.6, then the dialog (Cancel ends it).
void MedianFilter();
// The median pass on currentImage with undo copy, progress, refresh and history line.
void ApplyMedianFilter(int radius, int powerTenths);
// The gradient filter on currentImage: undo copy, in-place pass, history line, refresh.
void GradientFilter();

}  // namespace vexa
