// The application object "Vexa_Q4_USB": installs the window's services and the system clock,
// builds the frame and view in start-up order, and opens the window on the start-up ramp. While
// it lives, what device threads post (an INDI server's answers, another program's bytes to the
// simulated mount) is taken in on the window's thread even while no command runs.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/front_end_devices.h"
#include "camera/camera.h"
#include "camera/camera_backend.h"
#include "devices/usb_id.h"
#include "session/clock.h"
#include "telescope/serial_line_options.h"

namespace vexa {

class DialogScreenKeeper;
class PostedWorkWakeUp;
class QtUiServices;
class TVEXA_Q4Frame;
class TVEXA_Q4Window;

class TVEXA_Q4App {
  public:
    // services replaces the plain Qt services (tests pass one that records message boxes).
    explicit TVEXA_Q4App(std::unique_ptr<QtUiServices> services = nullptr);
    ~TVEXA_Q4App();
    TVEXA_Q4App(const TVEXA_Q4App&) = delete;
    TVEXA_Q4App& operator=(const TVEXA_Q4App&) = delete;

    // Build the frame and view, run the view's set-up, show the window and refresh the
    // display once so that the ramp is on screen.
    void Start();

    // The camera the window's commands use from now on, over this device (kept until the app
    // closes, when its interfaces are closed); usbLogHostPath empty for no log. False when the
    // log cannot be opened.
    bool UseCamera(std::unique_ptr<CameraTransport> device, const std::string& usbLogHostPath);

    TVEXA_Q4Frame* Frame() const { return frame_.get(); }
    TVEXA_Q4Window* View() const;
    QtUiServices& Services() const { return *services_; }
    // The devices the window's commands use.
    FrontEndDevices& Devices() { return devices_; }

  private:
    std::unique_ptr<QtUiServices> services_;
    SystemClock clock_;
    std::unique_ptr<DialogScreenKeeper> screenKeeper_;
    std::unique_ptr<PostedWorkWakeUp> postedWork_;
    std::unique_ptr<TVEXA_Q4Frame> frame_;
    std::unique_ptr<CameraBackend> cameraBackend_;
    std::unique_ptr<Camera> camera_;
    FrontEndDevices devices_;
};

// The window program's options.
struct WindowOptions {
    bool help = false;                // --help or -h: the usage, and nothing else
    std::optional<std::string> root;  // --root DIR
    bool simulator = false;           // --simulator: the simulated camera and mount
    std::optional<UsbId> camera;      // --camera VID:PID: which USB camera of several
    std::string usbLog;               // --usb-log FILE
    // --com1 PATH, --com2 PATH, --serial-log FILE, --indi HOST[:PORT][/DEVICE],
    // --mount-link PATH (with --simulator only)
    SerialLineOptions serial;
};
// Every option, "--name VALUE" or "--name=VALUE"; error names a bad argument or is left empty.
// Reading stops at --help or -h.
WindowOptions ParseWindowOptions(int argc, char** argv, std::string& error);
// The usage text: the synopsis and one line on each option.
std::string WindowUsage();
// The value of "--root DIR" or "--root=DIR" among the window's options; error names a bad
// argument or is left empty.
std::optional<std::string> ParseRootOption(int argc, char** argv, std::string& error);

// The whole program: vexaq4 [--root DIR] [--simulator] [--camera VID:PID] [--usb-log FILE]
// [--serial-log FILE] [--com1 PATH] [--com2 PATH] [--indi HOST[:PORT][/DEVICE]]
// [--mount-link PATH], or vexaq4 --help. Returns the exit status:
// 0 after the window closes or the usage was asked for, 1 when the USB log cannot be opened,
// 2 for a bad argument (the message and the synopsis go to standard error).
int RunWindowProgram(int argc, char** argv);

}  // namespace vexa
