#include "session/history_lines.h"

#include <algorithm>
#include <cstring>

#include "session/session_state.h"

namespace vexa {

namespace {

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

}  // namespace

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

}  // namespace vexa
