// The command line's user interface: every message box becomes one line on standard error,
// dialogs are answered as cancelled, and Ctrl+C (once caught) is the key press that aborts a
// long operation at its next message pump.
#pragma once

#include <iosfwd>
#include <string>

#include "app/ui_services.h"

namespace vexa::cli {

// "CAPTION: TEXT" with every line break of the text written as the two characters "\n".
std::string MessageLine(const std::string& caption, const std::string& text);

class TextUiServices : public UiServices {
  public:
    explicit TextUiServices(std::ostream& err);

    // From now on Ctrl+C no longer ends the process but is reported to the next pump as an
    // abort. Commands with long operations call this; the others stay interruptible as usual.
    static void CatchInterrupts();

    int MessageBox(const std::string& caption, const std::string& text) override;
    void ProcessPendingEvents(const std::function<void()>& onAbortInput) override;
    void Beep() override {}
    void SetCursor(CursorKind) override {}
    void MovePointerBy(int, int) override {}
    void SetWindowTitle(const std::string&) override {}
    bool LoadDisplayBitmap(const std::string&) override { return true; }
    void UpdateScrollBars() override {}
    void RepaintView(bool) override {}
    void RequestExit() override {}
    bool RunSettingsDialog(SettingsDialogModel&) override { return false; }
    bool RunStretchPaletteDialog(StretchPaletteDialogModel&) override { return false; }

  private:
    std::ostream& err_;
};

}  // namespace vexa::cli
