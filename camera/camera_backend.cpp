#include "camera/camera_backend.h"

#include <utility>

#include "camera/camera_usb.h"

namespace vexa {

CameraBackend::CameraBackend(std::unique_ptr<CameraTransport> device,
                             const std::string& usbLogHostPath)
    : device_(std::move(device)) {
    if (!usbLogHostPath.empty()) log_ = std::make_unique<UsbLogTransport>(*device_, usbLogHostPath);
    SetCameraTransport(log_ ? static_cast<CameraTransport*>(log_.get()) : device_.get());
}

CameraBackend::~CameraBackend() {
    CloseUSBdevices();
    SetCameraTransport(nullptr);
}

}  // namespace vexa
