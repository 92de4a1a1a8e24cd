#include "tests/unit/support/fake_ui.h"

#include <unistd.h>

#include <filesystem>

#include "app/host_paths.h"

namespace vexa::test {

namespace {
// Reset every field of the session record to its initial value without reallocating the
// planes on the stack.
void ResetSession() {
    SessionState& s = Session();
    static const SessionState* fresh = new SessionState();
    s = *fresh;
}
}  // namespace

SessionFixture::SessionFixture() {
    ResetSession();
    SetUi(&ui);
    SetClock(&clock);
    char pattern[] = "/tmp/vexa_root_XXXXXX";
    root = mkdtemp(pattern);
    SetDriveRoot(root);
}

SessionFixture::~SessionFixture() {
    SetUi(nullptr);
    SetClock(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

}  // namespace vexa::test
