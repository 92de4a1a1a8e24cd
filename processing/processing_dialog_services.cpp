#include "processing/processing_dialog_services.h"

#include "session/role_slot.h"

namespace vexa {

namespace {
constinit RoleSlot<ProcessingDialogServices> slot;
}  // namespace

ProcessingDialogServices& ProcessingDialogs() {
    return slot.Active();
}

void SetProcessingDialogs(ProcessingDialogServices* services) {
    slot.Install(services);
}

}  // namespace vexa
