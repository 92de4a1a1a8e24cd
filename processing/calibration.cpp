// Dark and flat calibration. The menu commands read the reference into workImage through the
// TQ reference reader; the capture path keeps its references in their own planes and reads
// them only once per capture.
#include "processing/calibration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "files/file_commands.h"
#include "files/file_dialog_request.h"
#include "files/file_names.h"
#include "files/tq_file.h"
#include "processing/filter_simd.h"
#include "processing/undo_history.h"
#include "session/display_refresh.h"
#include "session/message_catalogue.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

constexpr double kFlatResultCeiling = 65535.0;

size_t PassCount(const SessionState& s) {
    return static_cast<size_t>(std::clamp(s.geometry.sampleCount, 0, kPlaneSamples));
}

int64_t TqBytesOfGeometry(const SessionState& s) {
    return s.geometryMode != 0 ? kHalfTqFileBytes : kFullTqFileBytes;
}

// Reads a TQ raw file of exactly the current geometry's size into plane.
int ReadCaptureReference(const std::string& fileName, Plane& plane) {
    const std::filesystem::path path = ResolveUserPath(fileName, true);
    if (path.empty()) return kCaptureFileNotOpened;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return kCaptureFileNotOpened;
    struct stat st {};
    const int64_t expected = TqBytesOfGeometry(Session());
    int result = kCaptureStepOk;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != expected) {
        result = kCaptureFileWrongSize;
    } else {
        // Little-endian samples straight into the plane; a file that gives fewer bytes than
        // its size promised counts as unreadable.
        auto* into = reinterpret_cast<uint8_t*>(plane.data());
        size_t got = 0;
        const size_t bytes = static_cast<size_t>(expected);
        while (got < bytes) {
            const ssize_t n = ::read(fd, into + got, bytes - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        if (got < bytes) result = kCaptureFileNotOpened;
    }
    ::close(fd);
    return result;
}

// The geometry a reference file would bring, from its size; nullopt when the size is no TQ
// size (or the file is missing), which the reference reader reports itself.
std::optional<bool> ReferenceIsHalf(const std::string& name) {
    std::error_code error;
    const auto size = std::filesystem::file_size(ResolveUserPath(name, true), error);
    if (error) return std::nullopt;
    if (static_cast<int64_t>(size) == kHalfTqFileBytes) return true;
    if (static_cast<int64_t>(size) == kFullTqFileBytes) return false;
    return std::nullopt;
}

// Steps 1 and 2 of both menu commands: the choice and the read into workImage. A reference of
// the other geometry would be applied with the wrong row length, so it is refused like a file
// of a wrong size.
std::optional<ChosenFile> ChooseAndLoadReference(const char* title) {
    std::optional<ChosenFile> chosen = RunChooseDialog(title);
    if (!chosen) return std::nullopt;
    const std::optional<bool> half = ReferenceIsHalf(chosen->fullPath);
    if (half && *half != (Session().geometryMode != 0)) {
        ShowMessage(MessageCode::NotTqFile);
        return std::nullopt;
    }
    if (!LoadTqReference(chosen->fullPath)) return std::nullopt;
    return chosen;
}

}  // namespace

__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void SubtractSamples(
    uint16_t* image, const uint16_t* reference, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        image[i] = reference[i] < image[i] ? static_cast<uint16_t>(image[i] - reference[i]) : 0;
    }
}

void SubtractReference(Plane& image, const Plane& reference) {
    SubtractSamples(image.data(), reference.data(), PassCount(Session()));
}

namespace {

inline uint16_t DividedSample(double v, double f, double mean) {
    double r = mean;
    if (f != 0.0) {
        r = v / f * mean;
    } else if (v != 0.0) {
        r = v;
    }
    return r >= kFlatResultCeiling ? static_cast<uint16_t>(kFlatResultCeiling)
                                   : static_cast<uint16_t>(r);
}

// Lanes of doubles, with the matching 16-bit and 32-bit lanes.
template <int Count>
struct FlatLanes {
    typedef double D __attribute__((vector_size(Count * 8)));
    typedef uint16_t U16 __attribute__((vector_size(Count * 2)));
    typedef int32_t I32 __attribute__((vector_size(Count * 4)));
};

// Whole vectors of samples: both cases of each sample are computed and one is chosen (the
// quotient's divisor is 1 where the flat is 0, and that quotient is not used); the tail is
// done one sample at a time.
template <int Count>
VEXA_SIMD_INLINE void DivideRowVectors(uint16_t* imageRow, const uint16_t* flatRow, int width,
                                       double mean) {
    using L = FlatLanes<Count>;
    using D = typename L::D;
    const D one = D{} + 1.0;
    const D means = D{} + mean;
    const D ceiling = D{} + kFlatResultCeiling;
    int x = kFlatFirstColumn;
    for (; x + Count <= width; x += Count) {
        typename L::U16 samples, flats;
        std::memcpy(&samples, imageRow + x, sizeof samples);
        std::memcpy(&flats, flatRow + x, sizeof flats);
        using I32 = typename L::I32;
        const D v = __builtin_convertvector(__builtin_convertvector(samples, I32), D);
        const D f = __builtin_convertvector(__builtin_convertvector(flats, I32), D);
        const D quotient = v / (f < one ? one : f) * means;
        const D unflattened = v != 0.0 ? v : means;
        D r = f != 0.0 ? quotient : unflattened;
        r = r < ceiling ? r : ceiling;
        samples =
            __builtin_convertvector(__builtin_convertvector(r, typename L::I32), typename L::U16);
        std::memcpy(imageRow + x, &samples, sizeof samples);
    }
    for (; x < width; ++x) imageRow[x] = DividedSample(imageRow[x], flatRow[x], mean);
}

__attribute__((target("avx512f,avx512bw"), flatten)) void DivideRowAvx512(uint16_t* imageRow,
                                                                          const uint16_t* flatRow,
                                                                          int width, double mean) {
    DivideRowVectors<8>(imageRow, flatRow, width, mean);
}

__attribute__((target("avx2"), flatten)) void DivideRowAvx2(uint16_t* imageRow,
                                                            const uint16_t* flatRow, int width,
                                                            double mean) {
    DivideRowVectors<4>(imageRow, flatRow, width, mean);
}

__attribute__((flatten)) void DivideRowGeneric(uint16_t* imageRow, const uint16_t* flatRow,
                                               int width, double mean) {
    DivideRowVectors<2>(imageRow, flatRow, width, mean);
}

}  // namespace

void DivideRowByFlat(uint16_t* imageRow, const uint16_t* flatRow, int width, double mean) {
    switch (simd::ActiveIsa()) {
        case simd::Isa::Avx512:
            DivideRowAvx512(imageRow, flatRow, width, mean);
            break;
        case simd::Isa::Avx2:
            DivideRowAvx2(imageRow, flatRow, width, mean);
            break;
        case simd::Isa::Generic:
            DivideRowGeneric(imageRow, flatRow, width, mean);
            break;
    }
}

void DivideByFlatRow(Plane& image, const Plane& flat, double mean, int row) {
    const int width = Session().geometry.width;
    if (row < 0 || row >= Session().geometry.height) return;
    const size_t start = static_cast<size_t>(row) * width;
    DivideRowByFlat(image.data() + start, flat.data() + start, width, mean);
}

int64_t FlatWindowSum(const uint16_t* flat, int width, int columns) {
    int64_t sum = 0;
    for (int row = kFlatMeanFirstRow; row < kFlatMeanFirstRow + kFlatMeanRows; ++row) {
        const uint16_t* line = flat + static_cast<size_t>(row) * width + kFlatMeanFirstColumn;
        for (int column = 0; column < columns; ++column) sum += line[column];
    }
    return sum;
}

void DivideRowsByFlat(uint16_t* image, const uint16_t* flat, int width, double mean, int firstRow,
                      int lastRow, const RowCallback& beforeRow) {
    for (int row = firstRow; row <= lastRow; ++row) {
        if (beforeRow) beforeRow(row);
        if (mean == 0.0) continue;
        const size_t start = static_cast<size_t>(row) * width;
        DivideRowByFlat(image + start, flat + start, width, mean);
    }
}

void SubtractDarkFrame() {
    const std::optional<ChosenFile> chosen = ChooseAndLoadReference(kSubtractDarkChooserTitle);
    if (!chosen) return;
    SessionState& s = Session();
    WaitCursor cursor;
    SaveForUndo();
    SubtractReference(s.currentImage, s.workImage);
    AppendHistory(kDarkSubtractedLine);
    RememberChosenFolder(*chosen);
    RefreshDisplay();
}

void ApplyFlatField() {
    const std::optional<ChosenFile> chosen = ChooseAndLoadReference(kApplyFlatChooserTitle);
    if (!chosen) return;
    SessionState& s = Session();
    UiServices& ui = Ui();
    WaitCursor cursor;
    SaveForUndo();
    const int width = s.geometry.width;
    const double mean =
        static_cast<double>(FlatWindowSum(s.workImage.data(), width, kMenuFlatMeanColumns)) *
        kMenuFlatMeanScale;
    s.pendingProgressTitle = kFlatProgressTitle;
    ui.OpenProgressWindow();
    const int firstRow =
        ImageIsLabelled(s.currentImage) ? kMenuFlatFirstRowLabelled : kMenuFlatFirstRow;
    DivideRowsByFlat(s.currentImage.data(), s.workImage.data(), width, mean, firstRow,
                     s.geometry.height - 1, [&](int row) {
                         ui.SetProgressPosition(kMenuFlatBarStart + (row - firstRow));
                         if (s.progressTitlePending) {
                             ui.SetProgressTitle(s.pendingProgressTitle);
                             s.progressTitlePending = false;
                         }
                     });
    ui.CloseProgressWindow();
    AppendHistory(kFlatAppliedLine);
    RememberChosenFolder(*chosen);
    RefreshDisplay();
}

int CaptureDarkStep(bool loaded, const std::string& fileName) {
    SessionState& s = Session();
    if (!loaded) {
        const int result = ReadCaptureReference(fileName, s.undoImage);
        if (result != kCaptureStepOk) return result;
    }
    SubtractReference(s.currentImage, s.undoImage);
    return kCaptureStepOk;
}

int CaptureFlatStep(bool loaded, const std::string& fileName) {
    SessionState& s = Session();
    if (!loaded) {
        const int result = ReadCaptureReference(fileName, s.flatReferenceImage);
        if (result != kCaptureStepOk) return result;
    }
    const int width = s.geometry.width;
    const double mean = static_cast<double>(FlatWindowSum(s.flatReferenceImage.data(), width,
                                                          kCaptureFlatMeanColumns)) /
                        kCaptureFlatMeanSamples;
    DivideRowsByFlat(s.currentImage.data(), s.flatReferenceImage.data(), width, mean,
                     kCaptureFlatFirstRow, s.geometry.lastRow - 1);
    return kCaptureStepOk;
}

}  // namespace vexa
