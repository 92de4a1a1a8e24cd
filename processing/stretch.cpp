// The transfer-table core of the contrast stretches. The curves are evaluated once per table
// entry in extended precision and truncated toward zero; the pass itself is one look-up, a
// shift and a doubling per sample.
#include "processing/stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "processing/undo_history.h"
#include "session/display_refresh.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

// Normal Stretch and Remove Background work in display levels: one level is 128 table entries
// (256 sample values).
constexpr int kEntriesPerLevel = 128;
constexpr long double kLevelSpan = 255.0L;
// History lines show the scaled levels shifted right by 6, i.e. twice the levels.
constexpr int kHistoryLevelShift = 6;

constexpr long double kTableSpan = 32768.0L;  // 2^15, the table's index range as a real

constexpr long double kSineCentre = 16384.0L;
constexpr long double kSineIndexPerRadian = 10432.0L;
constexpr long double kSineScale = 16383.0L;

constexpr long double kLogScale = 3151.0L;

// The antilog curve uses these two constants as they stand, not e to full precision.
constexpr long double kAntilogBase = 2.71828;
constexpr long double kAntilogStep = 0.00031735956839098697;

// Real to table value: truncation toward zero, then the table's range. Anything that is not
// a number (a curve evaluated outside its domain) gives 0 rather than undefined behaviour.
uint16_t TableValue(long double value) {
    if (!(value > 0.0L)) return 0;
    if (value >= static_cast<long double>(kStretchTableTop)) return kStretchTableTop;
    return static_cast<uint16_t>(value);  // truncates toward zero
}

template <typename Curve>
void FillTable(Curve curve) {
    auto& table = Session().stretchTable;
    for (int n = 0; n < kStretchTableEntries; ++n) table[n] = TableValue(curve(n));
}

std::string Formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Samples the pass may visit: the geometry's counts, but never beyond the plane.
struct PassSpans {
    size_t head = 0;  // the first ten rows
    size_t step = 0;  // one of the 25 steps
};

PassSpans SpansOf(const ImageGeometry& g) {
    PassSpans spans;
    spans.head = static_cast<size_t>(std::clamp(g.tenRowSpan, 0, kPlaneSamples));
    const int room = static_cast<int>((kPlaneSamples - spans.head) / kStretchSteps);
    spans.step = static_cast<size_t>(std::clamp(g.stretchTailCount, 0, room));
    return spans;
}

// Samples SaveForUndo copies.
size_t UndoSampleCount(const ImageGeometry& g) {
    return static_cast<size_t>(std::clamp(g.sampleCount, 0, kPlaneSamples));
}

}  // namespace

void MapThroughStretchTable(uint16_t* samples, size_t count, const uint16_t* table) {
    for (size_t k = 0; k < count; ++k) {
        samples[k] = static_cast<uint16_t>(2u * table[samples[k] >> 1]);
    }
}

void MapKeepingOriginals(uint16_t* samples, uint16_t* originals, size_t count,
                         const uint16_t* table) {
    for (size_t k = 0; k < count; ++k) {
        const uint16_t s = samples[k];
        originals[k] = s;
        samples[k] = static_cast<uint16_t>(2u * table[s >> 1]);
    }
}

void RestorePassCursor() {
    Ui().SetCursor(ModeCursor());
}

void ApplyStretchTable(bool refresh) {
    SessionState& s = Session();
    UiServices& ui = Ui();
    ui.SetCursor(CursorKind::Wait);
    s.pendingProgressTitle = kContrastStretchTitle;
    ui.OpenProgressWindow();

    const PassSpans spans = SpansOf(s.geometry);
    const size_t passCount = spans.head + kStretchSteps * spans.step;
    // The undo copy covers exactly the samples of the pass, so it is taken on the way through
    // them: one read of the image instead of two. Should the counts ever disagree, the copy
    // is taken on its own first.
    const bool copyOnTheWay = passCount == UndoSampleCount(s.geometry);
    if (!copyOnTheWay) SaveForUndo();

    const uint16_t* table = s.stretchTable.data();
    uint16_t* samples = s.currentImage.data();
    uint16_t* originals = s.undoImage.data();
    auto map = [&](size_t count) {
        if (copyOnTheWay) {
            MapKeepingOriginals(samples, originals, count, table);
        } else {
            MapThroughStretchTable(samples, count, table);
        }
        samples += count;
        originals += count;
    };

    // A burnt-in label keeps its rows as they are.
    if (ImageIsLabelled(s.currentImage)) {
        if (copyOnTheWay) std::copy_n(samples, spans.head, originals);
        samples += spans.head;
        originals += spans.head;
    } else {
        map(spans.head);
    }

    for (int k = 0; k < kStretchSteps; ++k) {
        ui.SetProgressPosition(kStretchBarStep * k);
        if (s.progressTitlePending) {
            ui.SetProgressTitle(s.pendingProgressTitle);
            s.progressTitlePending = false;
        }
        map(spans.step);
    }

    ui.CloseProgressWindow();
    if (refresh) RefreshDisplay();
    RestorePassCursor();
}

bool BuildNormalStretchTable(int white, int black) {
    if (white <= black || black < 0 || white > kNormalWhiteMax) return false;
    const int blackIndex = kEntriesPerLevel * black;
    const int whiteIndex = kEntriesPerLevel * white;  // up to 38,400: may lie past the table
    const long double levels = static_cast<long double>(white - black);
    auto& table = Session().stretchTable;
    for (int n = 0; n < kStretchTableEntries; ++n) {
        if (n < blackIndex) {
            table[n] = 0;
        } else if (n < whiteIndex) {
            table[n] = TableValue(static_cast<long double>(n - blackIndex) * kLevelSpan / levels);
        } else {
            table[n] = kStretchTableTop;
        }
    }
    return true;
}

bool BuildPowerLawTable(double exponent) {
    if (exponent == 1.0 || !std::isfinite(exponent)) return false;
    const long double p = exponent;
    const long double divisor = std::pow(kTableSpan, p - 1.0L);
    FillTable([&](int n) {
        if (n == 0) return 0.0L;
        return std::pow(static_cast<long double>(n), p) / divisor;
    });
    return true;
}

void BuildSineTable() {
    FillTable([](int n) {
        const long double angle = (static_cast<long double>(n) - kSineCentre) / kSineIndexPerRadian;
        return (std::sin(angle) + 1.0L) * kSineScale;
    });
}

void BuildLogTable() {
    FillTable([](int n) { return std::log(static_cast<long double>(n) + 1.0L) * kLogScale; });
}

void BuildAntilogTable() {
    FillTable([](int n) {
        return std::pow(kAntilogBase, static_cast<long double>(n) * kAntilogStep) - 1.0L;
    });
}

void BuildInvertTable() {
    auto& table = Session().stretchTable;
    for (int n = 0; n < kStretchTableEntries; ++n) {
        table[n] = static_cast<uint16_t>(kStretchTableTop - n);
    }
}

bool BuildRemoveBackgroundTable(bool apply) {
    const int32_t g = Session().backgroundLevel;
    // Display levels run to 255; anything beyond would divide by zero or below.
    if (g <= kRemoveBackgroundMinLevel || g > kNormalBlackMax) return false;
    const int blackIndex = kEntriesPerLevel * (g - kRemoveBackgroundMinLevel);
    const long double levels = static_cast<long double>(257 - g);
    FillTable([&](int n) {
        if (n < blackIndex) return 0.0L;
        return static_cast<long double>(n - blackIndex) * kLevelSpan / levels;
    });
    AppendHistory(RemoveBackgroundHistory(g));
    if (apply) ApplyStretchTable(true);
    return true;
}

void BuildNonLinearTable(double power) {
    const long double x = power;
    FillTable([&](int n) {
        const long double d = static_cast<long double>(n) / kTableSpan;
        return kTableSpan * x * d / (d * (x - 1.0L) + 1.0L);
    });
    AppendHistory(NonLinearHistory(power));
}

std::string NormalStretchHistory(int white, int black) {
    const int max = (kEntriesPerLevel * white) >> kHistoryLevelShift;
    const int min = (kEntriesPerLevel * black) >> kHistoryLevelShift;
    return "Normal Stretch : max " + std::to_string(max) + " , min : " + std::to_string(min);
}

std::string PowerLawHistory(double exponent) {
    return "Power Stretch :  " + Formatted("%1.1f", exponent);
}

std::string RemoveBackgroundHistory(int32_t level) {
    return "Background Removed : min " + std::to_string(2 * level - 2 * kRemoveBackgroundMinLevel);
}

std::string NonLinearHistory(double power) {
    double whole = std::trunc(power);
    if (whole == 0.0) whole = 0.0;  // no "-0" for powers between -1 and 0
    return "Non-Linear Stretch : power " + Formatted("%.0f", whole);
}

}  // namespace vexa
