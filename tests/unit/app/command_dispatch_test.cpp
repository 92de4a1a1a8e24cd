#include "app/command_dispatch.h"

#include <gtest/gtest.h>

#include <set>

#include "processing/undo_history.h"
#include "resources/command_table.h"
#include "session/session_state.h"
#include "telescope/mount_link.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

const std::set<int32_t> kBuiltNow = {
    // spine, settings, display, undo and history
    121, 21, 25, 26, 24310, 9, 17, 301, 303, 118, 119, 123, 302,
    // image files
    24332, 24333, 24334, 24335, 24336, 24337, 13, 19, 104, 122, 20,
    // contrast stretches and auto-processing
    1, 2, 101, 120, 117, 102, 103, 105, 24324,
    // label, clipboard, printing, help and about
    8, 17999, 116, 114, 112, 113,
    // photometry and the analysis displays
    14, 6, 15, 16,
    // filters, calibration and merging
    106, 107, 108, 109, 3, 4, 5, 7, 18, 110, 115, 111,
    // the camera, the telescope and guiding
    12, 24, 22, 23};

class CommandDispatchTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
};

TEST_F(CommandDispatchTest, CopyNeedsADisplayBitmap) {
    EXPECT_FALSE(CommandRuleStatus(17999).enabled);
    s.displayBitmapExists = true;
    EXPECT_TRUE(CommandRuleStatus(17999).enabled);
}

TEST_F(CommandDispatchTest, TelescopeTypeNoneGreysTheTelescopeItems) {
    s.settings.telescopeType = TelescopeType::None;
    for (int32_t id : {22, 23, 24}) EXPECT_FALSE(CommandRuleStatus(id).enabled) << id;
    s.settings.telescopeType = TelescopeType::Lx200;
    for (int32_t id : {22, 23, 24}) EXPECT_TRUE(CommandRuleStatus(id).enabled) << id;
    EXPECT_TRUE(QueryCommand(22).enabled);
}

TEST_F(CommandDispatchTest, TelescopeCommandsConnectThroughTheFrontEndsMountLink) {
    int linesMade = 0;
    MountLink mount([&linesMade] {
        ++linesMade;
        return std::unique_ptr<SerialLine>();
    });
    for (int32_t id : {cmd::kTelescopeControl, cmd::kStartAutoGuiding, cmd::kTrainAutoGuiding}) {
        for (MountLink* link : {static_cast<MountLink*>(nullptr), &mount}) {
            s.settings.telescopeType = TelescopeType::Lx200;
            linesMade = 0;
            EXPECT_TRUE(ExecuteCommand(id, {nullptr, link}));
            EXPECT_EQ(linesMade, link ? 1 : 0) << id;
            EXPECT_EQ(fixture.ui.LastText(), "Sorry. No Connection to Telescope") << id;
            EXPECT_EQ(s.settings.telescopeType, TelescopeType::None) << id;
        }
    }
}

TEST_F(CommandDispatchTest, ViewTogglesAreCheckedFromTheirFlags) {
    for (int32_t id : {301, 303, 118, 119}) EXPECT_FALSE(QueryCommand(id).checked);
    s.fitToWindow = true;
    s.falseColour = true;
    EXPECT_TRUE(QueryCommand(301).checked);
    EXPECT_FALSE(QueryCommand(303).checked);
    EXPECT_TRUE(QueryCommand(118).checked);
    EXPECT_FALSE(QueryCommand(119).checked);
    s.centreImage = true;
    s.autoContrast = true;
    EXPECT_TRUE(QueryCommand(303).checked);
    EXPECT_TRUE(QueryCommand(119).checked);
    EXPECT_TRUE(QueryCommand(301).enabled);
}

TEST_F(CommandDispatchTest, OnlyTheCommandsBuiltNowAreImplemented) {
    s.displayBitmapExists = true;                     // so that Copy's own rule allows it
    s.settings.telescopeType = TelescopeType::Lx200;  // and the telescope items theirs
    for (const CommandEntry& entry : CommandTable()) {
        EXPECT_EQ(CommandImplemented(entry.id), kBuiltNow.count(entry.id) == 1) << entry.id;
        EXPECT_EQ(QueryCommand(entry.id).enabled, kBuiltNow.count(entry.id) == 1) << entry.id;
    }
    EXPECT_FALSE(CommandImplemented(9999));
}

TEST_F(CommandDispatchTest, UnbuiltAndUnknownCommandsDoNothing) {
    for (int32_t id : {22, 23, 24, 9999, 0, -1}) {
        EXPECT_FALSE(ExecuteCommand(id)) << id;
    }
    EXPECT_TRUE(fixture.ui.messages.empty());
    EXPECT_FALSE(s.photometryMode);
}

TEST_F(CommandDispatchTest, SpineCommandsRunThroughTheDispatch) {
    s.settings.guideStarMaskRadius = 6;
    EXPECT_TRUE(ExecuteCommand(21));
    EXPECT_TRUE(s.pickGuideStarMode);
    EXPECT_EQ(s.measureBoxHalfSize, 6);
    EXPECT_TRUE(ExecuteCommand(25));
    EXPECT_TRUE(s.focusCentrePickMode);
    s.focusWindowX = 1;
    EXPECT_TRUE(ExecuteCommand(26));
    EXPECT_EQ(s.focusWindowX, 586);
    EXPECT_TRUE(ExecuteCommand(24310));
    EXPECT_EQ(fixture.ui.exitRequests, 1);
    AppendHistory("Normal Stretch");
    EXPECT_TRUE(ExecuteCommand(17));
    EXPECT_EQ(fixture.ui.messages.back().caption, "VEXA_Q4 - PROCESSING HISTORY");
    s.undoImage[10] = 42;
    EXPECT_TRUE(ExecuteCommand(9));
    EXPECT_EQ(s.currentImage[10], 42);
    EXPECT_EQ(s.historyLines[0][0], '\0');
}

// Every menu command in every interaction mode, both geometries, with and without a
// telescope: nothing crashes and the dispatch answers as the enablers say.
TEST_F(CommandDispatchTest, EveryCommandInEveryModeIsSafe) {
    // Commands that wait spin on the millisecond clock: let every reading move it on.
    fixture.clock.SetStepPerReading(100);
    for (int geometry = 0; geometry < 2; ++geometry) {
        for (int modes = 0; modes < 512; modes += 7) {
            s.geometryMode = geometry;
            ApplyGeometry();
            s.photometryMode = modes & 1;
            s.rowPlotMode = modes & 2;
            s.mergingMode = modes & 4;
            s.pickGuideStarMode = modes & 8;
            s.focusCentrePickMode = modes & 16;
            s.snapToStar = modes & 32;
            s.smallFrameDisplay = modes & 64;
            s.fitToWindow = modes & 128;
            s.centreImage = modes & 256;
            s.settings.telescopeType = (modes & 2) ? TelescopeType::Lx200 : TelescopeType::None;
            s.displayBitmapExists = modes & 1;
            for (const CommandEntry& entry : CommandTable()) {
                const bool allowed = QueryCommand(entry.id).enabled;
                EXPECT_EQ(ExecuteCommand(entry.id), allowed) << entry.id << " modes " << modes;
            }
            for (const AcceleratorEntry& key : AcceleratorTable()) ExecuteCommand(key.commandId);
        }
    }
}

// While a long operation pumps messages, a command that would change the image or start
// another long operation is refused with a beep (and greyed); the view and help still run,
// and guiding lets its capture command through.
TEST_F(CommandDispatchTest, LongOperationRefusesNestedCommands) {
    s.currentImage[0] = 1000;
    {
        const LongOperation capture(LongOperationKind::Capture);
        EXPECT_FALSE(QueryCommand(cmd::kInvert).enabled);
        EXPECT_FALSE(ExecuteCommand(cmd::kInvert));
        EXPECT_FALSE(ExecuteCommand(cmd::kOpen));
        EXPECT_EQ(fixture.ui.beeps, 2);
        EXPECT_EQ(s.currentImage[0], 1000);
        EXPECT_TRUE(fixture.ui.openRequests.empty());
        EXPECT_TRUE(ExecuteCommand(cmd::kFitToWindow));
        EXPECT_FALSE(CommandRunsDuring(cmd::kCameraInterface, LongOperationKind::Capture));
        EXPECT_TRUE(CommandRunsDuring(cmd::kCameraInterface, LongOperationKind::Guiding));
    }
    // Exit is never greyed: the window's close stops the operation first.
    for (LongOperationKind kind : {LongOperationKind::Capture, LongOperationKind::FocusLoop,
                                   LongOperationKind::GuiderTraining, LongOperationKind::Guiding,
                                   LongOperationKind::BusyWait}) {
        const LongOperation running(kind);
        EXPECT_TRUE(QueryCommand(cmd::kExit).enabled) << static_cast<int>(kind);
    }
    EXPECT_TRUE(ExecuteCommand(cmd::kInvert));
    EXPECT_NE(s.currentImage[0], 1000);
}

}  // namespace
}  // namespace vexa
