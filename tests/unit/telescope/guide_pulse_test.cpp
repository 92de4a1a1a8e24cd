// Guide pulses and the control box on a scripted line, timed on the virtual clock (1 ms per
// reading, so the spin waits end and every operation's time is known to a few ms).
#include "telescope/guide_pulse.h"

#include <gtest/gtest.h>

#include "telescope/control_box.h"
#include "tests/unit/support/telescope_fixture.h"

namespace vexa {
namespace {

using test::Controlled;
using test::Flushed;
using test::SerialEvent;
using test::SerialOp;
using test::Set;
using test::Wrote;

// The clock reading moves by one for every reading the spin itself takes, so a wait of t ms
// shows as t to t + 3 ms between two operations.
constexpr uint32_t kSlackMs = 3;

class GuidePulseTest : public ::testing::Test {
  protected:
    test::TelescopeFixture fixture;
    test::FakeSerialLine& line = fixture.line;

    void ExpectGap(size_t from, size_t to, uint32_t ms) {
        const uint32_t gap = fixture.TimeOf(to) - fixture.TimeOf(from);
        EXPECT_GE(gap, ms) << "events " << from << " to " << to;
        EXPECT_LE(gap, ms + kSlackMs) << "events " << from << " to " << to;
    }
};

TEST_F(GuidePulseTest, Lx200PulseSetsTheGuideRateThenMovesForItsDuration) {
    fixture.Connect();
    EXPECT_TRUE(SendLx200GuidePulse(fixture.mount, 'e', 250).ok());
    const std::vector<SerialEvent> expected = {Wrote("#:RG#"), Wrote("#:Me#"), Wrote("#:Qe#")};
    EXPECT_EQ(line.events(), expected);
    ExpectGap(0, 1, kLx200PulseLeadMs);
    ExpectGap(1, 2, 250);
}

TEST_F(GuidePulseTest, Lx200NorthPulseRaisesTheModemLinesOnceMore) {
    fixture.Connect();
    EXPECT_TRUE(SendLx200GuidePulse(fixture.mount, 'n', 40).ok());
    const std::vector<SerialEvent> expected = {Wrote("#:RG#"), Controlled(), Wrote("#:Mn#"),
                                               Wrote("#:Qn#")};
    EXPECT_EQ(line.events(), expected);
    ExpectGap(0, 2, kLx200PulseLeadMs);
}

TEST_F(GuidePulseTest, TheLinksPulsesFollowTheDirectionAndTheTelescopeType) {
    fixture.Connect();
    EXPECT_TRUE(fixture.link.Pulses().Pulse('s', 10).ok());
    EXPECT_EQ(line.Writes()[1], "#:Ms#");

    line.ClearEvents();
    Session().settings.telescopeType = TelescopeType::ControlBox;
    EXPECT_TRUE(fixture.link.Pulses().Pulse('s', 10).ok());
    const std::vector<std::string> expected = {"\x04", "\x14", std::string(1, '\0')};
    EXPECT_EQ(line.Writes(), expected);
}

TEST_F(GuidePulseTest, ControlBoxPulseWritesDirectionDriveAndStopBytes) {
    fixture.Connect(TelescopeType::ControlBox);
    struct Case {
        char letter;
        char direction;
        char drive;
    };
    for (const Case& c : {Case{'e', 1, 17}, Case{'n', 2, 18}, Case{'s', 4, 20}, Case{'w', 8, 24}}) {
        line.ClearEvents();
        fixture.times.clear();
        EXPECT_TRUE(SendControlBoxPulse(fixture.mount, c.letter, 120).ok());
        const std::vector<std::string> expected = {std::string(1, c.direction),
                                                   std::string(1, c.drive), std::string(1, '\0')};
        EXPECT_EQ(line.Writes(), expected) << c.letter;
        ExpectGap(0, 1, kBoxPulseLeadMs);
        ExpectGap(1, 2, 120);
    }
}

TEST_F(GuidePulseTest, AnUnknownDirectionSendsNothing) {
    fixture.Connect();
    EXPECT_TRUE(SendLx200GuidePulse(fixture.mount, 'x', 100).ok());
    EXPECT_TRUE(SendControlBoxPulse(fixture.mount, '?', 100).ok());
    EXPECT_TRUE(line.events().empty());
}

TEST_F(GuidePulseTest, TheStopIsTriedEvenWhenTheMoveCouldNotBeWritten) {
    fixture.Connect();
    line.SetResult(SerialOp::Write, Status(StatusCode::Timeout, "line blocked"));
    EXPECT_EQ(SendLx200GuidePulse(fixture.mount, 'w', 50).code(), StatusCode::Timeout);
    const std::vector<std::string> expected = {"#:RG#", "#:Qw#"};
    EXPECT_EQ(line.Writes(), expected);
    line.ClearEvents();
    EXPECT_EQ(SendControlBoxPulse(fixture.mount, 'w', 50).code(), StatusCode::Timeout);
    EXPECT_EQ(line.Writes(), (std::vector<std::string>{"\x08", std::string(1, '\0')}));
}

TEST_F(GuidePulseTest, ControlBoxInitialisationSettlesTheLineTwiceThenSendsItsBytes) {
    fixture.Connect(TelescopeType::ControlBox);
    EXPECT_TRUE(InitialiseControlBox(fixture.mount).ok());
    const std::string zero(1, '\0');
    const std::vector<SerialEvent> expected = {
        Flushed(SerialQueue::Transmit),
        Flushed(SerialQueue::Receive),
        Set("COM1:300,n,8,1"),
        Set("COM1:300,n,8,1"),
        Wrote("\r"),
        Wrote(zero),
        Controlled(),
        Wrote(zero),
        Controlled(),
    };
    EXPECT_EQ(line.events(), expected);
    ExpectGap(2, 3, kBoxSettleMs);
    ExpectGap(3, 4, kBoxSettleMs);
}

TEST_F(GuidePulseTest, ControlBoxMoveDrivesUntilReleaseAndIgnoresASecondPress) {
    fixture.Connect(TelescopeType::ControlBox);
    EXPECT_TRUE(StartControlBoxMove(fixture.mount, 'w').ok());
    EXPECT_TRUE(StartControlBoxMove(fixture.mount, 'e').ok());
    EXPECT_TRUE(Session().telescope.moving);
    EXPECT_TRUE(StopControlBoxMove(fixture.mount).ok());
    EXPECT_TRUE(StopControlBoxMove(fixture.mount).ok());
    const std::vector<std::string> expected = {"\x08", "\x18", std::string(1, '\0')};
    EXPECT_EQ(line.Writes(), expected);
    ExpectGap(0, 1, kBoxDriveDelayMs);
}

}  // namespace
}  // namespace vexa
