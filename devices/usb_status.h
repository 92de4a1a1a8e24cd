// How the USB camera backend reports failures: errno and libusb codes turned into Status, with
// the udev rule named when this user may not open a camera node.
#pragma once

#include <string>

#include "session/status.h"

namespace vexa {

// The rule file in this repository that grants the logged-in user access to the camera.
constexpr const char* kUdevRulePath = "docs/udev/60-vexa-q4.rules";

// PermissionDenied for a node, with how to install the udev rule.
Status PermissionDeniedOn(const std::string& node, int systemError);
// A failed system call on a node; `action` says what was tried ("open", "write to").
Status StatusFromErrno(int error, const std::string& action, const std::string& node);
// A failed libusb call (a negative libusb_error) on a node.
Status StatusFromLibusb(int error, const std::string& action, const std::string& node);

}  // namespace vexa
