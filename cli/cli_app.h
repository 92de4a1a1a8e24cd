// The command-line companion's entry: parses the global options and runs one command.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vexa::cli {

// Exit statuses shared by every command.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // the operation failed; its message is on standard error
constexpr int kExitUsage = 2;    // wrong or missing options; the usage line is printed

constexpr const char* kProgramName = "vexaq4-cli";

// Returns the process exit status: 0 success, 1 the operation failed, 2 a usage error.
int RunCli(int argc, char** argv);
// The same with the arguments after the program name and the two output streams given.
// Installs the text user interface and the drive root for the command, and puts back the
// previous user interface when it returns.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The command that args name after the global options, as RunCli reads them; nothing when
// those are refused or ask for the help, or when no command follows them.
std::optional<std::string> CommandWord(const std::vector<std::string>& args);

// "usage: vexaq4-cli [--root DIR] " followed by a command's synopsis.
std::string UsageLine(const std::string& synopsis);

}  // namespace vexa::cli
