#include "camera/camera_backend.h"

#include <utility>

namespace vexa {

CameraBackend::CameraBackend(std::unique_ptr<CameraTransport> device,
                             const std::string& usbLogHostPath)
    : device_(std::move(device)) {
    if (!usbLogHostPath.empty()) log_ = std::make_unique<UsbLogTransport>(*device_, usbLogHostPath);
}

CameraBackend::~CameraBackend() {
    Device().Close();
}

CameraTransport& CameraBackend::Device() {
    return log_ ? static_cast<CameraTransport&>(*log_) : *device_;
}

}  // namespace vexa
