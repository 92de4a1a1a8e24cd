#include "processing/processing_dialog_services.h"

namespace vexa {

namespace {
ProcessingDialogServices* installed = nullptr;
}  // namespace

ProcessingDialogServices& ProcessingDialogs() {
    static ProcessingDialogServices cancelling;
    return installed ? *installed : cancelling;
}

void SetProcessingDialogs(ProcessingDialogServices* services) {
    installed = services;
}

}  // namespace vexa
