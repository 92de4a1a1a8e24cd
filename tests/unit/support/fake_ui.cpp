#include "tests/unit/support/fake_ui.h"

#include <unistd.h>

#include <filesystem>

#include "app/display_refresh.h"
#include "app/ui_roles.h"
#include "session/host_paths.h"
#include "tests/unit/support/reset_session.h"

namespace vexa::test {

SessionFixture::SessionFixture() {
    ResetSession();
    InstallUiRoles(&ui);
    SetClock(&clock);
    ui.idleClock = &clock;
    InstallDisplayRefresh();
    char pattern[] = "/tmp/vexa_root_XXXXXX";
    root = mkdtemp(pattern);
    SetDriveRoot(root);
}

SessionFixture::~SessionFixture() {
    RemoveUiRoles();
    SetClock(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

}  // namespace vexa::test
