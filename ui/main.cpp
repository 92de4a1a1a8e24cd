// The window program; vexaq4 --help lists its options.
#include "ui/vexa_app.h"

int main(int argc, char** argv) {
    return vexa::RunWindowProgram(argc, argv);
}
