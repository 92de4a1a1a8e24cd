#include "processing/measuring_dialog_services.h"

#include "session/role_slot.h"

namespace vexa {

namespace {
constinit RoleSlot<MeasuringDialogServices> slot;
}  // namespace

MeasuringDialogServices& MeasuringDialogs() {
    return slot.Active();
}

void SetMeasuringDialogs(MeasuringDialogServices* services) {
    slot.Install(services);
}

}  // namespace vexa
