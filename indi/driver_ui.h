// The driver's user interface: it has no screen, so every message box the core shows (the
// camera search, transfer failures) becomes one message to the INDI clients, and everything
// else a window would do is left undone.
#pragma once

#include <functional>
#include <string>

#include "session/ui_services.h"

namespace vexa::indi {

enum class MessageLevel { Info, Error };

// A message box's text as one line: its lines joined by "; ", blank ones left out, and every
// byte that could drive a terminal written as \xHH.
std::string MessageAsLine(const std::string& text);

class DriverUi : public QuietUi {
  public:
    using Sink = std::function<void(MessageLevel, const std::string&)>;
    explicit DriverUi(Sink sink) : sink_(std::move(sink)) {}

    // A message box is a message; one with the stop icon is an error.
    int MessageBox(const std::string& caption, const std::string& text) override;
    int StopMessageBox(const std::string& caption, const std::string& text) override;

  private:
    Sink sink_;
};

}  // namespace vexa::indi
