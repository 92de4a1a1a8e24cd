// The device a front end works with, for as long as the front end runs: the USB camera or the
// simulated one and, when asked for, the USB log in front of it. The front end builds its
// Camera over Device(). On leaving, the device's interfaces are closed.
#pragma once

#include <memory>
#include <string>

#include "camera/camera_transport.h"
#include "camera/usb_log.h"

namespace vexa {

class CameraBackend {
  public:
    // usbLogHostPath empty: no log.
    CameraBackend(std::unique_ptr<CameraTransport> device, const std::string& usbLogHostPath);
    ~CameraBackend();
    CameraBackend(const CameraBackend&) = delete;
    CameraBackend& operator=(const CameraBackend&) = delete;

    // False when a log was asked for and its file cannot be opened for appending.
    bool LogOk() const { return !log_ || log_->Ok(); }
    // The transport a camera talks through: the log when there is one, else the device.
    CameraTransport& Device();

  private:
    std::unique_ptr<CameraTransport> device_;
    std::unique_ptr<UsbLogTransport> log_;
};

}  // namespace vexa
