#include "processing/measuring_dialog_services.h"

namespace vexa {

namespace {
MeasuringDialogServices* installed = nullptr;
}  // namespace

MeasuringDialogServices& MeasuringDialogs() {
    static MeasuringDialogServices cancelling;
    return installed ? *installed : cancelling;
}

void SetMeasuringDialogs(MeasuringDialogServices* services) {
    installed = services;
}

}  // namespace vexa
