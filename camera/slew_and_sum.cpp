#include "camera/slew_and_sum.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "processing/brightest_star.h"
#include "processing/star_centre.h"
#include "session/session_state.h"

namespace vexa {

namespace {

constexpr uint32_t kMaxSample = 65535;
constexpr int kCentringPasses = 3;
constexpr double kBrighterLimit = 3.0;
constexpr double kFainterLimit = 0.3;
constexpr int kHistogramBins = 256;
constexpr int kBinShift = 8;  // 256 sample values per bin
constexpr int kRowOffsetStep = 10;
constexpr int kRowOffsetTries = 3;
constexpr int kStarFactor = 400;           // a star sample is at least 400 x the background bin
constexpr int64_t kProfileBinScale = 256;  // the profile threshold is 256 b + 1024
constexpr int64_t kProfileFloor = 1024;
constexpr int64_t kProfileWeight = 16;
constexpr int kShiftCount = 2 * kProfileMaxShift + 1;

struct Frame {
    uint16_t* image;
    uint16_t* sum;
    int width;
    int height;
    int divisor;  // 1 unless averaging
};

Frame CurrentFrame() {
    SessionState& s = Session();
    const bool averaging = s.camera.averageMultiple && s.camera.exposuresInSequence > 1;
    return {s.currentImage.data(), s.workImage.data(), s.geometry.width, s.geometry.height,
            averaging ? s.camera.exposuresInSequence : 1};
}

size_t SampleCount(const Frame& f) {
    return static_cast<size_t>(f.width) * static_cast<size_t>(f.height);
}

void StartSum(const Frame& f) {
    const size_t count = SampleCount(f);
    for (size_t i = 0; i < count; ++i) {
        f.sum[i] = static_cast<uint16_t>(f.image[i] / f.divisor);
    }
}

void PutSumBack(const Frame& f) {
    std::memcpy(f.image, f.sum, SampleCount(f) * sizeof(uint16_t));
}

uint16_t AddClamped(uint32_t a, uint32_t b) {
    return static_cast<uint16_t>(std::min(a + b, kMaxSample));
}

// The row and column profiles of the region (rows first + 0..99, columns 200..299).
void Profiles(const Frame& f, int firstRow, int64_t threshold, int64_t* rows, int64_t* columns) {
    std::fill(rows, rows + kSlewProfileLength, 0);
    std::fill(columns, columns + kSlewProfileLength, 0);
    for (int k = 0; k < kSlewProfileLength; ++k) {
        const int row = firstRow + k;
        if (row < 0 || row >= f.height) continue;
        const uint16_t* line = f.image + static_cast<size_t>(row) * f.width;
        for (int l = 0; l < kSlewProfileLength; ++l) {
            const int column = kProfileFirstColumn + l;
            if (column >= f.width) break;
            const int64_t excess = line[column] - threshold;
            if (excess <= 0) continue;
            rows[k] += excess * kProfileWeight;
            columns[l] += excess * kProfileWeight;
        }
    }
}

bool RegionHoldsStar(const Frame& f, int firstRow, int32_t level) {
    for (int row = firstRow; row < firstRow + kSlewProfileLength && row < f.height; ++row) {
        const uint16_t* line = f.image + static_cast<size_t>(row) * f.width;
        for (int column = kProfileFirstColumn;
             column < kProfileFirstColumn + kSlewProfileLength && column < f.width; ++column) {
            if (line[column] >= level) return true;
        }
    }
    return false;
}

}  // namespace

void ClearDriftReference() {
    CameraState& c = Session().camera;
    c.driftStarX = 0;
    c.driftStarY = 0;
    c.driftReferencePeak = 0;
    c.profilesStored = false;
    c.profileRowOffset = 0;
    c.runningDriftX = 0;
    c.runningDriftY = 0;
}

int StandardSlewAndSum() {
    SessionState& s = Session();
    CameraState& c = s.camera;
    const Frame f = CurrentFrame();
    const int32_t box = s.settings.guideStarMaskRadius;
    auto sampleAt = [&f](int32_t x, int32_t y) {
        return static_cast<int32_t>(f.image[static_cast<size_t>(y) * f.width + x]);
    };

    if (c.driftStarX == 0) {
        StartSum(f);
        int32_t x = s.starCentreX;
        int32_t y = s.starCentreY;
        // No star picked or found yet: the brightest star of this frame.
        PixelPoint brightest;
        if (x == 0 && y == 0 &&
            FindBrightestStar(s.currentImage, f.width, f.height, box + 1, brightest)) {
            x = brightest.x;
            y = brightest.y;
        }
        for (int pass = 0; pass < kCentringPasses; ++pass) {
            // The finder has said why it cannot centre here.
            if (FindStarCentre(x, y, s.currentImage, box) != 0) return kSlewNoSuitableStar;
            x = s.starCentreX;
            y = s.starCentreY;
        }
        c.driftStarX = x;
        c.driftStarY = y;
        c.driftReferencePeak = sampleAt(x, y);
        return kSlewSummed;
    }

    if (FindStarCentre(c.driftStarX, c.driftStarY, s.currentImage, box) != 0) {
        PutSumBack(f);
        return kSlewStarLost;
    }
    const int32_t newX = s.starCentreX;
    const int32_t newY = s.starCentreY;
    const int32_t peak = sampleAt(newX, newY);
    const double reference = c.driftReferencePeak;
    if (peak > kBrighterLimit * reference || peak < kFainterLimit * reference) {
        PutSumBack(f);
        return kSlewStarLost;
    }
    const int dx = c.driftStarX - newX;
    const int dy = c.driftStarY - newY;
    for (int i = 0; i < f.height; ++i) {
        const int si = i + dy;
        if (si < 1 || si > f.height - 1) continue;
        uint16_t* line = f.image + static_cast<size_t>(i) * f.width;
        const uint16_t* partner = f.sum + static_cast<size_t>(si) * f.width;
        const int firstColumn = std::max(0, 1 - dx);
        const int lastColumn = std::min(f.width - 1, f.width - 1 - dx);
        for (int j = firstColumn; j <= lastColumn; ++j) {
            line[j] = AddClamped(line[j] / static_cast<uint32_t>(f.divisor), partner[j + dx]);
        }
    }
    c.driftStarX = newX;
    c.driftStarY = newY;
    std::memcpy(f.sum, f.image, SampleCount(f) * sizeof(uint16_t));
    return kSlewSummed;
}

int BackgroundBin(const uint16_t* samples, int count) {
    std::array<uint32_t, kHistogramBins> bins{};
    for (int i = 0; i < count; ++i) ++bins[samples[i] >> kBinShift];
    return static_cast<int>(std::max_element(bins.begin(), bins.end()) - bins.begin());
}

int BestProfileShift(const int64_t* reference, const int64_t* current, int64_t* scores) {
    int best = -kProfileMaxShift;
    const int first = (kSlewProfileLength - kProfileComparedEntries) / 2;  // entries 10 to 89
    for (int shift = -kProfileMaxShift; shift <= kProfileMaxShift; ++shift) {
        int64_t score = 0;
        for (int k = first; k < first + kProfileComparedEntries; ++k) {
            score += std::llabs(current[k + shift] - reference[k]);
        }
        scores[shift + kProfileMaxShift] = score;
        if (score < scores[best + kProfileMaxShift]) best = shift;
    }
    return best;
}

int AlternativeSlewAndSum() {
    CameraState& c = Session().camera;
    const Frame f = CurrentFrame();
    const int count = static_cast<int>(SampleCount(f));
    const int background = BackgroundBin(f.image, count);
    const int64_t threshold = kProfileBinScale * background + kProfileFloor;
    std::array<int64_t, kSlewProfileLength> rows{};
    std::array<int64_t, kSlewProfileLength> columns{};

    if (!c.profilesStored) {
        int offset = -1;
        for (int tryIndex = 0; tryIndex < kRowOffsetTries; ++tryIndex) {
            const int candidate = tryIndex * kRowOffsetStep;
            if (RegionHoldsStar(f, kProfileFirstRow + candidate, kStarFactor * background)) {
                offset = candidate;
                break;
            }
        }
        if (offset < 0) return kSlewNoSuitableStar;
        c.profileRowOffset = offset;
        c.runningDriftX = 0;
        c.runningDriftY = 0;
        StartSum(f);
        Profiles(f, kProfileFirstRow + offset, threshold, c.rowProfile.data(),
                 c.columnProfile.data());
        c.profilesStored = true;
        return kSlewSummed;
    }

    Profiles(f, kProfileFirstRow + c.profileRowOffset, threshold, rows.data(), columns.data());
    std::array<int64_t, kShiftCount> columnScores{};
    std::array<int64_t, kShiftCount> rowScores{};
    const int shiftX =
        BestProfileShift(c.columnProfile.data(), columns.data(), columnScores.data());
    const int shiftY = BestProfileShift(c.rowProfile.data(), rows.data(), rowScores.data());
    const int64_t nearZero = columnScores[kProfileMaxShift - 1] + columnScores[kProfileMaxShift] +
                             columnScores[kProfileMaxShift + 1];
    if (nearZero < kProfileStarThreshold) {
        PutSumBack(f);
        return kSlewStarLost;
    }
    c.runningDriftX += shiftX;
    c.runningDriftY += shiftY;
    const int dx = c.runningDriftX;
    const int dy = c.runningDriftY;
    for (int i = 0; i < f.height; ++i) {
        const int si = i + dy;
        if (si < 0 || si >= f.height) continue;
        uint16_t* line = f.sum + static_cast<size_t>(i) * f.width;
        const uint16_t* source = f.image + static_cast<size_t>(si) * f.width;
        const int firstColumn = std::max(0, -dx);
        const int lastColumn = std::min(f.width - 1, f.width - 1 - dx);
        for (int j = firstColumn; j <= lastColumn; ++j) {
            line[j] = AddClamped(line[j], source[j + dx] / static_cast<uint32_t>(f.divisor));
        }
    }
    c.rowProfile = rows;
    c.columnProfile = columns;
    PutSumBack(f);
    return kSlewSummed;
}

}  // namespace vexa
