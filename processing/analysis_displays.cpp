// The histogram, 3-D plot and row profile: what each dialog draws, its buttons and command.
#include "processing/analysis_displays.h"
#include "processing/display_mapping.h"
#include "processing/measuring_dialog_services.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "session/clock.h"
#include "session/long_operation.h"
#include "session/message_catalogue.h"
#include "session/timed_waits.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

// Histogram axes: the vertical axis from (5, 5) down to (5, 213), then across to (263, 213),
// with a tick every 32 levels; the ticks at levels 64 and 192, and longer at 128, stand out.
constexpr int kAxisLeft = 5;
constexpr int kAxisTop = 5;
constexpr int kAxisBottom = 213;
constexpr int kAxisRight = 263;
constexpr int kFirstTickX = 40;
constexpr int kLastTickX = 264;
constexpr int kTickSpacing = 32;
constexpr int kShortTickEnd = 217;
constexpr int kQuarterTickEnd = 220;
constexpr int kMiddleTickEnd = 224;
constexpr int kQuarterTickLow = 72;    // level 64
constexpr int kQuarterTickHigh = 200;  // level 192
constexpr int kMiddleTick = 136;       // level 128
constexpr int kBarBase = 210;
constexpr int kBarLeft = 8;  // level i is drawn at x = i + 8

constexpr uint32_t kHistogramBusyWaitMs = 1000;

bool HalfGeometry(const SessionState& s) {
    return s.geometryMode != 0;
}

int Height(uint16_t sample) {
    return sample / kPlotUnitsPerPixel;
}

}  // namespace

// ---- histogram ----

HistogramPicture BuildHistogramPicture(
    const std::array<uint32_t, kDisplayHistogramLevels>& counts) {
    HistogramPicture picture;
    picture.axes.push_back({kAxisLeft, kAxisTop, kAxisLeft, kAxisBottom, PlotPen::First});
    picture.axes.push_back({kAxisLeft, kAxisBottom, kAxisRight, kAxisBottom, PlotPen::First});
    for (int x = kFirstTickX; x <= kLastTickX; x += kTickSpacing) {
        int end = kShortTickEnd;
        if (x == kQuarterTickLow || x == kQuarterTickHigh) end = kQuarterTickEnd;
        if (x == kMiddleTick) end = kMiddleTickEnd;
        picture.axes.push_back({x, kAxisBottom, x, end, PlotPen::First});
    }

    picture.list = kHistogramListHeader;
    int listed = 0;
    for (int level = 0; level < kDisplayHistogramLevels; ++level) {
        const uint32_t bar = counts[level] / kHistogramCountsPerBarPixel;
        if (bar == 0) continue;  // a line of no length draws nothing
        PlotPen pen = PlotPen::First;
        int height = static_cast<int>(bar);
        if (bar > kHistogramBarLimit) {
            height = kHistogramBarLimit;
            pen = PlotPen::Second;
            if (listed < kHistogramListedLevels) {
                char line[48];
                // The count listed is the one the bar stands for, a multiple of five.
                std::snprintf(line, sizeof line, "%03d  %6" PRIu64 "\n", level,
                              uint64_t{bar} * kHistogramCountsPerBarPixel);
                picture.list += line;
                ++listed;
            }
        }
        const int x = level + kBarLeft;
        picture.bars.push_back({x, kBarBase, x, kBarBase - height, pen});
    }
    return picture;
}

HistogramDialogModel::HistogramDialogModel(SessionState& session) : session_(session) {}

void HistogramDialogModel::Recount() {
    // The full counts: the 16-bit display histogram saturates, and a level with more than
    // 65,535 samples must still be listed with its count. Counted here rather than taken
    // from the view's last paint, which may not have happened yet (or was the auto-contrast
    // strip's count).
    counts_ = CountInteriorLevels(session_.currentImage, session_.geometry);
}

HistogramPicture HistogramDialogModel::Picture() const {
    return BuildHistogramPicture(counts_);
}

void HistogramDialogModel::Close() {
    if (!session_.histogramOpen) return;
    session_.histogramOpen = false;
    MeasuringDialogs().CloseHistogramDialog();
}

void HistogramDialogModel::Help() const {
    Ui().MessageBox(kHistogramHelpCaption, kHistogramHelpText);
}

HistogramDialogModel& TheHistogramDialog() {
    static HistogramDialogModel* model = new HistogramDialogModel(Session());
    return *model;
}

void CmdHistogram() {
    SessionState& s = Session();
    if (s.histogramOpen) {
        Ui().Beep();
        const LongOperation busy(LongOperationKind::BusyWait);
        WaitMillisecondsWithMessages(kHistogramBusyWaitMs);
        Ui().Beep();
        return;
    }
    HistogramDialogModel& model = TheHistogramDialog();
    model.Recount();
    s.histogramOpen = true;
    if (!MeasuringDialogs().OpenHistogramDialog(model)) s.histogramOpen = false;
}

// ---- 3-D plot ----

std::vector<Plot3DLine> BuildPlot3D(const Plane& plane, bool halfGeometry) {
    const int stride = halfGeometry ? kHalfWidth : kFullWidth;
    const int columnStep = halfGeometry ? 1 : 2;
    std::vector<Plot3DLine> lines;
    lines.reserve(kPlot3DLineCount);
    for (int k = kPlot3DFirstLine; k <= kPlot3DLastLine; ++k) {
        const int offset = kPlot3DFrontOffset - (k - kPlot3DFirstLine);
        const int base = kPlot3DBaseTop + k;
        // Rows 24 to 512 lie inside the image of either geometry.
        const uint16_t* row = plane.data() + static_cast<size_t>(kPlot3DRowStep * k) * stride;
        Plot3DLine line;
        line.reserve(kPlot3DPointsPerLine);
        int previousX = offset;
        int previousHeight = 0;
        for (int i = 0; i < kPlot3DPointsPerLine; ++i) {
            const int height = Height(row[i * columnStep]);
            const int x = offset + i;
            const PlotPen pen = height > previousHeight ? PlotPen::First : PlotPen::Second;
            line.push_back({previousX, base - previousHeight, x, base - height, pen});
            previousX = x;
            previousHeight = height;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

Plot3DDialogModel::Plot3DDialogModel(SessionState& session) : session_(session) {}

void Plot3DDialogModel::Take(const Plane& plotImage) {
    lines_ = BuildPlot3D(plotImage, HalfGeometry(session_));
}

void Plot3DDialogModel::Finished() {
    if (!session_.plot3DOpen) return;
    session_.plot3DOpen = false;
    lines_ = {};
    MeasuringDialogs().ClosePlot3DDialog();
}

void Plot3DDialogModel::Help() const {
    Ui().MessageBox(kPlot3DHelpCaption, kPlot3DHelpText);
}

Plot3DDialogModel& ThePlot3DDialog() {
    static Plot3DDialogModel* model = new Plot3DDialogModel(Session());
    return *model;
}

void CmdIntensityPlot3D() {
    SessionState& s = Session();
    if (s.plot3DOpen || s.rowPlotMode) return;
    Plot3DDialogModel& model = ThePlot3DDialog();
    model.Take(s.currentImage);
    s.plot3DOpen = true;
    if (!MeasuringDialogs().OpenPlot3DDialog(model)) model.Finished();
}

// ---- row profile ----

std::vector<PlotPoint> BuildRowProfile(const Plane& plane, bool halfGeometry, int32_t row) {
    const int stride = halfGeometry ? kHalfWidth : kFullWidth;
    const int height = halfGeometry ? kHalfHeight : kFullHeight;
    const int columnStep = halfGeometry ? 1 : 2;
    const int32_t shown = std::clamp(row, 0, height - 1);
    const uint16_t* samples = plane.data() + static_cast<size_t>(shown) * stride;
    std::vector<PlotPoint> points;
    points.reserve(kHalfWidth + 1);
    points.push_back(kRowProfileStart);
    for (int x = 0; x < stride; x += columnStep) {
        points.push_back({x / columnStep + kRowProfileLeft, kRowProfileBase - Height(samples[x])});
    }
    return points;
}

RowDialogModel::RowDialogModel(SessionState& session)
    : session_(session), plotImage_(&session.currentImage) {}

int32_t RowDialogModel::Row() const {
    // A row chosen in a Full image is kept while a Half image is loaded; show its last row.
    return std::clamp(session_.selectedRow, 0, std::max(session_.geometry.lastRow, 0));
}

std::vector<PlotPoint> RowDialogModel::Profile() const {
    return BuildRowProfile(*plotImage_, HalfGeometry(session_), Row());
}

void RowDialogModel::Finished() {
    if (!session_.rowPlotMode) return;
    session_.rowPlotMode = false;
    Ui().SetCursor(ModeCursor());
    MeasuringDialogs().CloseRowDialog();
}

void RowDialogModel::Help() const {
    Ui().MessageBox(kRowHelpCaption, kRowHelpText);
}

RowDialogModel& TheRowDialog() {
    static RowDialogModel* model = new RowDialogModel(Session());
    return *model;
}

void CmdRowPlot() {
    SessionState& s = Session();
    if (s.mergingMode || s.photometryMode) {
        ShowMessage(MessageCode::ModesExclude);
        return;
    }
    if (s.plot3DOpen || s.rowPlotMode) return;
    if (s.fitToWindow || s.centreImage) {
        ShowMessage(MessageCode::RowPlotGeometry);
        return;
    }
    Ui().SetCursor(CursorKind::UpArrow);
    s.selectedRow = kRowPlotStartRow;
    RowDialogModel& model = TheRowDialog();
    model.SetPlotImage(s.currentImage);
    s.rowPlotMode = true;
    if (!MeasuringDialogs().OpenRowDialog(model)) {
        s.rowPlotMode = false;
        Ui().SetCursor(ModeCursor());
    }
}

// ---- following the image ----

void RefreshOpenAnalysisDisplays() {
    SessionState& s = Session();
    if (!s.histogramOpen && !s.plot3DOpen && !s.rowPlotMode) return;
    if (s.histogramOpen) TheHistogramDialog().Recount();
    if (s.plot3DOpen) ThePlot3DDialog().Take(s.currentImage);
    // The row profile reads its plane at every redraw; it only needs the redraw.
    MeasuringDialogs().AnalysisImageChanged();
}

}  // namespace vexa
