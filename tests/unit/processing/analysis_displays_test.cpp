#include "processing/analysis_displays.h"

#include <gtest/gtest.h>

#include "app/click_dispatch.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

constexpr auto kFirst = PlotPen::First;
constexpr auto kSecond = PlotPen::Second;

class AnalysisDisplaysTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();

    void UseHalfGeometry() {
        s.geometryMode = 1;
        ApplyGeometry();
    }
    void Put(int column, int row, uint16_t value) {
        s.currentImage[row * s.geometry.width + column] = value;
    }
    static std::array<uint32_t, kDisplayHistogramLevels> NoCounts() { return {}; }
};

// ---- histogram ----

TEST_F(AnalysisDisplaysTest, HistogramAxesAndTicks) {
    const HistogramPicture picture = BuildHistogramPicture(NoCounts());
    const std::vector<PlotSegment> expected = {
        {5, 5, 5, 213, kFirst},       {5, 213, 263, 213, kFirst},   {40, 213, 40, 217, kFirst},
        {72, 213, 72, 220, kFirst},   {104, 213, 104, 217, kFirst}, {136, 213, 136, 224, kFirst},
        {168, 213, 168, 217, kFirst}, {200, 213, 200, 220, kFirst}, {232, 213, 232, 217, kFirst},
        {264, 213, 264, 217, kFirst},
    };
    EXPECT_EQ(picture.axes, expected);
    EXPECT_TRUE(picture.bars.empty());
    EXPECT_EQ(picture.list, "val   count\n");
}

TEST_F(AnalysisDisplaysTest, HistogramBarsAreCutAbove210InTheSecondPenAndListed) {
    auto counts = NoCounts();
    counts[0] = 4;     // no bar
    counts[1] = 7;     // 1 pixel
    counts[2] = 1054;  // 210: the tallest uncut bar
    counts[3] = 1055;  // 211: cut to 210, listed as 1055
    counts[4] = 1059;  // listed as the multiple of five the bar stands for
    counts[255] = 1234567;
    const HistogramPicture picture = BuildHistogramPicture(counts);
    const std::vector<PlotSegment> expected = {
        {9, 210, 9, 209, kFirst},  {10, 210, 10, 0, kFirst},    {11, 210, 11, 0, kSecond},
        {12, 210, 12, 0, kSecond}, {263, 210, 263, 0, kSecond},
    };
    EXPECT_EQ(picture.bars, expected);
    EXPECT_EQ(picture.list,
              "val   count\n"
              "003    1055\n"
              "004    1055\n"
              "255  1234565\n");
}

TEST_F(AnalysisDisplaysTest, HistogramListsOnlyTheFirstFifteenCutLevels) {
    auto counts = NoCounts();
    for (int level = 100; level < 120; ++level) counts[level] = 5000 + level;
    const HistogramPicture picture = BuildHistogramPicture(counts);
    std::string expected = "val   count\n";
    for (int level = 100; level < 115; ++level)
        expected += std::to_string(level) + "    " + std::to_string((5000 + level) / 5 * 5) + "\n";
    EXPECT_EQ(picture.list, expected);
    ASSERT_EQ(picture.bars.size(), 20u);  // every cut bar is still drawn
    for (const PlotSegment& bar : picture.bars) {
        EXPECT_EQ(bar.pen, kSecond);
        EXPECT_EQ(bar.y1, 0);
    }
}

TEST_F(AnalysisDisplaysTest, HistogramDialogCountsTheWholeInteriorOfTheImage) {
    // Every sample at level 7: the interior's 1014 x 1280 samples, far more than a 16-bit
    // counter holds, are listed in full.
    s.currentImage.fill(7 << 8);
    HistogramDialogModel model(s);
    EXPECT_EQ(model.Title(), "Histogram of Current Image");
    model.Recount();
    EXPECT_EQ(model.Picture().list, "val   count\n007  1297920\n");
}

TEST_F(AnalysisDisplaysTest, OpenAnalysisDialogsTakeTheImageAgainAtEachRefresh) {
    fixture.ui.measureDialogsOpen = true;
    RefreshOpenAnalysisDisplays();  // nothing open: nothing to tell
    EXPECT_EQ(fixture.ui.analysisImageChanges, 0);

    s.currentImage.fill(0);
    CmdHistogram();
    CmdIntensityPlot3D();
    EXPECT_EQ(TheHistogramDialog().Picture().bars.front().x0, 8);  // level 0
    s.currentImage.fill(200 << 8);
    RefreshOpenAnalysisDisplays();
    EXPECT_EQ(fixture.ui.analysisImageChanges, 1);
    EXPECT_EQ(TheHistogramDialog().Picture().bars.front().x0, 208);  // level 200
    // The 3-D plot's first line now rises 133 pixels (51,200 / 384).
    EXPECT_EQ(ThePlot3DDialog().Lines().front().front().y1, 186 + 6 - 133);
    TheHistogramDialog().Close();
    ThePlot3DDialog().Finished();
}

TEST_F(AnalysisDisplaysTest, HistogramCommandOpensOnceThenBeepsTwice) {
    fixture.clock.SetStepPerReading(10);
    CmdHistogram();
    EXPECT_TRUE(s.histogramOpen);
    EXPECT_EQ(fixture.ui.openHistogramDialog, &TheHistogramDialog());
    EXPECT_EQ(fixture.ui.beeps, 0);

    const uint32_t before = fixture.clock.Milliseconds();
    CmdHistogram();
    EXPECT_EQ(fixture.ui.beeps, 2);
    EXPECT_EQ(fixture.ui.histogramDialogsOpened, 1);
    EXPECT_GE(fixture.clock.Milliseconds() - before, 1000u);
    EXPECT_TRUE(s.histogramOpen);
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(AnalysisDisplaysTest, KeyDuringTheHistogramWaitBeepsAndEndsItAtOnce) {
    fixture.clock.SetStepPerReading(10);
    s.histogramOpen = true;
    s.seriesCount = 5;
    fixture.ui.pendingEvents = {test::FakeEvent::Other, test::FakeEvent::KeyPress,
                                test::FakeEvent::LeftPress};
    const uint32_t before = fixture.clock.Milliseconds();
    CmdHistogram();
    EXPECT_LT(fixture.clock.Milliseconds() - before, 100u);
    EXPECT_EQ(fixture.ui.beeps, 3);  // before, for the key, after
    EXPECT_EQ(fixture.ui.dispatched.size(), 3u);
    EXPECT_EQ(s.seriesCount, 5);  // a wait, not the abort of an exposure series
}

TEST_F(AnalysisDisplaysTest, HistogramCloseAndHelp) {
    CmdHistogram();
    HistogramDialogModel& model = TheHistogramDialog();
    model.Help();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, "VexaR_2 - Display Histogram");
    EXPECT_EQ(fixture.ui.messages[0].text, kHistogramHelpText);
    EXPECT_NE(fixture.ui.messages[0].text.find("more than 1000 pixels with the same value the "
                                               "line is truncated and shown in red.\n\nThe first "
                                               "15 values"),
              std::string::npos);
    EXPECT_TRUE(fixture.ui.messages[0].text.ends_with("Short key - CTL+H"));
    model.Close();
    EXPECT_FALSE(s.histogramOpen);
    EXPECT_EQ(fixture.ui.histogramDialogsClosed, 1);
    model.Close();
    EXPECT_EQ(fixture.ui.histogramDialogsClosed, 1);
    CmdHistogram();
    EXPECT_EQ(fixture.ui.histogramDialogsOpened, 2);
    EXPECT_EQ(fixture.ui.beeps, 0);
}

TEST_F(AnalysisDisplaysTest, HistogramThatCannotOpenIsNotMarkedOpen) {
    fixture.ui.measureDialogsOpen = false;
    CmdHistogram();
    EXPECT_FALSE(s.histogramOpen);
}

// ---- 3-D plot ----

TEST_F(AnalysisDisplaysTest, Plot3DFullGeometryLinesFromRows24To512EverySecondColumn) {
    Put(0, 24, 65535);    // line k = 6, first point: rises 170
    Put(2, 24, 65535);    // second point: level with it, second pen
    Put(4, 24, 383);      // third point: height 0, falling
    Put(6, 24, 768);      // fourth: 2, rising
    Put(1, 24, 65535);    // odd columns are not shown
    Put(100, 23, 65535);  // rows between the sampled ones are not shown
    Put(100, 25, 65535);
    Put(0, 512, 38400);  // line k = 128, offset 12, base 314: height 100
    Put(0, 516, 65535);  // below the plotted rows
    const std::vector<Plot3DLine> lines = BuildPlot3D(s.currentImage, false);
    ASSERT_EQ(lines.size(), 123u);
    for (const Plot3DLine& line : lines) ASSERT_EQ(line.size(), 650u);
    const Plot3DLine& front = lines[0];
    EXPECT_EQ(front[0], (PlotSegment{134, 192, 134, 22, kFirst}));
    EXPECT_EQ(front[1], (PlotSegment{134, 22, 135, 22, kSecond}));
    EXPECT_EQ(front[2], (PlotSegment{135, 22, 136, 192, kSecond}));
    EXPECT_EQ(front[3], (PlotSegment{136, 192, 137, 190, kFirst}));
    EXPECT_EQ(front[4], (PlotSegment{137, 190, 138, 192, kSecond}));
    EXPECT_EQ(front[649], (PlotSegment{782, 192, 783, 192, kSecond}));
    const Plot3DLine& back = lines[122];
    EXPECT_EQ(back[0], (PlotSegment{12, 314, 12, 214, kFirst}));
    EXPECT_EQ(back[649].x1, 661);
    // Everything else lies on its base line.
    int raised = 0;
    for (size_t k = 0; k < lines.size(); ++k)
        for (const PlotSegment& segment : lines[k])
            if (segment.y1 != 192 + static_cast<int>(k)) ++raised;
    EXPECT_EQ(raised, 4);
}

TEST_F(AnalysisDisplaysTest, Plot3DHalfGeometryUsesEveryColumnWithStride650) {
    UseHalfGeometry();
    Put(1, 24, 65535);
    Put(649, 512, 3840);
    const std::vector<Plot3DLine> lines = BuildPlot3D(s.currentImage, true);
    ASSERT_EQ(lines.size(), 123u);
    EXPECT_EQ(lines[0][0], (PlotSegment{134, 192, 134, 192, kSecond}));
    EXPECT_EQ(lines[0][1], (PlotSegment{134, 192, 135, 22, kFirst}));
    EXPECT_EQ(lines[122][649], (PlotSegment{660, 314, 661, 304, kFirst}));
}

TEST_F(AnalysisDisplaysTest, Plot3DCommandTakesTheImageOnceAndFinishedCloses) {
    Put(0, 24, 65535);
    CmdIntensityPlot3D();
    EXPECT_TRUE(s.plot3DOpen);
    Plot3DDialogModel& model = ThePlot3DDialog();
    ASSERT_EQ(fixture.ui.openPlot3DDialog, &model);
    EXPECT_EQ(model.Title(), "3-D Intensity Plot");
    ASSERT_EQ(model.Lines().size(), 123u);
    // Later changes of the image do not move the plot.
    Put(0, 24, 0);
    EXPECT_EQ(model.Lines()[0][0].y1, 22);
    // A second command while open does nothing.
    CmdIntensityPlot3D();
    EXPECT_EQ(fixture.ui.plot3DDialogsOpened, 1);
    model.Help();
    EXPECT_EQ(fixture.ui.messages.back().caption, "Vexa_Q4_USB - 3-D Plot");
    EXPECT_EQ(fixture.ui.messages.back().text,
              "This shows a 3-D Intensity Plot of the values in the current main window.");
    model.Finished();
    EXPECT_FALSE(s.plot3DOpen);
    EXPECT_TRUE(model.Lines().empty());
    EXPECT_EQ(fixture.ui.plot3DDialogsClosed, 1);
    model.Finished();
    EXPECT_EQ(fixture.ui.plot3DDialogsClosed, 1);
}

TEST_F(AnalysisDisplaysTest, Plot3DCommandDoesNothingWhileTheRowProfileIsOpen) {
    s.rowPlotMode = true;
    CmdIntensityPlot3D();
    EXPECT_FALSE(s.plot3DOpen);
    EXPECT_EQ(fixture.ui.plot3DDialogsOpened, 0);
    EXPECT_TRUE(fixture.ui.messages.empty());
    s.rowPlotMode = false;
    fixture.ui.measureDialogsOpen = false;
    CmdIntensityPlot3D();
    EXPECT_FALSE(s.plot3DOpen);
}

// ---- row profile ----

TEST_F(AnalysisDisplaysTest, RowProfileFullGeometryEverySecondColumn) {
    Put(0, 250, 65535);
    Put(1, 250, 65535);  // odd columns are not shown
    Put(2, 250, 383);
    Put(1298, 250, 768);
    Put(1299, 250, 65535);
    Put(0, 251, 65535);
    const std::vector<PlotPoint> points = BuildRowProfile(s.currentImage, false, 250);
    ASSERT_EQ(points.size(), 651u);
    EXPECT_EQ(points[0], (PlotPoint{4, 198}));
    EXPECT_EQ(points[1], (PlotPoint{5, 28}));
    EXPECT_EQ(points[2], (PlotPoint{6, 198}));
    EXPECT_EQ(points[650], (PlotPoint{654, 196}));
}

TEST_F(AnalysisDisplaysTest, RowProfileHalfGeometryEveryColumn) {
    UseHalfGeometry();
    Put(1, 514, 65535);
    Put(649, 514, 1152);
    const std::vector<PlotPoint> points = BuildRowProfile(s.currentImage, true, 514);
    ASSERT_EQ(points.size(), 651u);
    EXPECT_EQ(points[1], (PlotPoint{5, 198}));
    EXPECT_EQ(points[2], (PlotPoint{6, 28}));
    EXPECT_EQ(points[650], (PlotPoint{654, 195}));
    // Rows outside the image are held to its edge, never read beyond it.
    EXPECT_EQ(BuildRowProfile(s.currentImage, true, 100000), points);
    EXPECT_EQ(BuildRowProfile(s.currentImage, true, -7)[2], (PlotPoint{6, 198}));
}

TEST_F(AnalysisDisplaysTest, RowCommandStartsAtRow250AndFollowsClicksAndTheImage) {
    Put(10, 250, 38400);
    Put(10, 300, 3840);
    CmdRowPlot();
    ASSERT_TRUE(s.rowPlotMode);
    RowDialogModel& model = TheRowDialog();
    ASSERT_EQ(fixture.ui.openRowDialog, &model);
    EXPECT_EQ(model.Title(), "INTENSITY PROFILE OF ONE ROW");
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::UpArrow);
    EXPECT_EQ(model.RowText(), "250");
    EXPECT_EQ(model.Profile()[6], (PlotPoint{10, 98}));
    // A click selects the scrolled row.
    s.scrollY = 100;
    OnLeftButtonUp(40, 200);
    EXPECT_EQ(fixture.ui.rowPlotRedraws, 1);
    EXPECT_EQ(model.RowText(), "300");
    EXPECT_EQ(model.Profile()[6], (PlotPoint{10, 188}));
    // The profile reads the image at every redraw.
    Put(10, 300, 0);
    EXPECT_EQ(model.Profile()[6], (PlotPoint{10, 198}));
    // Other commands that would take the clicks are refused meanwhile.
    CmdIntensityPlot3D();
    EXPECT_FALSE(s.plot3DOpen);

    model.Help();
    EXPECT_EQ(fixture.ui.messages.back().caption, "Vexa_R4 - Intensity Profile");
    EXPECT_EQ(fixture.ui.messages.back().text,
              "Select the row you wish to see an intensity plot of by pressing the left mouse "
              "button");
    model.Finished();
    EXPECT_FALSE(s.rowPlotMode);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Arrow);
    EXPECT_EQ(fixture.ui.rowDialogsClosed, 1);
    model.Finished();
    EXPECT_EQ(fixture.ui.rowDialogsClosed, 1);
}

TEST_F(AnalysisDisplaysTest, RowShownStaysInsideTheImageAfterAGeometryChange) {
    CmdRowPlot();
    s.selectedRow = 1000;
    UseHalfGeometry();
    EXPECT_EQ(TheRowDialog().RowText(), "514");
    EXPECT_EQ(TheRowDialog().Profile().size(), 651u);
}

TEST_F(AnalysisDisplaysTest, RowCommandRefusalsInOrder) {
    const std::string exclude =
        "Sorry, you cannot run Photometry, Row Plot and Merging at the same time";
    const std::string geometry =
        "Sorry, Row Plot only available in standard Geometry. Ensure Image is not stretched to "
        "fit window or in TQ geometry.";
    s.mergingMode = true;
    s.fitToWindow = true;
    CmdRowPlot();
    EXPECT_EQ(fixture.ui.LastText(), exclude);
    s.mergingMode = false;
    s.photometryMode = true;
    CmdRowPlot();
    EXPECT_EQ(fixture.ui.messages.size(), 2u);
    EXPECT_EQ(fixture.ui.LastText(), exclude);
    s.photometryMode = false;
    s.plot3DOpen = true;
    CmdRowPlot();  // silently nothing, even with fit-to-window on
    EXPECT_EQ(fixture.ui.messages.size(), 2u);
    s.plot3DOpen = false;
    CmdRowPlot();
    EXPECT_EQ(fixture.ui.LastText(), geometry);
    s.fitToWindow = false;
    s.centreImage = true;
    CmdRowPlot();
    EXPECT_EQ(fixture.ui.messages.size(), 4u);
    EXPECT_EQ(fixture.ui.LastText(), geometry);
    s.centreImage = false;
    EXPECT_EQ(fixture.ui.rowDialogsOpened, 0);
    EXPECT_FALSE(s.rowPlotMode);
    s.selectedRow = 7;
    CmdRowPlot();
    EXPECT_EQ(s.selectedRow, 250);
    CmdRowPlot();  // already open: nothing
    EXPECT_EQ(fixture.ui.messages.size(), 4u);
    EXPECT_EQ(fixture.ui.rowDialogsOpened, 1);
}

TEST_F(AnalysisDisplaysTest, RowDialogThatCannotOpenLeavesNoModeBehind) {
    fixture.ui.measureDialogsOpen = false;
    CmdRowPlot();
    EXPECT_FALSE(s.rowPlotMode);
    EXPECT_EQ(fixture.ui.cursors.back(), CursorKind::Arrow);
}

}  // namespace
}  // namespace vexa
