#include "processing/undo_history.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

class UndoHistoryTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();

    std::string Entry(int i) const {
        return std::string(s.historyLines[i].data(), strnlen(s.historyLines[i].data(), 40));
    }
    int UsedEntries() const {
        int used = 0;
        for (const auto& line : s.historyLines) used += line[0] != '\0';
        return used;
    }
};

TEST_F(UndoHistoryTest, SixteenthLineIsDroppedAndUndoThenRemovesNothing) {
    for (int i = 1; i <= 15; ++i) AppendHistory("Step " + std::to_string(i));
    AppendHistory("Step 16");
    EXPECT_EQ(UsedEntries(), 15);
    EXPECT_EQ(Entry(14), "Step 15");
    EXPECT_TRUE(fixture.ui.messages.empty());
    RemoveLastHistory();
    EXPECT_EQ(UsedEntries(), 15);
    EXPECT_EQ(Entry(14), "Step 15");
}

TEST_F(UndoHistoryTest, RemoveLastHistoryFreesTheEntryBeforeTheFirstFreeOne) {
    RemoveLastHistory();  // empty: nothing to remove
    EXPECT_EQ(UsedEntries(), 0);
    AppendHistory("Normal Stretch");
    AppendHistory("Median Filter");
    RemoveLastHistory();
    EXPECT_EQ(UsedEntries(), 1);
    EXPECT_EQ(Entry(0), "Normal Stretch");
    EXPECT_EQ(s.historyLines[1][0], '\0');
    AppendHistory("Gaussian");
    EXPECT_EQ(Entry(1), "Gaussian");
}

TEST_F(UndoHistoryTest, OverLongLineIsCutTo39CharactersAndTerminated) {
    AppendHistory(std::string(60, 'x'));
    EXPECT_EQ(Entry(0), std::string(39, 'x'));
    EXPECT_EQ(s.historyLines[0][39], '\0');
    // A shorter line written over a freed longer one leaves no tail behind.
    RemoveLastHistory();
    AppendHistory("ab");
    EXPECT_EQ(Entry(0), "ab");
}

TEST_F(UndoHistoryTest, ClearHistoryFreesEveryEntry) {
    for (int i = 0; i < 5; ++i) AppendHistory("line");
    ClearHistory();
    EXPECT_EQ(UsedEntries(), 0);
    EXPECT_EQ(HistoryText(), " \n");
}

TEST_F(UndoHistoryTest, HistoryTextShowsEntryZeroAndStopsAtAOneCharacterLine) {
    EXPECT_EQ(HistoryText(), " \n");  // empty history: one blank line
    AppendHistory("A");
    AppendHistory("Normal Stretch");
    AppendHistory("Median");
    EXPECT_EQ(HistoryText(), "A \nNormal Stretch \nMedian \n");
    AppendHistory("Z");
    AppendHistory("Not shown");
    EXPECT_EQ(HistoryText(), "A \nNormal Stretch \nMedian \n");
}

TEST_F(UndoHistoryTest, FifteenFullLinesAreAllShownWithoutOverrun) {
    std::string expected;
    for (int i = 0; i < 15; ++i) {
        const std::string line(39, char('a' + i));
        AppendHistory(line);
        expected += line + " \n";
    }
    EXPECT_EQ(HistoryText(), expected);
    // An entry filled to all 40 bytes without a terminator is read no further than itself.
    s.historyLines[3].fill('q');
    EXPECT_NE(HistoryText().find(std::string(40, 'q') + " \n"), std::string::npos);
}

TEST_F(UndoHistoryTest, ShowHistoryUsesItsOwnCaption) {
    AppendHistory("Gradient Filter");
    ShowHistory();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, "VEXA_Q4 - PROCESSING HISTORY");
    EXPECT_EQ(fixture.ui.messages[0].text, "Gradient Filter \n");
}

TEST_F(UndoHistoryTest, UndoTwiceRestoresTheSameCopyAndDropsTwoLines) {
    s.currentImage[0] = 100;
    s.currentImage[kFullSampleCount - 1] = 200;
    SaveForUndo();
    AppendHistory("Normal Stretch");
    AppendHistory("Invert");
    s.currentImage[0] = 5;
    s.currentImage[kFullSampleCount - 1] = 6;
    UndoLastFilter();
    EXPECT_EQ(s.currentImage[0], 100);
    EXPECT_EQ(s.currentImage[kFullSampleCount - 1], 200);
    EXPECT_EQ(UsedEntries(), 1);
    s.currentImage[0] = 7;
    UndoLastFilter();
    EXPECT_EQ(s.currentImage[0], 100);
    EXPECT_EQ(UsedEntries(), 0);
}

TEST_F(UndoHistoryTest, UndoCopiesSampleCountSamplesInHalfGeometry) {
    s.geometryMode = 1;
    ApplyGeometry();
    s.currentImage[kHalfPassSampleCount - 1] = 11;
    s.currentImage[kHalfPassSampleCount] = 12;
    SaveForUndo();
    EXPECT_EQ(s.undoImage[kHalfPassSampleCount - 1], 11);
    EXPECT_EQ(s.undoImage[kHalfPassSampleCount], 0);
    s.currentImage[kHalfPassSampleCount - 1] = 0;
    s.undoImage[kHalfPassSampleCount] = 99;
    UndoLastFilter();
    EXPECT_EQ(s.currentImage[kHalfPassSampleCount - 1], 11);
    EXPECT_EQ(s.currentImage[kHalfPassSampleCount], 12);
}

}  // namespace
}  // namespace vexa
