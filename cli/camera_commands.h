// `vexaq4-cli capture` and `vexaq4-cli focus`: the capture command and focus mode with the
// camera control dialog answered by the options, on the USB camera or the simulated one.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "devices/usb_id.h"

namespace vexa::cli {

constexpr const char* kCaptureSynopsis =
    "capture [--simulator] [--star X,Y] [--exposure VALUE UNIT] [--count N] [--delay-minutes M] "
    "[--average] [--alternative-slew] [--autosave] [--countdown] [--continuous] [--binned] "
    "[--dark [FILE]] [--flat [FILE]] [--auto-processing] [--out FILE --to FORMAT]";
constexpr const char* kFocusSynopsis = "focus [--simulator] [--exposure VALUE UNIT] [--frames N]";

// The global options that choose and watch the camera: --camera VID:PID and --usb-log FILE.
struct CameraGlobalOptions {
    std::optional<UsbId> camera;
    std::string usbLog;
};
CameraGlobalOptions& CameraOptions();

// One frame line per finished frame ("frame: N", then "saved: PATH" when autosaved). Exit
// status 1 also when the capture ran to its end but a step of it failed and was reported: a
// reference not applied, a sum that fell back to one exposure, a frame not saved.
int RunCaptureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// "peak: VALUE" and "hfd: PIXELS" (one decimal, or "none" without a star) per focus frame.
int RunFocusCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
