#include "indi/driver_ui.h"

#include "session/printable_text.h"

namespace vexa::indi {

std::string MessageAsLine(const std::string& text) {
    std::string line;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(start, end - start);
        part.erase(part.find_last_not_of(" \t") + 1);
        if (!part.empty()) {
            if (!line.empty()) line += "; ";
            line += EscapeBytes(part);
        }
        start = end + 1;
    }
    return line;
}

// The caption is left out: the clients show which device spoke.
int DriverUi::MessageBox(const std::string&, const std::string& text) {
    sink_(MessageLevel::Info, MessageAsLine(text));
    return 1;
}

int DriverUi::StopMessageBox(const std::string&, const std::string& text) {
    sink_(MessageLevel::Error, MessageAsLine(text));
    return 1;
}

}  // namespace vexa::indi
