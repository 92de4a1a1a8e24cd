#include "cli/text_ui_services.h"

#include <signal.h>

#include <sstream>

#include <gtest/gtest.h>

#include "app/present_services.h"
#include "app/settings_dialog_model.h"
#include "session/message_catalogue.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::cli {
namespace {

TEST(TextUiServicesTest, LineBreaksStayLineBreaksAndControlBytesAreEscaped) {
    struct Case {
        const char* text;
        const char* line;
    } cases[] = {
        {"Warning!\nNo INI file found, please set defaults...",
         "VEXA_Q4_USB: Warning!\nNo INI file found, please set defaults..."},
        {"a\r\nb\n\nc\r", "VEXA_Q4_USB: a\nb\n\nc\n"},
        {"reply \x1b[2J\a\t:", "VEXA_Q4_USB: reply \\x1b[2J\\x07\\x09:"},
        {"", "VEXA_Q4_USB: "},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageLine("VEXA_Q4_USB", c.text), c.line) << c.text;
}

TEST(TextUiServicesTest, CatalogueMessagesArePrintedOnTheErrorStream) {
    test::SessionFixture fixture;
    std::ostringstream err;
    TextUiServices ui(err);
    SetUi(&ui);
    ShowMessage(1);
    ShowMessage(50, "x position =    67\ny position =    65");
    SetUi(&fixture.ui);
    EXPECT_EQ(err.str(),
              "VEXA_Q4_USB: Warning!\nNo INI file found, please set defaults...\n"
              "VEXA_Q4_USB: x position =    67\ny position =    65\n");
}

// The command line installs no dialogs: every one answers as cancelled.
TEST(TextUiServicesTest, DialogsAreCancelled) {
    SettingsDialogModel model;
    EXPECT_FALSE(PresentUi().RunSettingsDialog(model));
}

TEST(TextUiServicesTest, CaughtInterruptAbortsAtTheNextPumpOnce) {
    struct sigaction saved {};
    sigaction(SIGINT, nullptr, &saved);
    std::ostringstream err;
    TextUiServices ui(err);
    int aborts = 0;
    ui.ProcessPendingEvents([&] { ++aborts; }, 0);
    EXPECT_EQ(aborts, 0);
    TextUiServices::CatchInterrupts();
    raise(SIGINT);
    ui.ProcessPendingEvents([&] { ++aborts; }, 0);
    ui.ProcessPendingEvents([&] { ++aborts; }, 0);
    sigaction(SIGINT, &saved, nullptr);
    EXPECT_EQ(aborts, 1);
}

}  // namespace
}  // namespace vexa::cli
