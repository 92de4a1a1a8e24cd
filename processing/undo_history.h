// The undo copy: one level of undo for every processing step, and the command that shows the
// processing history.
#pragma once

#include "session/history_lines.h"

namespace vexa {

void SaveForUndo();
// "&Undo Last Filter": restore the undo copy, refresh the display, drop the last line.
void UndoLastFilter();
// "Processing &History": the history in a box captioned "VEXA_Q4 - PROCESSING HISTORY".
void ShowHistory();

}  // namespace vexa
