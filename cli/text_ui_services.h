// The command line's user interface: every message box is printed on standard error,
// dialogs are answered as cancelled, and Ctrl+C (once caught) is the key press that aborts a
// long operation at its next message pump.
#pragma once

#include <iosfwd>
#include <string>

#include "session/ui_services.h"

namespace vexa::cli {

// "CAPTION: TEXT" with the text's line breaks ("\n", "\r\n" or "\r") as line breaks and every
// other byte that could drive the terminal written as \xHH.
std::string MessageLine(const std::string& caption, const std::string& text);

class TextUiServices : public QuietUi {
  public:
    explicit TextUiServices(std::ostream& err);

    // From now on Ctrl+C no longer ends the process but is reported to the next pump as an
    // abort. Commands with long operations call this; the others stay interruptible as usual.
    static void CatchInterrupts();

    int MessageBox(const std::string& caption, const std::string& text) override;
    // Ctrl+C is the one input; the idle wait sleeps until it comes or the wait is over.
    void ProcessPendingEvents(const std::function<void()>& onAbortInput,
                              uint32_t idleWaitMs) override;

  private:
    std::ostream& err_;
};

}  // namespace vexa::cli
