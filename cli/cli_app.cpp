#include "cli/cli_app.h"

#include <cstdio>

namespace vexa::cli {

int RunCli(int, char**) {
    std::fprintf(stderr, "usage: vexaq4-cli [--root DIR] COMMAND [OPTIONS]\n");
    return 2;
}

}  // namespace vexa::cli
