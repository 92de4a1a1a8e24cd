// The command-line companion's entry: parses the global options and runs one command.
#pragma once

namespace vexa::cli {

// Returns the process exit status: 0 success, 1 the operation failed, 2 a usage error.
int RunCli(int argc, char** argv);

}  // namespace vexa::cli
