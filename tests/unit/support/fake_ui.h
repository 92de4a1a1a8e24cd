// A scriptable user interface for core tests: records every message box, cursor, title and
// pointer move, and plays back queued input events when the core pumps messages.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/clock.h"
#include "app/session_state.h"
#include "app/ui_services.h"

namespace vexa::test {

struct ShownMessage {
    std::string caption;
    std::string text;
};

enum class FakeEvent { KeyPress, LeftPress, RightPress, Other };

class FakeUi : public UiServices {
public:
    std::vector<ShownMessage> messages;
    std::vector<CursorKind> cursors;
    std::vector<std::pair<int, int>> pointerMoves;
    std::vector<std::string> titles;
    std::vector<std::string> loadedBitmaps;
    std::deque<FakeEvent> pendingEvents;
    std::vector<FakeEvent> dispatched;
    int beeps = 0;
    int scrollBarUpdates = 0;
    int repaints = 0;
    int photometryRedraws = 0;
    int rowPlotRedraws = 0;
    int mergeRedraws = 0;
    bool bitmapLoadSucceeds = true;
    std::function<void()> onDispatch;  // runs for each dispatched event
    int exitRequests = 0;
    // What the modal dialogs do when the core opens them; unset means Cancel at once.
    std::function<bool(SettingsDialogModel&)> settingsDialog;
    std::function<bool(StretchPaletteDialogModel&)> stretchPaletteDialog;

    int MessageBox(const std::string& caption, const std::string& text) override {
        messages.push_back({caption, text});
        return 1;
    }
    void ProcessPendingEvents(const std::function<void()>& onAbortInput) override {
        while (!pendingEvents.empty()) {
            FakeEvent e = pendingEvents.front();
            pendingEvents.pop_front();
            if (e != FakeEvent::Other) onAbortInput();
            dispatched.push_back(e);
            if (onDispatch) onDispatch();
        }
    }
    void Beep() override { ++beeps; }
    void SetCursor(CursorKind kind) override { cursors.push_back(kind); }
    void MovePointerBy(int dx, int dy) override { pointerMoves.emplace_back(dx, dy); }
    void SetWindowTitle(const std::string& title) override { titles.push_back(title); }
    bool LoadDisplayBitmap(const std::string& hostPath) override {
        loadedBitmaps.push_back(hostPath);
        return bitmapLoadSucceeds;
    }
    void UpdateScrollBars() override { ++scrollBarUpdates; }
    void RepaintView(bool) override { ++repaints; }
    void RequestExit() override { ++exitRequests; }
    bool RunSettingsDialog(SettingsDialogModel& model) override {
        return settingsDialog ? settingsDialog(model) : false;
    }
    bool RunStretchPaletteDialog(StretchPaletteDialogModel& model) override {
        return stretchPaletteDialog ? stretchPaletteDialog(model) : false;
    }
    void PhotometryChanged() override { ++photometryRedraws; }
    void RowPlotChanged() override { ++rowPlotRedraws; }
    void MergeMarksChanged() override { ++mergeRedraws; }

    const std::string& LastText() const {
        static const std::string none;
        return messages.empty() ? none : messages.back().text;
    }
};

// Installs a fresh FakeUi and VirtualClock and resets the session record to its start-up
// state, with a private drive root; restores the previous services afterwards.
class SessionFixture {
public:
    SessionFixture();
    ~SessionFixture();
    FakeUi ui;
    VirtualClock clock;
    std::string root;  // host folder standing for drive c:
};

}  // namespace vexa::test
