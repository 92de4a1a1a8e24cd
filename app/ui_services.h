// What the core asks of the user interface: message boxes, the message pump, cursors, the
// view, and notices to open dialogs. The Qt window, the command line and the tests each
// provide one implementation; the core reaches the active one through Ui().
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vexa {

class SettingsDialogModel;
class StretchPaletteDialogModel;

enum class CursorKind { Arrow, Cross, Wait };

class UiServices {
public:
    virtual ~UiServices() = default;

    // A modal message box with one OK button and no owner window; returns the box result.
    virtual int MessageBox(const std::string& caption, const std::string& text) = 0;

    // Remove and dispatch every pending window message. For each key press or mouse-button
    // press, onAbortInput runs before the message is dispatched.
    virtual void ProcessPendingEvents(const std::function<void()>& onAbortInput) = 0;

    virtual void Beep() = 0;
    virtual void SetCursor(CursorKind kind) = 0;
    // Move the mouse pointer on screen by the given number of pixels.
    virtual void MovePointerBy(int dx, int dy) = 0;

    virtual void SetWindowTitle(const std::string& title) = 0;
    // Read the display bitmap file just written by the refresh and make it the view's bitmap.
    // False when the file cannot be read; the previous bitmap then stays.
    virtual bool LoadDisplayBitmap(const std::string& hostPath) = 0;
    // Recompute the scroll ranges from the display bitmap and client sizes, scroll to (0, 0).
    virtual void UpdateScrollBars() = 0;
    // Repaint the view, with or without erasing the background first.
    virtual void RepaintView(bool erase) = 0;

    // Close the main window (shut-down follows).
    virtual void RequestExit() = 0;

    // Modal dialogs: each renders and drives its core model; true when confirmed (OK).
    virtual bool RunSettingsDialog(SettingsDialogModel& model) = 0;
    virtual bool RunStretchPaletteDialog(StretchPaletteDialogModel& model) = 0;

    // Dialogs that show click results redraw from the session record.
    virtual void PhotometryChanged() {}
    virtual void RowPlotChanged() {}
    virtual void MergeMarksChanged() {}
};

// The active user interface; set once at start-up (and by tests).
UiServices& Ui();
void SetUi(UiServices* ui);

}  // namespace vexa
