#include <gtest/gtest.h>

#include "camera/camera_guide_frames.h"
#include "camera/capture_sequence.h"
#include "session/message_pump.h"
#include "session/session_state.h"
#include "telescope/guider.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/no_guide_pulses.h"

namespace vexa {
namespace {

using test::FakeEvent;

class PumpTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    const CaptureAbortScope capture;

    void SetUp() override {
        s.seriesCount = 7;
        s.abortRequested = 0;
        s.continuousRunning = 1;
        s.continuousCapture = true;
        s.exposureDeadlineMs = 999999;
        s.focusWindowX = 10;
        s.focusWindowY = 20;
        fixture.clock.SetMilliseconds(123456);
    }
    void ExpectCommonAbortSteps() {
        EXPECT_EQ(s.continuousRunning, 0);
        EXPECT_EQ(s.exposureDeadlineMs, 123456u);
        EXPECT_EQ(fixture.ui.beeps, 1);
        EXPECT_EQ(s.focusWindowX, 586);
        EXPECT_EQ(s.focusWindowY, 451);
    }
};

TEST_F(PumpTest, KeyPressWithStopSeriesStopsTheWholeSeries) {
    fixture.ui.pendingEvents = {FakeEvent::KeyPress};
    PumpMessages(1);
    EXPECT_EQ(s.seriesCount, 1);
    EXPECT_EQ(s.abortRequested, 1);
    EXPECT_TRUE(s.continuousCapture);  // not guiding: the continuous setting stays
    ExpectCommonAbortSteps();
    EXPECT_EQ(fixture.ui.dispatched.size(), 1u);
}

TEST_F(PumpTest, ButtonPressWithoutStopSeriesEndsTheCountOnly) {
    fixture.ui.pendingEvents = {FakeEvent::LeftPress};
    PumpMessages(0);
    EXPECT_EQ(s.seriesCount, 0);
    EXPECT_EQ(s.abortRequested, 0);
    ExpectCommonAbortSteps();
}

TEST_F(PumpTest, AbortWhileGuidingClearsContinuousCaptureThenGuiding) {
    CaptureGuideFrames frames(nullptr, GuideFrameKind::Guiding);
    test::NoGuidePulses pulses;
    GuideRun guiding(frames, pulses);
    guiding.BeginGuiding(0);
    fixture.ui.pendingEvents = {FakeEvent::RightPress};
    PumpMessages(1);
    EXPECT_FALSE(s.continuousCapture);
    EXPECT_EQ(guiding.State(), GuideState::Stopped);
    ExpectCommonAbortSteps();
}

TEST_F(PumpTest, OtherMessagesAreDispatchedWithoutAbort) {
    fixture.ui.pendingEvents = {FakeEvent::Other, FakeEvent::Other};
    PumpMessages(1);
    EXPECT_EQ(fixture.ui.dispatched.size(), 2u);
    EXPECT_EQ(s.seriesCount, 7);
    EXPECT_EQ(s.continuousRunning, 1);
    EXPECT_EQ(fixture.ui.beeps, 0);
    EXPECT_EQ(s.focusWindowX, 10);
}

TEST_F(PumpTest, AbortHappensBeforeTheMessageIsDispatched) {
    int seriesSeenByHandler = -1;
    fixture.ui.onDispatch = [&] { seriesSeenByHandler = s.seriesCount; };
    fixture.ui.pendingEvents = {FakeEvent::KeyPress};
    PumpMessages(0);
    EXPECT_EQ(seriesSeenByHandler, 0);
}

TEST_F(PumpTest, AbortResetsTheFocusWindowForHalfGeometry) {
    s.geometryMode = 1;
    ApplyGeometry();
    PerformAbort(0);
    EXPECT_EQ(s.focusWindowX, 261);
    EXPECT_EQ(s.focusWindowY, 193);
}

TEST_F(PumpTest, AbortReachesEveryRunningScopeInnermostFirstAndOnlyWhileItRuns) {
    std::string order;
    {
        const AbortScope outer([&](int16_t) { order += 'o'; });
        const AbortScope inner([&](int16_t stop) { order += stop == 1 ? 'I' : 'i'; });
        PerformAbort(1);
    }
    PerformAbort(0);
    EXPECT_EQ(order, "Io");
}

}  // namespace
}  // namespace vexa
