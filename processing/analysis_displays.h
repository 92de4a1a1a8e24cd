// The three read-only views of the image: the histogram of display levels, the 3-D intensity
// plot and the profile of one row. Each model says what its modeless dialog draws, in the
// dialog's own pixel coordinates, and carries the dialog's buttons and its command. Open
// dialogs follow the image: the display refresh has them take it again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "session/session_state.h"

namespace vexa {

// Both plots: one pixel per 384 sample units, so 65535 rises 170 pixels.
constexpr int32_t kPlotUnitsPerPixel = 384;

// Line colours are the dialogs' to choose: the first pen draws the axes, histogram bars and
// rising plot segments; the second pen the cut histogram bars and falling plot segments.
enum class PlotPen { First, Second };

struct PlotPoint {
    int x = 0, y = 0;
    bool operator==(const PlotPoint&) const = default;
};
// A line from (x0, y0) to (x1, y1).
struct PlotSegment {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    PlotPen pen = PlotPen::First;
    bool operator==(const PlotSegment&) const = default;
};
// Left, top, right, bottom as the dialog's drawing rectangles give them.
struct PlotRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Button ids shared by the three dialogs' resources.
namespace analysis_id {
constexpr int kFinished = 2;
constexpr int kHelp = 9;
constexpr int kHistogramClose = 101;
constexpr int kRowEdit = 101;
}  // namespace analysis_id

// ---- "Histogram of Current Image" ----

constexpr const char* kHistogramTitle = "Histogram of Current Image";
constexpr const char* kHistogramHelpCaption = "VexaR_2 - Display Histogram";
constexpr const char* kHistogramHelpText =
    "This shows a histogram of the values in the current main window. The horizontal scale "
    "represents values from black (0) to white (256), whilst the vertical scale shows the "
    "number of pixels with a particular value. The vertical scale goes from 0 to 1000, where "
    "there are more than 1000 pixels with the same value the line is truncated and shown in "
    "red.\n\nThe first 15 values where the pixel count exceeds 1000 are also listed next to "
    "the Histogram\n\nShort key - CTL+H";
constexpr int kDisplayHistogramLevels = 256;
constexpr int kHistogramCountsPerBarPixel = 5;
constexpr int kHistogramBarLimit = 210;
constexpr int kHistogramListedLevels = 15;
constexpr PlotRect kHistogramListRect{270, 2, 350, 270};
constexpr const char* kHistogramListHeader = "val   count\n";

struct HistogramPicture {
    std::vector<PlotSegment> axes;  // the two axes and the tick marks
    std::vector<PlotSegment> bars;  // one per level with a count of 5 or more
    std::string list;               // header and the first 15 cut levels
};

// What the histogram dialog paints for these counts of display levels.
HistogramPicture BuildHistogramPicture(const std::array<uint32_t, kDisplayHistogramLevels>& counts);

class HistogramDialogModel {
  public:
    explicit HistogramDialogModel(SessionState& session = Session());

    std::string Title() const { return kHistogramTitle; }
    // Count the display levels of currentImage as it is now (the display histogram of its
    // interior); done when the dialog opens and after every display refresh.
    void Recount();
    // The picture for the counts of the last Recount.
    HistogramPicture Picture() const;
    // "Close" (also the close box): clears the open flag and removes the dialog.
    void Close();
    void Help() const;

  private:
    SessionState& session_;
    std::array<uint32_t, kDisplayHistogramLevels> counts_{};
};

HistogramDialogModel& TheHistogramDialog();

// "&Histogram" (menu 6, Ctrl+H): opens the dialog, or while it is open beeps, waits a second
// handling window messages (a key or button press beeps and ends the wait) and beeps again.
void CmdHistogram();

// ---- "3-D Intensity Plot" ----

constexpr const char* kPlot3DTitle = "3-D Intensity Plot";
constexpr const char* kPlot3DHelpCaption = "Vexa_Q4_USB - 3-D Plot";
constexpr const char* kPlot3DHelpText =
    "This shows a 3-D Intensity Plot of the values in the current main window.";
// Lines k = 6 .. 128, back to front, each from source row 4k.
constexpr int kPlot3DFirstLine = 6;
constexpr int kPlot3DLastLine = 128;
constexpr int kPlot3DLineCount = kPlot3DLastLine - kPlot3DFirstLine + 1;  // 123
constexpr int kPlot3DRowStep = 4;
constexpr int kPlot3DFrontOffset = 134;  // x of the first line's start
constexpr int kPlot3DBaseTop = 186;      // base line of line k is at 186 + k
constexpr int kPlot3DPointsPerLine = 650;
// Every pixel the plot can reach lies inside this size.
constexpr int kPlot3DWidth = kPlot3DFrontOffset + kPlot3DPointsPerLine;
constexpr int kPlot3DHeight = kPlot3DBaseTop + kPlot3DLastLine + 1;

// One plot line: the segments from its base-line start through its 650 points.
using Plot3DLine = std::vector<PlotSegment>;

// The plot of a plane of the given geometry (stride 650 in Half geometry, else 1300 with
// every second column).
std::vector<Plot3DLine> BuildPlot3D(const Plane& plane, bool halfGeometry);

class Plot3DDialogModel {
  public:
    explicit Plot3DDialogModel(SessionState& session = Session());

    std::string Title() const { return kPlot3DTitle; }
    // Takes the plot of plotImage as it is now; the display refresh takes it again, so an
    // open plot shows the image after each change.
    void Take(const Plane& plotImage);
    const std::vector<Plot3DLine>& Lines() const { return lines_; }
    // "Finished" (also the close box): clears the open flag, drops the plot and removes the
    // dialog.
    void Finished();
    void Help() const;

  private:
    SessionState& session_;
    std::vector<Plot3DLine> lines_;
};

Plot3DDialogModel& ThePlot3DDialog();

// "3-D &Intensity Plot" (menu 15): nothing while the 3-D plot or the row profile is open.
void CmdIntensityPlot3D();

// ---- "INTENSITY PROFILE OF ONE ROW" ----

constexpr const char* kRowTitle = "INTENSITY PROFILE OF ONE ROW";
constexpr const char* kRowLabel = "Row";
constexpr const char* kRowHelpCaption = "Vexa_R4 - Intensity Profile";
constexpr const char* kRowHelpText =
    "Select the row you wish to see an intensity plot of by pressing the left mouse button";
constexpr int32_t kRowPlotStartRow = 250;
constexpr PlotRect kRowClearRect{2, 2, 668, 200};
constexpr PlotPoint kRowProfileStart{4, 198};
constexpr int kRowProfileBase = 198;
constexpr int kRowProfileLeft = 5;

// The profile polyline of one row: the start point, then one point per shown column.
std::vector<PlotPoint> BuildRowProfile(const Plane& plane, bool halfGeometry, int32_t row);

class RowDialogModel {
  public:
    explicit RowDialogModel(SessionState& session = Session());

    std::string Title() const { return kRowTitle; }
    void SetPlotImage(const Plane& plotImage) { plotImage_ = &plotImage; }
    // The row shown: the selected row, held inside the image of the current geometry.
    int32_t Row() const;
    std::string RowText() const { return std::to_string(Row()); }
    // The profile of the shown row, read from the plot image at each redraw.
    std::vector<PlotPoint> Profile() const;
    // "Finished" (also the close box): leaves row-plot mode, puts the cursor back and
    // removes the dialog.
    void Finished();
    void Help() const;

  private:
    SessionState& session_;
    const Plane* plotImage_;
};

RowDialogModel& TheRowDialog();

// "Intensity Plot of Current R&ow" (menu 16): 35 while merging or photometry runs; nothing
// while the 3-D plot or the row profile is open; 38 while fitted or centred. Otherwise row
// 250 of currentImage in the modeless profile dialog, with the up-arrow cursor.
void CmdRowPlot();

// After every display refresh: each open analysis dialog takes the current image again (the
// histogram recounted, the 3-D plot rebuilt, the row profile redrawn from its plane) and is
// told to redraw.
void RefreshOpenAnalysisDisplays();

}  // namespace vexa
