// The spatial filters. The passes read one buffer and write another (the gradient filter works
// in place); the commands around them take the undo copy, show the progress window, copy the
// planes and write the history line.
#include "processing/filters.h"
#include "processing/processing_dialog_services.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "processing/filter_dialog_models.h"
#include "processing/filter_passes.h"
#include "processing/undo_history.h"
#include "session/display_refresh.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

const std::array<FilterKernel, kKernelCount> filterKernels{{
    // 0: low pass weighted mean smoother, 3 x 3, divisor 16
    {1, 2, 1, 2, 4, 2, 1, 2, 1},
    // 1: Gaussian smoother, 5 x 5, divisor 80
    {0, 1, 2, 1, 0, 1, 4, 8, 4, 1, 2, 8, 16, 8, 2, 1, 4, 8, 4, 1, 0, 1, 2, 1, 0},
    // 2: high pass, low power, 3 x 3
    {0, -1, 0, -1, 5, -1, 0, -1, 0},
    // 3: high pass, high power, 5 x 5: all -1 but 25 at the centre
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 25,
     -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    // 4: smoother/sharper, 5 x 5
    {0, -1, -1, -1, 0, -1, 1, 1, 1, -1, -1, 1, 5, 1, -1, -1, 1, 1, 1, -1, 0, -1, -1, -1, 0},
    // 5: bas relief, 5 x 5
    {0, 0, -1, 0, 0, 0, -1, -1, -1, 0, -1, -1, 1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 1, 0, 0},
}};

namespace {

constexpr int kGradientPatchSide = 40;
constexpr int kGradientTopRow = 10;
constexpr int kGradientBottomRow = 450;
constexpr int kGradientLeftColumn = 20;
constexpr int kGradientRightColumn = 600;
constexpr int kGradientBinShift = 4;  // levels are samples >> 4, back in samples x 16

// Samples a whole-image copy may move: never more than a plane holds.
size_t PassCount(const SessionState& s) {
    return static_cast<size_t>(std::clamp(s.geometry.sampleCount, 0, kPlaneSamples));
}

// The progress window of one pass: opened with the pass's title pending, the bar at row / 2
// (Half) or row / 4 (Full), and the capture sequence's title put up when it asks for it.
class PassProgress {
  public:
    explicit PassProgress(const char* title) {
        Session().pendingProgressTitle = title;
        Ui().OpenProgressWindow();
    }
    ~PassProgress() { Ui().CloseProgressWindow(); }
    PassProgress(const PassProgress&) = delete;
    PassProgress& operator=(const PassProgress&) = delete;

    void BeforeRow(int row) {
        SessionState& s = Session();
        const int position = s.geometryMode != 0 ? row / 2 : row / 4;
        if (position != lastPosition_) {
            Ui().SetProgressPosition(position);
            lastPosition_ = position;
        }
        if (s.progressTitlePending) {
            Ui().SetProgressTitle(s.pendingProgressTitle);
            s.progressTitlePending = false;
        }
    }
    RowCallback Callback() {
        return [this](int row) { BeforeRow(row); };
    }

  private:
    int lastPosition_ = -1;
};

// The first row a pass of this radius filters: the label band is never a window row.
int FirstFilteredRow(int radius) {
    return radius + (ImageIsLabelled(Session().currentImage) ? kLabelRows : 0);
}

// Runs one two-plane pass: copy currentImage into workImage, filter from currentImage into
// workImage, copy the result back.
template <typename Pass>
void RunPlanePass(const Pass& pass) {
    SessionState& s = Session();
    const size_t count = PassCount(s);
    std::copy_n(s.currentImage.begin(), count, s.workImage.begin());
    pass(s.currentImage.data(), s.workImage.data(), s.geometry.width, s.geometry.height);
    std::copy_n(s.workImage.begin(), count, s.currentImage.begin());
}

std::string UnsharpHistory(int radius, int power) {
    return "Unsharp Mask : rad " + std::to_string(radius) + " ,power " + std::to_string(power);
}

std::string MedianHistory(int radius, int powerTenths) {
    char text[64];
    std::snprintf(text, sizeof text, "Median Filter : rad %d ,power %1.1f", radius,
                  static_cast<double>(MedianPower(powerTenths)));
    return text;
}

}  // namespace

void ConvolvePass(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                  int radius, const FilterKernel& kernel, int divisor,
                  const RowCallback& beforeRow) {
    ConvolveRows(source, target, width, height, firstRow, radius, kernel, divisor, beforeRow);
}

void UnsharpPass(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                 int radius, int power, const RowCallback& beforeRow) {
    UnsharpRows(source, target, width, height, firstRow, radius, power, beforeRow);
}

void MedianPass(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                int radius, int powerTenths, const RowCallback& beforeRow) {
    MedianRows(source, target, width, height, firstRow, radius, powerTenths, beforeRow);
}

int PatchLevel(const uint16_t* image, int width, int firstRow, int firstColumn, int firstBin,
               int emptyLevel) {
    std::vector<uint32_t> bins(kGradientBins, 0);
    for (int row = firstRow; row < firstRow + kGradientPatchSide; ++row) {
        const uint16_t* line = image + static_cast<size_t>(row) * width + firstColumn;
        for (int column = 0; column < kGradientPatchSide; ++column) {
            ++bins[line[column] >> kGradientBinShift];
        }
    }
    int level = emptyLevel;
    uint32_t best = 0;
    for (int bin = firstBin; bin < kGradientBins; ++bin) {
        if (bins[bin] > best) {
            best = bins[bin];
            level = bin;
        }
    }
    return level;
}

GradientLevels GradientOffsets(const GradientLevels& levels) {
    const int lowest =
        std::min({levels.topLeft, levels.topRight, levels.bottomLeft, levels.bottomRight});
    constexpr int kLevelToSamples = 1 << kGradientBinShift;
    return {(levels.topLeft - lowest) * kLevelToSamples,
            (levels.topRight - lowest) * kLevelToSamples,
            (levels.bottomLeft - lowest) * kLevelToSamples,
            (levels.bottomRight - lowest) * kLevelToSamples};
}

GradientLevels MeasureGradientLevels(const uint16_t* image, int width) {
    GradientLevels levels;
    levels.topLeft = PatchLevel(image, width, kGradientTopRow, kGradientLeftColumn, 0, 0);
    levels.topRight = PatchLevel(image, width, kGradientTopRow, kGradientRightColumn, 0, 0);
    levels.bottomLeft = PatchLevel(image, width, kGradientBottomRow, kGradientLeftColumn, 1, 1);
    levels.bottomRight = PatchLevel(image, width, kGradientBottomRow, kGradientRightColumn, 1, 1);
    return levels;
}

void GradientPass(uint16_t* image, int width, int height, int firstRow, float widthReal,
                  float heightReal, int32_t passCount, const GradientLevels& levels) {
    GradientRows(image, width, height, firstRow, widthReal, heightReal, passCount, levels);
}

void ConvolveImage(int radius, int kernelIndex, int divisor, bool refresh) {
    // Only the kernels and radii the filters use; anything else would read past a kernel.
    if (radius < 1 || radius > 2 || kernelIndex < 0 || kernelIndex >= kKernelCount ||
        divisor == 0) {
        return;
    }
    WaitCursor cursor;
    SaveForUndo();
    {
        PassProgress progress(kFilterProgressTitle);
        const int firstRow = FirstFilteredRow(radius);
        const FilterKernel& kernel = filterKernels[kernelIndex];
        RunPlanePass([&](const uint16_t* source, uint16_t* target, int width, int height) {
            ConvolvePass(source, target, width, height, firstRow, radius, kernel, divisor,
                         progress.Callback());
        });
    }
    if (refresh) RefreshDisplay();
}

void UnsharpMask() {
    SessionState& s = Session();
    s.dialogValue1 = static_cast<uint16_t>(kUnsharpDefaultRadius);
    s.dialogValue2 = static_cast<uint16_t>(kUnsharpDefaultPower);
    if (s.autoProcessingRunning) {
        ApplyUnsharpMask(s.settings.autoUnsharpDiameter, s.settings.autoUnsharpPower);
        return;
    }
    UnsharpDialogModel model(s);
    if (!ProcessingDialogs().RunUnsharpDialog(model)) return;
    ApplyUnsharpMask(s.dialogValue1, s.dialogValue2);
}

void ApplyUnsharpMask(int radius, int power) {
    SessionState& s = Session();
    // A radius or power outside the dialog's range comes only from a damaged settings file:
    // nothing is done with it.
    if (radius < 1 || radius > kUnsharpMaxValue || power < 1 || power > kUnsharpMaxValue) return;
    WaitCursor cursor;
    {
        PassProgress progress(kUnsharpProgressTitle);
        SaveForUndo();
        const int firstRow = FirstFilteredRow(radius);
        RunPlanePass([&](const uint16_t* source, uint16_t* target, int width, int height) {
            UnsharpPass(source, target, width, height, firstRow, radius, power,
                        progress.Callback());
        });
    }
    if (!s.autoProcessingRunning) RefreshDisplay();
    AppendHistory(UnsharpHistory(radius, power));
}

void MedianFilter() {
    SessionState& s = Session();
    s.dialogValue1 = static_cast<uint16_t>(kMedianDefaultRadius);
    s.dialogValue2 = static_cast<uint16_t>(kMedianDefaultTenths);
    MedianDialogModel model(s);
    if (!ProcessingDialogs().RunMedianDialog(model)) return;
    ApplyMedianFilter(s.dialogValue1, s.dialogValue2);
}

void ApplyMedianFilter(int radius, int powerTenths) {
    if (radius < 1 || radius > kMedianMaxRadius || powerTenths < 1 ||
        powerTenths > kMedianMaxTenths) {
        return;
    }
    WaitCursor cursor;
    SaveForUndo();
    {
        PassProgress progress(kMedianProgressTitle);
        const int firstRow = FirstFilteredRow(radius);
        RunPlanePass([&](const uint16_t* source, uint16_t* target, int width, int height) {
            MedianPass(source, target, width, height, firstRow, radius, powerTenths,
                       progress.Callback());
        });
    }
    RefreshDisplay();
    AppendHistory(MedianHistory(radius, powerTenths));
}

void GradientFilter() {
    SessionState& s = Session();
    WaitCursor cursor;
    SaveForUndo();
    const ImageGeometry& g = s.geometry;
    const GradientLevels levels = MeasureGradientLevels(s.currentImage.data(), g.width);
    const int firstRow = ImageIsLabelled(s.currentImage) ? kLabelRows : 0;
    GradientPass(s.currentImage.data(), g.width, g.height, firstRow, g.widthReal, g.heightReal,
                 g.sampleCount, levels);
    AppendHistory(kGradientLine);
    RefreshDisplay();
}

}  // namespace vexa
