// The undo copy and the processing history: one level of undo for every processing step, and
// up to fifteen history lines that the FITS writer stores as HISTORY cards.
#pragma once

#include <string>

namespace vexa {

void SaveForUndo();
// "&Undo Last Filter": restore the undo copy, refresh the display, drop the last line.
void UndoLastFilter();
void AppendHistory(const std::string& line);
void RemoveLastHistory();
void ClearHistory();
// The text "Processing &History" shows.
std::string HistoryText();
// "Processing &History": the history in a box captioned "VEXA_Q4 - PROCESSING HISTORY".
void ShowHistory();

}  // namespace vexa
