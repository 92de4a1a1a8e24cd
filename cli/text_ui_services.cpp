#include "cli/text_ui_services.h"

#include <signal.h>

#include <csignal>
#include <ostream>
#include <string_view>

#include "session/posted_work.h"
#include "session/printable_text.h"
#include "session/timed_waits.h"

namespace vexa::cli {

namespace {
volatile std::sig_atomic_t interruptPending = 0;

extern "C" void OnInterrupt(int) {
    interruptPending = 1;
}
}  // namespace

std::string MessageLine(const std::string& caption, const std::string& text) {
    std::string line = caption + ": ";
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        line += EscapeBytes(std::string_view(text).substr(start, i - start));
        if (i == text.size()) break;
        line += '\n';
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return line;
}

TextUiServices::TextUiServices(std::ostream& err) : err_(err) {}

void TextUiServices::CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

int TextUiServices::MessageBox(const std::string& caption, const std::string& text) {
    err_ << MessageLine(caption, text) << '\n' << std::flush;
    return 1;  // OK
}

void TextUiServices::ProcessPendingEvents(const std::function<void()>& onAbortInput,
                                          uint32_t idleWaitMs) {
    // Ctrl+C interrupts the sleep, so an abort is never kept waiting; so does work that a
    // device thread posts.
    if (!interruptPending) (void)WaitForPostedWork(idleWaitMs);
    if (interruptPending) {
        interruptPending = 0;
        if (onAbortInput) onAbortInput();
    }
}

}  // namespace vexa::cli
