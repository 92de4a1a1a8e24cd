// The command-line companion: vexaq4-cli [--root DIR] COMMAND [OPTIONS]
#include "cli/cli_app.h"

int main(int argc, char** argv) {
    return vexa::cli::RunCli(argc, argv);
}
