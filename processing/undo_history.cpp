// One level of undo and the processing history lines. A history entry is free when its first
// character is zero; entries fill from the first one on without gaps.
#include "processing/undo_history.h"

#include <algorithm>
#include <cstring>

#include "app/display_refresh.h"
#include "app/session_state.h"
#include "app/ui_services.h"

namespace vexa {

namespace {

constexpr const char* kHistoryCaption = "VEXA_Q4 - PROCESSING HISTORY";
constexpr const char* kHistoryLineEnd = " \n";
constexpr size_t kHistoryTextMax = kHistoryLineBytes - 1;  // room for the terminating zero

using HistoryLine = std::array<char, kHistoryLineBytes>;

// Entries read from a file may lack their terminator: never read past the entry.
size_t LineLength(const HistoryLine& line) {
    return strnlen(line.data(), line.size());
}

// Index of the first free entry, or kHistoryEntries when all are in use.
int FirstFreeEntry() {
    const auto& lines = Session().historyLines;
    for (int i = 0; i < kHistoryEntries; ++i) {
        if (lines[i][0] == '\0') return i;
    }
    return kHistoryEntries;
}

// Samples a whole-image copy may move: never more than a plane holds.
size_t CopyCount() {
    return static_cast<size_t>(std::clamp(Session().geometry.sampleCount, 0, kPlaneSamples));
}

}  // namespace

void SaveForUndo() {
    SessionState& s = Session();
    std::copy_n(s.currentImage.begin(), CopyCount(), s.undoImage.begin());
}

void UndoLastFilter() {
    SessionState& s = Session();
    std::copy_n(s.undoImage.begin(), CopyCount(), s.currentImage.begin());
    RefreshDisplay();
    RemoveLastHistory();
}

void AppendHistory(const std::string& line) {
    const int free = FirstFreeEntry();
    if (free == kHistoryEntries) return;  // a sixteenth line is dropped silently
    HistoryLine& entry = Session().historyLines[free];
    entry.fill('\0');
    const size_t length = std::min(line.size(), kHistoryTextMax);
    std::memcpy(entry.data(), line.data(), length);
}

void RemoveLastHistory() {
    const int free = FirstFreeEntry();
    // Nothing goes when the history is empty, and nothing when all entries are in use.
    if (free == 0 || free == kHistoryEntries) return;
    Session().historyLines[free - 1].fill('\0');
}

void ClearHistory() {
    for (HistoryLine& entry : Session().historyLines) entry.fill('\0');
}

std::string HistoryText() {
    const auto& lines = Session().historyLines;
    // The first line is shown even when free; a line of one character or less ends the list.
    std::string text(lines[0].data(), LineLength(lines[0]));
    text += kHistoryLineEnd;
    for (int i = 1; i < kHistoryEntries && LineLength(lines[i]) > 1; ++i) {
        text.append(lines[i].data(), LineLength(lines[i]));
        text += kHistoryLineEnd;
    }
    return text;
}

void ShowHistory() {
    Ui().MessageBox(kHistoryCaption, HistoryText());
}

}  // namespace vexa
