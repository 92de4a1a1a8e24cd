#include "processing/undo_history.h"

#include <algorithm>

#include "session/display_refresh.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

constexpr const char* kHistoryCaption = "VEXA_Q4 - PROCESSING HISTORY";

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

void ShowHistory() {
    Ui().MessageBox(kHistoryCaption, HistoryText());
}

}  // namespace vexa
