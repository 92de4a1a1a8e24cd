#include "session/timed_waits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "session/message_pump.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

using test::FakeEvent;

class TimedWaitsTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    test::FakeUi& ui = fixture.ui;
};

// A five-minute wait sleeps on every pass: no pass asks for a zero wait (a spin), the passes
// are few, and together they cover the wait to the millisecond.
TEST_F(TimedWaitsTest, LongWaitSleepsInsteadOfSpinning) {
    EXPECT_FALSE(WaitWithMessages(300));
    ASSERT_FALSE(ui.idleWaits.empty());
    EXPECT_TRUE(std::all_of(ui.idleWaits.begin(), ui.idleWaits.end(),
                            [](uint32_t ms) { return ms > 0 && ms <= kPumpIdleWaitMs; }));
    EXPECT_EQ(std::accumulate(ui.idleWaits.begin(), ui.idleWaits.end(), 0u), 300000u);
    EXPECT_EQ(ui.idleWaits.size(), 300000u / kPumpIdleWaitMs);
}

TEST_F(TimedWaitsTest, LastPassSleepsOnlyWhatIsLeft) {
    EXPECT_FALSE(WaitMillisecondsWithMessages(12));
    EXPECT_EQ(ui.idleWaits, (std::vector<uint32_t>{5, 5, 2}));
}

TEST_F(TimedWaitsTest, InputEndsTheWaitAtOnceWithOneBeep) {
    ui.pendingEvents = {FakeEvent::Other, FakeEvent::RightPress, FakeEvent::KeyPress};
    const uint32_t before = fixture.clock.Milliseconds();
    EXPECT_TRUE(WaitWithMessages(1));
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_LT(fixture.clock.Milliseconds() - before, 1000u);
    EXPECT_EQ(ui.dispatched.size(), 3u);  // every input is dispatched all the same
}

TEST_F(TimedWaitsTest, PumpPassesItsIdleBound) {
    PumpMessages(0);
    PumpMessages(1, 2);
    EXPECT_EQ(ui.idleWaits, (std::vector<uint32_t>{kPumpIdleWaitMs, 2}));
}

}  // namespace
}  // namespace vexa
