// A front end that answers every role of the user interface (the Qt window, the test fakes)
// installs itself in each with one call, and takes itself out again with another.
#pragma once

#include "app/present_services.h"
#include "camera/camera_dialog_services.h"
#include "files/file_dialog_services.h"
#include "processing/measuring_dialog_services.h"
#include "processing/processing_dialog_services.h"
#include "session/ui_services.h"
#include "telescope/telescope_dialog_services.h"

namespace vexa {

template <class AllRoles>
void InstallUiRoles(AllRoles* ui) {
    SetUi(ui);
    SetFileDialogs(ui);
    SetProcessingDialogs(ui);
    SetMeasuringDialogs(ui);
    SetPresentUi(ui);
    SetCameraDialogs(ui);
    SetTelescopeDialogs(ui);
}

inline void RemoveUiRoles() {
    SetUi(nullptr);
    SetFileDialogs(nullptr);
    SetProcessingDialogs(nullptr);
    SetMeasuringDialogs(nullptr);
    SetPresentUi(nullptr);
    SetCameraDialogs(nullptr);
    SetTelescopeDialogs(nullptr);
}

}  // namespace vexa
