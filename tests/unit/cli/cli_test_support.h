// Running a command-line command inside a core test: the text user interface is active while
// the command runs, as in the program, and the fixture's fake one afterwards.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/text_ui_services.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::test {

using CliCommand = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

// Clears out and err, runs the command and gives its exit status.
inline int RunCliCommand(CliCommand command, const std::vector<std::string>& args,
                         std::ostringstream& out, std::ostringstream& err, FakeUi& fixtureUi) {
    out.str("");
    err.str("");
    cli::TextUiServices text(err);
    SetUi(&text);
    const int status = command(args, out, err);
    SetUi(&fixtureUi);
    return status;
}

}  // namespace vexa::test
