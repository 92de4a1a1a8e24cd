#include "app/present_services.h"

#include "session/role_slot.h"

namespace vexa {

namespace {
constinit RoleSlot<PresentServices> slot;
}  // namespace

PresentServices& PresentUi() {
    return slot.Active();
}

void SetPresentUi(PresentServices* services) {
    slot.Install(services);
}

}  // namespace vexa
