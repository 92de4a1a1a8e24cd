// What every part of the core asks of the user interface: message boxes, the message pump,
// cursors, the view and the progress window. The dialogs of each subsystem have their own
// small interface beside the subsystem's code (files, processing, measuring, present, camera,
// telescope). The Qt window, the command line and the tests each provide an implementation;
// the core reaches the active one through Ui().
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vexa {

enum class CursorKind { Arrow, Cross, Wait, UpArrow };

class UiServices {
  public:
    virtual ~UiServices() = default;

    // A modal message box with one OK button and no owner window; returns the box result.
    virtual int MessageBox(const std::string& caption, const std::string& text) = 0;

    // Remove and dispatch every pending window message. For each key press or mouse-button
    // press, onAbortInput runs before the message is dispatched. When nothing is pending, first
    // wait up to idleWaitMs for new input (dispatched as it comes), so that a long operation
    // built on passes of the pump sleeps between them instead of spinning.
    virtual void ProcessPendingEvents(const std::function<void()>& onAbortInput,
                                      uint32_t idleWaitMs) = 0;

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

    // The modeless "Filter Progress" window shown during long passes: a bar from 0 upwards
    // (the passes choose their own scale) under a title the pass may change.
    virtual void OpenProgressWindow() {}
    virtual void SetProgressTitle(const std::string& /*title*/) {}
    virtual void SetProgressPosition(int /*position*/) {}
    virtual void CloseProgressWindow() {}

    // A message box owned by the main window with the stop icon; returns the box result.
    virtual int StopMessageBox(const std::string& caption, const std::string& text) {
        return MessageBox(caption, text);
    }
};

// A user interface with no screen: every message box is answered OK unseen, every dialog is
// cancelled and every notice to the view is dropped. Front ends without a window start from
// it, and so do measurements that must time the core's work alone.
class QuietUi : public UiServices {
  public:
    int MessageBox(const std::string&, const std::string&) override { return 1; }
    // Nothing ever arrives: the pass sleeps out its idle wait.
    void ProcessPendingEvents(const std::function<void()>&, uint32_t idleWaitMs) override;
    void Beep() override {}
    void SetCursor(CursorKind) override {}
    void MovePointerBy(int, int) override {}
    void SetWindowTitle(const std::string&) override {}
    bool LoadDisplayBitmap(const std::string&) override { return true; }
    void UpdateScrollBars() override {}
    void RepaintView(bool) override {}
    void RequestExit() override {}
};

// The active user interface; set once at start-up (and by tests).
UiServices& Ui();
void SetUi(UiServices* ui);

}  // namespace vexa
