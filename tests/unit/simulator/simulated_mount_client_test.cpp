// The simulated mount as an LX200 client such as INDI's LX200 drivers sees it: the site, time
// and date questions, the precision toggle, slew progress, sync and timed pulses, each answered
// in the LX200's own shapes.
#include <gtest/gtest.h>

#include <string>

#include "simulator/simulated_mount.h"
#include "tests/unit/simulator/simulator_test_support.h"

namespace vexa {
namespace {

constexpr double kTolerancePx = 0.01;
// 2024-03-20 12:34:56 UTC, and the J2000 epoch (2000-01-01 12:00 UTC).
constexpr std::time_t kSpringDay = 1710938096;
constexpr std::time_t kJ2000 = 946728000;

std::string Text(std::string words) {
    words.resize(kMountTextChars, ' ');
    return words;
}

class SimulatedMountClientTest : public test::ClockFixture {
  protected:
    // Latitude 52 N, longitude 71.5 W, pointing at M42.
    static MountConfig Config() {
        MountConfig config;
        config.kind = MountKind::Lx200;
        config.latitudeDegrees = 52.0;
        config.longitudeDegrees = -71.5;
        config.startRaHours = 5.5881;
        config.startDecDegrees = -5.3911;
        return config;
    }
    std::string Send(SimulatedMount& mount, const std::string& bytes, uint32_t thenMs = 0) {
        std::string reply = mount.Receive(bytes);
        clock.Advance(thenMs);
        return reply;
    }
};

TEST_F(SimulatedMountClientTest, AnswersTheSiteTimeAndDateQuestions) {
    struct Case {
        std::time_t calendar;
        const char* command;
        std::string reply;
    };
    const Case cases[] = {
        {kSpringDay, ":Gc#", "24#"},
        {kSpringDay, ":GM#", "Vexa simulated mount#"},
        {kSpringDay, ":GT#", "60.1#"},
        {kSpringDay, ":Gt#", "+52*00#"},
        {kSpringDay, ":Gg#", "071*30#"},  // LX200 longitudes grow westward
        {kSpringDay, ":GG#", "+00#"},
        {kSpringDay, ":GL#", "12:34:56#"},
        {kSpringDay, ":GC#", "03/20/24#"},
        // Greenwich sidereal time at the J2000 epoch is 18h41m50.5s; 71.5 W is 4h46m earlier.
        {kJ2000, ":GS#", "13:55:51#"},
        {kSpringDay, ":SC03/20/24#", "1" + Text("Updating Planetary Data") + "#" + Text("") + "#"},
        {kSpringDay, ":SG+05.0#", "1"},
        {kSpringDay, ":St+52*00#", "1"},
        {kSpringDay, ":Sg071*30#", "1"},
        {kSpringDay, ":SL12:34:56#", "1"},
        {kSpringDay, ":XY#", ""},  // unknown: no answer
    };
    SimulatedMount mount(Config());
    for (const Case& c : cases) {
        clock.SetCalendar(c.calendar);
        EXPECT_EQ(Send(mount, c.command), c.reply) << c.command;
    }
}

TEST_F(SimulatedMountClientTest, UTogglesThePrecisionOfEveryPosition) {
    struct Case {
        const char* commands;
        const char* reply;
    };
    const Case cases[] = {
        {":GR#:GD#", "05:35.3#-05*23#"},
        {":U#:GR#:GD#", "05:35:17#-05*23:28#"},
        {":Sr 10:20:30#:Sd+45*30:15#:Gr#:Gd#", "1110:20:30#+45*30:15#"},
        {":U#:Gr#:Gd#:GR#", "10:20.5#+45*30#05:35.3#"},
    };
    SimulatedMount mount(Config());
    EXPECT_FALSE(mount.HighPrecision());
    for (const Case& c : cases) EXPECT_EQ(Send(mount, c.commands), c.reply) << c.commands;
    EXPECT_FALSE(mount.HighPrecision());
}

TEST_F(SimulatedMountClientTest, DShowsTheSlewUntilItEnds) {
    MountConfig config = Config();
    config.gotoDegreesPerS = 1.0;
    SimulatedMount mount(config);
    EXPECT_EQ(Send(mount, ":D#"), "#");
    EXPECT_EQ(Send(mount, ":Sr 05:35:17#:Sd -03*23:28#:MS#:D#", 1000), "110|#");
    EXPECT_EQ(Send(mount, ":D#", 1001), "|#");  // 1 of 2 degrees
    EXPECT_EQ(Send(mount, ":D#:U#:GD#"), "#-03*23:28#");
    EXPECT_FALSE(mount.Slewing());
}

TEST_F(SimulatedMountClientTest, CmSyncsOnTheTargetWithoutMoving) {
    SimulatedMount mount(Config());
    const std::string matched = Text("Coordinates     matched.") + "#";
    EXPECT_EQ(Send(mount, ":CM#"), matched);  // no target yet: the position stays
    EXPECT_NEAR(mount.RaHours(), 5.5881, 1e-9);
    EXPECT_EQ(Send(mount, ":U#:Sr 03:30:00#:Sd -20*15:00#:CM#:GR#:GD#"),
              "11" + matched + "03:30:00#-20*15:00#");
    EXPECT_FALSE(mount.Moving());
    EXPECT_EQ(mount.FieldShiftXPx(), 0.0);
    EXPECT_EQ(mount.FieldShiftYPx(), 0.0);
}

TEST_F(SimulatedMountClientTest, TimedPulsesMoveAtTheGuideRateForTheirTime) {
    struct Case {
        const char* pulse;
        double dxPx;  // at 5 px/s; north moves the field up (-y)
        double dyPx;
    };
    const Case cases[] = {
        {":Mgn1000#", 0.0, -5.0}, {":Mgs0500#", 0.0, 2.5},    {":Mge0200#", 1.0, 0.0},
        {":Mgw1000#", -5.0, 0.0}, {":Mgn10000#", 0.0, -50.0}, {":Mgx0100#", 0.0, 0.0},
        {":Mgn#", 0.0, 0.0},      {":Mgn01a0#", 0.0, 0.0},    {":Mgn123456#", 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SimulatedMount mount(Config());
        EXPECT_EQ(Send(mount, c.pulse, 300), "") << c.pulse;
        Send(mount, "", 20000);  // seldom serviced: the pulse still lasts its time only
        Send(mount, "");
        EXPECT_NEAR(mount.FieldShiftXPx(), c.dxPx, kTolerancePx) << c.pulse;
        EXPECT_NEAR(mount.FieldShiftYPx(), c.dyPx, kTolerancePx) << c.pulse;
    }
    // Both axes at once, and the position follows the field (2 arcsec per pixel).
    SimulatedMount mount(Config());
    Send(mount, ":Mge0400#:Mgs0800#", 1000);
    Send(mount, "");
    EXPECT_NEAR(mount.FieldShiftXPx(), 2.0, kTolerancePx);
    EXPECT_NEAR(mount.FieldShiftYPx(), 4.0, kTolerancePx);
    EXPECT_NEAR((mount.DecDegrees() + 5.3911) * 3600, -8.0, 1e-6);
    EXPECT_NEAR((mount.RaHours() - 5.5881) * 15 * 3600, 4.0, 1e-6);
}

}  // namespace
}  // namespace vexa
