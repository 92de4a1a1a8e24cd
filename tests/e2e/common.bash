# What every end-to-end script starts with: strict mode, the command-line program of the build
# folder in $cli, a scratch folder in $work removed on exit, and fail() to end with a message.
set -euo pipefail

cli="${VEXA_BIN_DIR:?VEXA_BIN_DIR must name the build folder}/vexaq4-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
