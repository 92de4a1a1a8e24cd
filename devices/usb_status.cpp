#include "devices/usb_status.h"

#include <libusb.h>

#include <cerrno>
#include <cstring>

namespace vexa {

Status PermissionDeniedOn(const std::string& node, int systemError) {
    return Status(StatusCode::PermissionDenied,
                  "permission denied on " + node + ": install the udev rule " + kUdevRulePath +
                      " (copy it to /etc/udev/rules.d/, run 'sudo udevadm control --reload' "
                      "and replug the camera)",
                  systemError);
}

Status StatusFromErrno(int error, const std::string& action, const std::string& node) {
    const std::string text = "cannot " + action + " " + node + ": " + std::strerror(error);
    switch (error) {
        case EACCES:
        case EPERM:
            return PermissionDeniedOn(node, error);
        case ENOENT:
            return Status(StatusCode::NotFound, text, error);
        case ENODEV:
        case ENXIO:
        case ESHUTDOWN:
            return Status(StatusCode::Disconnected, text, error);
        case ETIMEDOUT:
            return Status(StatusCode::Timeout, text, error);
        default:
            return Status(StatusCode::IoError, text, error);
    }
}

Status StatusFromLibusb(int error, const std::string& action, const std::string& node) {
    std::string text = "cannot " + action + " " + node + ": " + libusb_strerror(error);
    switch (error) {
        case LIBUSB_ERROR_ACCESS:
            return PermissionDeniedOn(node, error);
        case LIBUSB_ERROR_NOT_FOUND:
            return Status(StatusCode::NotFound, text, error);
        case LIBUSB_ERROR_NO_DEVICE:
            return Status(StatusCode::Disconnected, text, error);
        case LIBUSB_ERROR_TIMEOUT:
            return Status(StatusCode::Timeout, text, error);
        case LIBUSB_ERROR_BUSY:
            text += " (another program holds the interface)";
            break;
        case LIBUSB_ERROR_NO_MEM:
            // Large bulk reads count against the usbfs memory limit.
            text += " (see /sys/module/usbcore/parameters/usbfs_memory_mb)";
            break;
        default:
            break;
    }
    return Status(StatusCode::IoError, text, error);
}

}  // namespace vexa
