#include "session/display_refresh.h"

namespace vexa {

namespace {
DisplayRefresher installedRefresher = nullptr;
}  // namespace

void RefreshDisplay() {
    if (installedRefresher) installedRefresher();
}

void SetDisplayRefresher(DisplayRefresher refresher) {
    installedRefresher = refresher;
}

}  // namespace vexa
