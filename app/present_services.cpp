#include "app/present_services.h"

namespace vexa {

namespace {
PresentServices* installed = nullptr;
}  // namespace

PresentServices& PresentUi() {
    static PresentServices cancelling;
    return installed ? *installed : cancelling;
}

void SetPresentUi(PresentServices* services) {
    installed = services;
}

}  // namespace vexa
