// The guider's arithmetic (window placement, error units, thresholds, backlash on reversal,
// pulse lengths, training results) and its training and correction on a scripted line, with
// synthetic stars drawn into the current image and the virtual clock timing the pulses.
#include "telescope/guider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "camera/capture_sequence.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "tests/unit/support/recording_camera.h"
#include "tests/unit/support/telescope_fixture.h"

namespace vexa {
namespace {

using test::SerialEvent;
using test::SerialOp;
using test::Wrote;

constexpr uint16_t kStarPeak = 30000;
constexpr uint16_t kSky = 100;
constexpr uint32_t kSlackMs = 3;

// A symmetric 3 x 3 star centred on window pixel (x, y) of the guide window around the
// picked star, its light scaled by brightness.
void DrawStar(int32_t x, int32_t y, double brightness = 1.0) {
    SessionState& s = Session();
    std::fill(s.currentImage.begin(), s.currentImage.end(), kSky);
    const int32_t cx = PlaceWindowAxis(s.guideStarX, s.geometry.width).corner + x;
    const int32_t cy = PlaceWindowAxis(s.guideStarY, s.geometry.height).corner + y;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int weight = (dx == 0 ? 2 : 1) * (dy == 0 ? 2 : 1);
            s.currentImage[static_cast<size_t>((cy + dy) * s.geometry.width + cx + dx)] =
                static_cast<uint16_t>(kSky + brightness * kStarPeak / 4 * weight);
        }
    }
}

struct Point {
    int32_t x;
    int32_t y;
};

// Guide frames that show the star at the next scripted window position, until the script ends.
class ScriptedFrames : public GuideFrameSource {
  public:
    GuideFrame NextFrame() override {
        if (next >= script.size()) return GuideFrame::Failed;
        DrawStar(script[next].x, script[next].y);
        ++next;
        return GuideFrame::Delivered;
    }
    void Stop() override { ++stops; }
    void RequestStop() override { ++stopRequests; }

    std::vector<Point> script;
    size_t next = 0;
    int stops = 0;
    int stopRequests = 0;
};

class GuiderTest : public ::testing::Test {
  protected:
    GuiderTest() {
        // The settings folder with its default file, where training saves its results.
        EXPECT_EQ(LoadSettings(), 0);
        Session().settings.ignoreSmallDrift = true;
        Session().guideStarX = 600;
        Session().guideStarY = 500;
    }
    // Every guide frame shows the star at the next scripted window position.
    void ScriptFrames(std::vector<Point> positions) {
        frames.script = std::move(positions);
        frames.next = 0;
    }
    // A new run on the scripted frames, the last one ended first.
    GuideRun& NewRun() {
        run.reset();
        run.emplace(frames, Pulses());
        return *run;
    }
    // Ready to correct: a guiding run with the window around the star, the reference at
    // (64, 64), the first frame to come.
    GuideRun& StartRun(int frameLimit = 0) {
        NewRun().BeginGuiding(frameLimit);
        return *run;
    }
    // The time from the write of `from` to the next write of `to`.
    uint32_t Gap(const std::string& from, const std::string& to) {
        const std::vector<SerialEvent>& events = line.events();
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i] != Wrote(from)) continue;
            for (size_t j = i + 1; j < events.size(); ++j) {
                if (events[j] == Wrote(to)) return fixture.TimeOf(j) - fixture.TimeOf(i);
            }
        }
        ADD_FAILURE() << from << " then " << to << " not written";
        return 0;
    }

    test::TelescopeFixture fixture;
    test::FakeSerialLine& line = fixture.line;
    ScriptedFrames frames;
    std::optional<GuideRun> run;
    // The link's pulses for the telescope type the test connected.
    GuidePulses& Pulses() { return fixture.link.Pulses(); }
};

TEST(GuideWindowTest, TheWindowStaysInsideTheImageAndTheStarKeepsItsPlace) {
    struct Case {
        int32_t p, extent, corner, coordinate;
    } cases[] = {
        {10, 1300, 0, 10},       {64, 1300, 0, 64},      {65, 1300, 1, 64},
        {600, 1300, 536, 64},    {1235, 1300, 1171, 64}, {1236, 1300, 1172, 64},
        {1290, 1300, 1172, 118}, {0, 515, 0, 0},         {514, 515, 387, 127},
    };
    for (const Case& c : cases) {
        const WindowAxis a = PlaceWindowAxis(c.p, c.extent);
        EXPECT_EQ(a.corner, c.corner) << c.p;
        EXPECT_EQ(a.coordinate, c.coordinate) << c.p;
    }
}

TEST(GuideStateTest, EachEventMovesARunOnlyWhereItAppliesAndAnEndedRunStaysEnded) {
    using S = GuideState;
    const GuideEvent events[] = {GuideEvent::TrainingStarts, GuideEvent::GuidingStarts,
                                 GuideEvent::ReferenceTaken, GuideEvent::StarLost,
                                 GuideEvent::Stop};
    struct Row {
        S from;
        bool underWay;
        std::array<S, std::size(events)> after;  // one state per event, in that order
    } rows[] = {
        {S::Idle, false, {S::Training, S::Acquiring, S::Idle, S::Idle, S::Idle}},
        {S::Training, true, {S::Training, S::Training, S::Training, S::Lost, S::Stopped}},
        {S::Acquiring, true, {S::Acquiring, S::Acquiring, S::Guiding, S::Lost, S::Stopped}},
        {S::Guiding, true, {S::Guiding, S::Guiding, S::Guiding, S::Lost, S::Stopped}},
        {S::Lost, false, {S::Lost, S::Lost, S::Lost, S::Lost, S::Lost}},
        {S::Stopped, false, {S::Stopped, S::Stopped, S::Stopped, S::Stopped, S::Stopped}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(GuideRunUnderWay(r.from), r.underWay) << static_cast<int>(r.from);
        for (size_t e = 0; e < std::size(events); ++e) {
            EXPECT_EQ(NextGuideState(r.from, events[e]), r.after[e])
                << static_cast<int>(r.from) << " event " << e;
        }
    }
}

TEST(GuideErrorTest, ErrorsAreNineteenthsOfAPixelWithTheTenthsTruncated) {
    struct Case {
        int32_t reference, found, tenths;
        int16_t units;
    } cases[] = {
        {64, 64, 0, 0}, {64, 63, 0, 19},  {64, 65, 0, -19}, {64, 64, 5, -9},
        {64, 63, 9, 2}, {64, 56, 0, 152}, {64, 63, 1, 18},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GuideErrorUnits(c.reference, c.found, c.tenths), c.units)
            << c.reference << " " << c.found << " " << c.tenths;
    }
}

TEST(AxisPulseTest, ThresholdsDirectionsBacklashRatesAndOffsets) {
    struct Case {
        const char* what;
        int16_t error;
        bool ignoreSmallDrift;
        int16_t rate, backlash, offsetMs;
        char last;
        char letter;  // 0: no pulse
        uint32_t pulseMs;
        char lastAfter;
    } cases[] = {
        {"one pixel is ignored", 19, true, 2, 0, 0, 'e', 0, 0, 'e'},
        {"20 units pulse", 20, true, 2, 0, 0, 'e', 'e', 10, 'e'},
        {"3 units without ignoring", 3, false, 2, 0, 0, 'e', 0, 0, 'e'},
        {"4 units without ignoring", 4, false, 2, 0, 0, 'e', 'e', 2, 'e'},
        {"negative goes west", -20, true, 2, 0, 0, 'w', 'w', 10, 'w'},
        {"reversal east adds backlash", 20, true, 2, 10, 0, 'w', 'e', 15, 'e'},
        {"same way no backlash", 20, true, 2, 10, 0, 'e', 'e', 10, 'e'},
        {"reversal west adds backlash", -20, true, 2, 10, 0, 'e', 'w', 15, 'w'},
        {"rate 0 taken as 1", 40, true, 0, 0, 0, 'e', 'e', 40, 'e'},
        {"offset eats the pulse", 20, true, 2, 0, 10, 'e', 0, 0, 'e'},
        {"offset shortens the pulse", 20, true, 2, 0, 5, 'e', 'e', 5, 'e'},
        {"a reversal is noted even without a pulse", 20, true, 2, 0, 12, 'w', 0, 0, 'e'},
        {"negative rate keeps the direction", 40, true, -4, 0, 0, 'e', 'e', 10, 'e'},
    };
    for (const Case& c : cases) {
        const AxisGuide axis{'e', 'w', c.rate, c.backlash, c.offsetMs, c.ignoreSmallDrift};
        char last = c.last;
        const std::optional<AxisPulse> pulse = DecideAxisPulse(c.error, axis, last);
        EXPECT_EQ(pulse.has_value(), c.letter != 0) << c.what;
        if (pulse) {
            EXPECT_EQ(pulse->letter, c.letter) << c.what;
            EXPECT_EQ(pulse->pulseMs, c.pulseMs) << c.what;
        }
        EXPECT_EQ(last, c.lastAfter) << c.what;
    }
}

TEST(TrainingResultTest, RatesAndBacklashFromTheRecordedCentres) {
    TrainingPositions p;
    // T = 2: the second east pulse moved the star 12 pixels, the second west one 10.
    p.x = {64, 70, 82, 80, 70};
    p.y = {64, 60, 56, 58, 62};
    const TrainingResult r = ComputeTrainingResult(p, 2);
    EXPECT_EQ(r.rateX, (12 + 10) / 4);
    EXPECT_EQ(r.backlashX, (6 + 10) / 4);
    EXPECT_EQ(r.rateY, 4 / 2);
    EXPECT_EQ(r.backlashY, 2 / 2);
    EXPECT_EQ(TrainingReport(r),
              "slewx =     5, slewy =     2\nbacklashx =     4, backlashy =     1");
}

TEST_F(GuiderTest, TrainingPulsesEachWayMeasuresAndStoresTheResults) {
    fixture.Connect();
    Session().guideTrainingSeconds = 1;
    Session().settings.decHysteresis = 4;
    DrawStar(64, 64);
    ScriptFrames({{64, 60}, {64, 56}, {64, 58}, {64, 62}, {69, 62}, {74, 62}, {71, 62}, {66, 62}});
    ASSERT_TRUE(NewRun().Train());

    // Read back from the settings file.
    Session().settings = PersistentSettings{};
    ASSERT_EQ(LoadSettings(), 0);
    const PersistentSettings& p = Session().settings;
    EXPECT_EQ(p.raPixelsPerSecond, 5);
    EXPECT_EQ(p.decPixelsPerSecond, 4);
    EXPECT_EQ(p.raBacklash, 2);
    EXPECT_EQ(p.decBacklash, 2);
    EXPECT_EQ(fixture.session.ui.LastText(),
              "slewx =     5, slewy =     4\nbacklashx =     2, backlashy =     2");
    std::vector<std::string> moves;
    for (const std::string& w : line.Writes()) {
        if (w.starts_with("#:M")) moves.push_back(w);
    }
    const std::vector<std::string> expected = {"#:Mn#", "#:Mn#", "#:Ms#", "#:Ms#",
                                               "#:Me#", "#:Me#", "#:Mw#", "#:Mw#"};
    EXPECT_EQ(moves, expected);
    // 19 x T ms less each axis's offset.
    EXPECT_GE(Gap("#:Mn#", "#:Qn#"), 15u);
    EXPECT_LE(Gap("#:Mn#", "#:Qn#"), 15u + kSlackMs);
    EXPECT_GE(Gap("#:Me#", "#:Qe#"), 19u);
    EXPECT_LE(Gap("#:Me#", "#:Qe#"), 19u + kSlackMs);
    EXPECT_EQ(run->State(), GuideState::Stopped);
}

TEST_F(GuiderTest, ARateOfZeroIsReportedButStoredAsOne) {
    fixture.Connect();
    // T = 2 and a pixel a pulse: the star moves, but the rates come out below one.
    Session().guideTrainingSeconds = 2;
    DrawStar(64, 64);
    ScriptFrames({{64, 63}, {64, 62}, {64, 63}, {64, 64}, {65, 64}, {66, 64}, {65, 64}, {64, 64}});
    ASSERT_TRUE(NewRun().Train());
    EXPECT_EQ(fixture.session.ui.LastText(),
              "slewx =     0, slewy =     0\nbacklashx =     0, backlashy =     0");
    EXPECT_EQ(Session().settings.raPixelsPerSecond, 1);
    EXPECT_EQ(Session().settings.decPixelsPerSecond, 1);
}

TEST(TrainingMotionTest, AnAxisOnWhichTheStarMovedLessThanAPixelIsNamed) {
    using Track = std::array<int32_t, kTrainingStepsPerAxis + 1>;
    constexpr Track kHeld{64, 64, 64, 64, 64};
    constexpr Track kMoved{64, 66, 68, 66, 64};
    constexpr Track kNone{};
    struct Case {
        const char* what;
        Track x, tenthsX, y, tenthsY;
        const char* axes;  // null: training stands
    } cases[] = {
        {"both moved", kMoved, kNone, kMoved, kNone, nullptr},
        {"east-west held", kHeld, kNone, kMoved, kNone, "east-west (RA)."},
        {"north-south held", kMoved, kNone, kHeld, kNone, "north-south (Dec)."},
        {"both held", kHeld, kNone, kHeld, kNone, "east-west (RA) and north-south (Dec)."},
        {"nine tenths is less than a pixel",
         kHeld,
         {0, 5, 9, 5, 0},
         kMoved,
         kNone,
         "east-west (RA)."},
        {"ten tenths across a whole pixel",
         {64, 64, 65, 64, 64},
         {3, 8, 3, 8, 3},
         kMoved,
         kNone,
         nullptr},
    };
    for (const Case& c : cases) {
        const TrainingPositions p{c.x, c.y, c.tenthsX, c.tenthsY};
        const std::string text = TrainingNoMotionText(TrainingAxesMoved(p));
        if (c.axes == nullptr) {
            EXPECT_EQ(text, "") << c.what;
        } else {
            EXPECT_NE(text.find(std::string("less than one pixel ") + c.axes), std::string::npos)
                << c.what << ": " << text;
        }
    }
}

TEST_F(GuiderTest, TrainingThatDidNotMoveTheStarKeepsTheSavedRatesAndFile) {
    fixture.Connect();
    PersistentSettings& p = Session().settings;
    p.raPixelsPerSecond = 7;
    p.decPixelsPerSecond = 6;
    p.decBacklash = 3;
    p.decHysteresis = 19;  // takes the whole of every 19 ms Dec pulse: none is sent
    ASSERT_EQ(SaveSettings(), 0);
    const auto fileBytes = [this] {
        std::ifstream in(std::filesystem::path(fixture.session.root) / "autosave" / "Vexa_Q4.ini",
                         std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = fileBytes();
    p.raPixelsPerSecond = 8;  // in the session only: the file must not be written

    DrawStar(64, 64);
    ScriptFrames({{64, 64}, {64, 64}, {64, 64}, {64, 64}, {69, 64}, {74, 64}, {71, 64}, {66, 64}});
    EXPECT_FALSE(NewRun().Train());
    const std::string shown = fixture.session.ui.LastText();
    EXPECT_NE(shown.find("less than one pixel north-south (Dec)."), std::string::npos) << shown;
    EXPECT_NE(shown.find("check the mount and its connection"), std::string::npos);
    EXPECT_EQ(p.raPixelsPerSecond, 8);
    EXPECT_EQ(p.decPixelsPerSecond, 6);
    EXPECT_EQ(p.decBacklash, 3);
    EXPECT_EQ(fileBytes(), before);
    const std::vector<std::string> writes = line.Writes();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), "#:Mn#"), 0);
    EXPECT_EQ(std::count(writes.begin(), writes.end(), "#:Me#"), 2);
}

TEST_F(GuiderTest, ALostStarOrAFailedFrameStopsTrainingWithNothingStored) {
    fixture.Connect();
    Session().settings.raPixelsPerSecond = 7;
    // A star 10 pixels from the top: the first north pulse takes it to 6, where the second
    // search's box leaves the window.
    Session().guideStarY = 10;
    DrawStar(64, 10);
    ScriptFrames({{64, 6}});
    EXPECT_FALSE(NewRun().Train());
    EXPECT_EQ(fixture.session.ui.LastText(), "Find centre failed - outside image area");
    EXPECT_EQ(Session().settings.raPixelsPerSecond, 7);
    EXPECT_EQ(line.Writes().size(), 3u);  // one pulse, nothing after

    // A frame that does not come (aborted, failed readout) stops it as well.
    line.ClearEvents();
    Session().guideStarY = 500;
    DrawStar(64, 64);
    ScriptFrames({{64, 60}});
    EXPECT_FALSE(NewRun().Train());
    EXPECT_EQ(Session().settings.raPixelsPerSecond, 7);
    EXPECT_EQ(line.Writes().size(), 6u);
}

TEST_F(GuiderTest, ACorrectionPulsesEachAxisTowardsTheReference) {
    fixture.Connect();
    Session().settings.raPixelsPerSecond = 2;
    Session().settings.decPixelsPerSecond = 2;
    Session().telescope.lastEastWest = 'e';
    Session().telescope.lastNorthSouth = 'n';
    StartRun();

    DrawStar(62, 64);  // two pixels left of the reference: 38 units east, 19 ms
    ASSERT_TRUE(run->CorrectionStep());
    EXPECT_EQ(line.Writes(), (std::vector<std::string>{"#:RG#", "#:Me#", "#:Qe#"}));
    EXPECT_GE(Gap("#:Me#", "#:Qe#"), 19u);
    EXPECT_LE(Gap("#:Me#", "#:Qe#"), 19u + kSlackMs);

    line.ClearEvents();
    DrawStar(64, 62);  // two pixels up: north
    ASSERT_TRUE(run->CorrectionStep());
    EXPECT_EQ(line.Writes(), (std::vector<std::string>{"#:RG#", "#:Mn#", "#:Qn#"}));

    line.ClearEvents();
    DrawStar(63, 65);  // one pixel each way: below the threshold
    ASSERT_TRUE(run->CorrectionStep());
    EXPECT_TRUE(line.Writes().empty());
    EXPECT_EQ(run->Track().errorX, 19);
    EXPECT_EQ(run->Track().errorY, -19);
}

TEST_F(GuiderTest, AReversalAddsTheBacklashBeforeTheDivision) {
    fixture.Connect();
    Session().settings.raPixelsPerSecond = 2;
    Session().settings.raBacklash = 10;
    Session().telescope.lastEastWest = 'w';
    StartRun();
    DrawStar(62, 64);
    ASSERT_TRUE(run->CorrectionStep());
    EXPECT_GE(Gap("#:Me#", "#:Qe#"), 24u);  // (38 + 10) / 2
    EXPECT_LE(Gap("#:Me#", "#:Qe#"), 24u + kSlackMs);
    EXPECT_EQ(Session().telescope.lastEastWest, 'e');
}

TEST_F(GuiderTest, AnErrorAbove150UnitsSendsNothing) {
    fixture.Connect();
    StartRun();
    DrawStar(72, 64);  // 8 pixels: 152 units
    ASSERT_TRUE(run->CorrectionStep());
    EXPECT_TRUE(line.Writes().empty());
    EXPECT_EQ(run->Track().errorX, -152);
}

TEST_F(GuiderTest, TheControlBoxGetsItsPulseBytes) {
    fixture.Connect(TelescopeType::ControlBox);
    Session().telescope.lastEastWest = 'e';
    StartRun();
    DrawStar(62, 64);
    ASSERT_TRUE(run->CorrectionStep());
    EXPECT_EQ(line.Writes(), (std::vector<std::string>{"\x01", "\x11", std::string(1, '\0')}));
}

TEST_F(GuiderTest, AStarAtTheWindowEdgeIsLostAndStopsTheRunWithAMessage) {
    fixture.Connect();
    Session().guideStarX = 3;  // the window's reference 3 pixels from its edge
    StartRun();
    DrawStar(3, 64);
    EXPECT_FALSE(run->CorrectionStep());
    EXPECT_EQ(run->State(), GuideState::Lost);
    EXPECT_TRUE(line.Writes().empty());
    EXPECT_EQ(fixture.session.ui.LastText(), kGuideStarLostText);
}

TEST_F(GuiderTest, AStarThatIsNotThereOrChangedItsLightIsLostAndStopsTheRun) {
    fixture.Connect();
    struct Case {
        const char* what;
        Point at;  // window position of the second frame's star; {0, 0}: no star
        double brightness;
        bool lost;
    } cases[] = {
        {"the same star a pixel away", {65, 64}, 1.0, false},
        {"four per cent fainter", {64, 64}, 0.96, false},
        {"seven per cent brighter", {64, 64}, 1.07, true},
        {"drifted out of the search box", {80, 80}, 1.0, true},
        {"gone", {0, 0}, 1.0, true},
    };
    for (const Case& c : cases) {
        StartRun();
        fixture.session.ui.messages.clear();
        DrawStar(64, 64);
        EXPECT_TRUE(run->FrameArrived()) << c.what;
        DrawStar(c.at.x, c.at.y, c.at.x == 0 ? 0.0 : c.brightness);
        const bool goesOn = run->FrameArrived();
        EXPECT_EQ(run->State() == GuideState::Lost, c.lost) << c.what;
        EXPECT_EQ(goesOn, !c.lost) << c.what;
        EXPECT_EQ(run->Info().frames, c.lost ? 1 : 2) << c.what;
        EXPECT_EQ(fixture.session.ui.LastText(),
                  c.lost ? CatalogueText(MessageCode::GuideStarLost) : std::string())
            << c.what;
    }
}

TEST_F(GuiderTest, AStarThatDriftedAwaySincePickingIsLostOnTheFirstFrame) {
    fixture.Connect();
    StartRun();
    DrawStar(80, 80);  // 16 pixels from where it was picked, beyond the search box
    EXPECT_FALSE(run->FrameArrived());
    EXPECT_EQ(run->State(), GuideState::Lost);
    EXPECT_EQ(fixture.session.ui.guidingInfoOpened, 0);
    EXPECT_TRUE(line.Writes().empty());
}

TEST_F(GuiderTest, GuideFramesSetTheReferenceShowTheFiguresAndStopAtTheLimit) {
    fixture.Connect();
    StartRun(3);
    const Point stars[] = {{65, 63}, {67, 63}, {65, 64}};
    std::vector<bool> goesOn;
    for (const Point& f : stars) {
        DrawStar(f.x, f.y);
        goesOn.push_back(run->FrameArrived());
    }
    const test::FakeUi& ui = fixture.session.ui;
    EXPECT_EQ(ui.guidingInfoOpened, 1);
    ASSERT_EQ(ui.guidingInfos.size(), 3u);
    EXPECT_EQ(run->Track().referenceX, 65);  // the first frame's star
    EXPECT_EQ(run->Track().referenceY, 63);
    const GuidingInfo& last = ui.guidingInfos.back();
    EXPECT_EQ(ui.guidingInfos[1].x, "67.0");
    EXPECT_EQ(ui.guidingInfos[1].dx, "-2.0");
    EXPECT_EQ(last.dy, "-1.0");
    EXPECT_NEAR(last.rmsXPx, std::sqrt(4.0 / 3), 1e-9);
    EXPECT_NEAR(last.rmsYPx, std::sqrt(1.0 / 3), 1e-9);
    EXPECT_NEAR(last.rmsTotalPx, std::sqrt(5.0 / 3), 1e-9);
    EXPECT_EQ(goesOn, (std::vector<bool>{true, true, false}));
}

TEST_F(GuiderTest, AnAbortedFrameIsNotCorrected) {
    fixture.Connect();
    StartRun();
    const CaptureAbortScope capture;
    fixture.session.ui.pendingEvents.push_back(test::FakeEvent::KeyPress);
    DrawStar(60, 64);
    EXPECT_FALSE(run->FrameArrived());
    EXPECT_TRUE(line.Writes().empty());
    EXPECT_TRUE(fixture.session.ui.guidingInfos.empty());
    // The abort stopped the run and asked its frames to stop.
    EXPECT_EQ(run->State(), GuideState::Stopped);
    EXPECT_EQ(frames.stopRequests, 1);
}

TEST_F(GuiderTest, GuidingPullsFramesUntilItsLimitOrTheSourceEndsThenStopsTheSource) {
    fixture.Connect();
    ScriptFrames({{64, 64}, {65, 64}, {64, 65}, {64, 64}});
    EXPECT_TRUE(NewRun().Guide(3));
    EXPECT_EQ(frames.next, 3u);
    EXPECT_EQ(frames.stops, 1);
    EXPECT_EQ(run->Info().frames, 3);
    EXPECT_EQ(fixture.session.ui.LastText(), "AutoGuiding Terminated");

    ScriptFrames({{64, 64}});
    EXPECT_TRUE(NewRun().Guide(0));
    EXPECT_EQ(run->Info().frames, 1);
    EXPECT_EQ(frames.stops, 2);
    EXPECT_FALSE(run->Guide(0));  // a run that ended does not start again
}

TEST_F(GuiderTest, WithoutATelescopeOrALineTheCommandsEndBeforeAnyFrame) {
    SessionState& s = Session();
    test::RecordingCamera recording;
    Camera camera(recording);
    s.settings.telescopeType = TelescopeType::None;
    CmdTrainAutoGuiding(&camera, &fixture.link);
    CmdStartAutoGuiding(&camera, &fixture.link);
    EXPECT_TRUE(fixture.session.ui.messages.empty());
    EXPECT_TRUE(line.events().empty());

    line.SetResult(SerialOp::Open, Status(StatusCode::NotFound, "no such device"));
    for (void (*command)(Camera*, MountLink*) : {CmdTrainAutoGuiding, CmdStartAutoGuiding}) {
        s.settings.telescopeType = TelescopeType::Lx200;
        fixture.link.Close();
        command(&camera, &fixture.link);
        EXPECT_EQ(fixture.session.ui.LastText(), "Sorry. No Connection to Telescope");
        EXPECT_EQ(s.settings.telescopeType, TelescopeType::None);
    }
    EXPECT_EQ(recording.discoveries, 0);  // no frame was asked for
    // No guide run outlived the commands: an abort leaves Continuous Mode alone.
    s.continuousCapture = true;
    PerformAbort(1);
    EXPECT_TRUE(s.continuousCapture);
}

}  // namespace
}  // namespace vexa
