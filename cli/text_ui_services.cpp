#include "cli/text_ui_services.h"

#include <signal.h>

#include <csignal>
#include <ostream>

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
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            line += "\\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
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
    // Ctrl+C interrupts the sleep, so an abort is never kept waiting.
    if (!interruptPending) SleepMilliseconds(idleWaitMs);
    if (interruptPending) {
        interruptPending = 0;
        if (onAbortInput) onAbortInput();
    }
}

}  // namespace vexa::cli
