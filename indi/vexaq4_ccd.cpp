#include "indi/vexaq4_ccd.h"

#include <indidevapi.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "camera/camera.h"
#include "camera/camera_backend.h"
#include "camera/capture_sequence.h"
#include "devices/usb_camera_transport.h"
#include "devices/usb_id.h"
#include "indi/driver_exposure.h"
#include "indi/exposure_form.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "simulator/simulated_camera.h"
#include "simulator/simulator_sky.h"

namespace vexa::indi {

namespace {

constexpr const char* kCameraIdProperty = "USB_CAMERA";
constexpr const char* kUsbLogProperty = "USB_LOG";
constexpr double kExposureStepSeconds = 0.01;
constexpr int kMostBinning = 2;
// A frame waits at most this many passes of the event loop for client messages that arrived
// during the readout (an abort among them) before it goes out regardless.
constexpr int kMostDeliveryDeferrals = 100;

const FrameRequest kWholeSensor{0, 0, kFullWidth, kFullHeight, 1};

// Whether a message from indiserver is waiting on the driver's standard input. libindi's loop
// runs a due timer before it reads its input, so a frame read out while a client's abort was
// arriving would otherwise go out before the abort is seen.
bool ClientInputWaiting() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return ::poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

VexaQ4Ccd::VexaQ4Ccd()
    : ui_([this](MessageLevel level, const std::string& text) { Report(level, text); }),
      frame_(kWholeSensor) {
    setVersion(1, 0);
    SetUi(&ui_);
}

VexaQ4Ccd::~VexaQ4Ccd() {
    StopTimers();
    exposure_.reset();
    camera_.reset();
    backend_.reset();
    SetUi(nullptr);
}

const char* VexaQ4Ccd::getDefaultName() {
    return kDeviceName;
}

void VexaQ4Ccd::Report(MessageLevel level, const std::string& text) {
    if (level == MessageLevel::Error) {
        LOGF_ERROR("%s", text.c_str());
    } else {
        LOGF_INFO("%s", text.c_str());
    }
}

bool VexaQ4Ccd::initProperties() {
    CcdBase::initProperties();
    SetCCDCapability(CCD_CAN_ABORT | CCD_CAN_BIN | CCD_CAN_SUBFRAME);
    addAuxControls();

    cameraIdTP_[0].fill("VID_PID", "Vendor:product (empty: any)", "");
    cameraIdTP_.fill(getDeviceName(), kCameraIdProperty, "USB camera", OPTIONS_TAB, IP_RW, 60,
                     IPS_IDLE);
    usbLogTP_[0].fill("FILE", "Log file (empty: none)", Environment(kUsbLogVariable).c_str());
    usbLogTP_.fill(getDeviceName(), kUsbLogProperty, "USB log", OPTIONS_TAB, IP_RW, 60, IPS_IDLE);
    return true;
}

// The camera choice and the log are set before connecting: they are offered from the start.
// Their saved values are loaded for the first client only: a later client must not undo what
// an earlier one set.
void VexaQ4Ccd::ISGetProperties(const char* dev) {
    CcdBase::ISGetProperties(dev);
    defineProperty(cameraIdTP_);
    defineProperty(usbLogTP_);
    if (!savedChoicesLoaded_) {
        savedChoicesLoaded_ = true;
        loadConfig(true, kCameraIdProperty);
        loadConfig(true, kUsbLogProperty);
    }
}

bool VexaQ4Ccd::updateProperties() {
    CcdBase::updateProperties();
    if (isConnected()) {
        SetSensor(kFullWidth, kFullHeight, kSampleBits, kPixelMicrometres);
        SetExposureRange(kShortestExposureSeconds, kLongestExposureSeconds, kExposureStepSeconds);
        SetBinningRange(kMostBinning);
        frame_ = kWholeSensor;
        SetChipFrame(frame_);
    }
    return true;
}

bool VexaQ4Ccd::ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) {
    const bool ours = dev != nullptr && std::strcmp(dev, getDeviceName()) == 0;
    if (ours && cameraIdTP_.isNameMatch(name)) {
        const std::string text = n > 0 ? texts[0] : "";
        if (!text.empty() && !ParseUsbId(text)) {
            cameraIdTP_.setState(IPS_ALERT);
            cameraIdTP_.apply(
                "The USB camera is named VVVV:PPPP in hexadecimal (as lsusb "
                "shows it), or left empty for any camera; \"%s\" is neither.",
                text.c_str());
            return true;
        }
        AcceptText(cameraIdTP_, texts, names, n);
        return true;
    }
    if (ours && usbLogTP_.isNameMatch(name)) {
        AcceptText(usbLogTP_, texts, names, n);
        return true;
    }
    return CcdBase::ISNewText(dev, name, texts, names, n);
}

// The camera is built at connection: a change made while connected waits for the next one.
void VexaQ4Ccd::AcceptText(INDI::PropertyText& property, char* texts[], char* names[], int n) {
    property.update(texts, names, n);
    property.setState(IPS_OK);
    if (isConnected()) {
        property.apply("Takes effect at the next connection.");
    } else {
        property.apply();
    }
}

bool VexaQ4Ccd::saveConfigItems(FILE* fp) {
    CcdBase::saveConfigItems(fp);
    cameraIdTP_.save(fp);
    usbLogTP_.save(fp);
    return true;
}

void VexaQ4Ccd::simulationTriggered(bool enable) {
    if (isConnected()) {
        LOGF_INFO("The %s camera is used from the next connection.", enable ? "simulated" : "USB");
    }
}

// The camera search of a capture: discovery, and an exposure left running ended; without a
// camera, "Sorry, No camera found on USB". The settings file is not read: the driver keeps
// none of the program's settings.
bool VexaQ4Ccd::FindCamera() {
    DeviceTable table{};
    (void)camera_->OpenUSBdevices(table);
    if (camera_->Present()) (void)camera_->EndExposure();
    if (!camera_->Present()) {
        ShowMessage(MessageCode::CallerText, kNoCameraText);
        return false;
    }
    return true;
}

bool VexaQ4Ccd::Connect() {
    std::unique_ptr<CameraTransport> device;
    if (isSimulation()) {
        device = std::make_unique<SimulatedCamera>(SimulatorSky());
    } else {
        const std::string id = cameraIdTP_[0].getText();
        device = std::make_unique<UsbCameraTransport>(id.empty() ? std::nullopt : ParseUsbId(id));
    }
    const std::string log = usbLogTP_[0].getText();
    backend_ = std::make_unique<CameraBackend>(std::move(device), log);
    if (!backend_->LogOk()) {
        LOGF_ERROR("Cannot open the USB log %s for appending.", log.c_str());
        backend_.reset();
        return false;
    }
    camera_ = std::make_unique<Camera>(backend_->Device());
    if (!FindCamera()) {
        camera_.reset();
        backend_.reset();
        return false;
    }
    exposure_ = std::make_unique<DriverExposure>(*camera_);
    LOGF_INFO("The %s camera is connected.", isSimulation() ? "simulated" : "USB");
    return true;
}

bool VexaQ4Ccd::Disconnect() {
    (void)AbortExposure();
    exposure_.reset();
    camera_.reset();
    backend_.reset();
    return true;
}

bool VexaQ4Ccd::Busy() const {
    return (exposure_ && exposure_->Running()) || deliveryPending_;
}

bool VexaQ4Ccd::StartExposure(float duration) {
    if (!camera_) return false;
    // A new exposure asked for while one runs replaces it.
    (void)AbortExposure();
    // A camera lost in an earlier transfer is looked for again, as a capture does.
    if (!camera_->Present() && !FindCamera()) return false;
    const ExposureForm form = ExposureFormFor(duration);
    LOGF_INFO("%s", DescribeExposureForm(duration, form).c_str());
    NoteExposureStart(form.milliseconds / 1000.0);
    const Status started = exposure_->Begin(form.milliseconds, frame_.bin == 2);
    if (!started.ok()) {
        LOGF_ERROR("The exposure could not be started: %s", started.text().c_str());
        return false;
    }
    secondsLeftShown_ = -1;
    exposureTimer_ = IEAddTimer(0, OnExposurePass, this);
    return true;
}

void VexaQ4Ccd::OnExposurePass(void* driver) {
    static_cast<VexaQ4Ccd*>(driver)->ExposurePass();
}

void VexaQ4Ccd::OnDelivery(void* driver) {
    static_cast<VexaQ4Ccd*>(driver)->Deliver();
}

// One pass while the exposure runs: its tick and, once a second, the time left; at its end the
// readout, and the frame handed over on a later pass.
void VexaQ4Ccd::ExposurePass() {
    exposureTimer_ = -1;
    if (!exposure_ || !exposure_->Running()) return;
    const uint32_t leftMs = exposure_->RemainingMs();
    if (leftMs > 0) {
        exposure_->KeepAlive();
        const int secondsLeft = static_cast<int>((leftMs + 999) / 1000);
        if (secondsLeft != secondsLeftShown_) {
            ShowExposureLeft(leftMs / 1000.0);
            secondsLeftShown_ = secondsLeft;
        }
        exposureTimer_ =
            IEAddTimer(static_cast<int>(std::min(leftMs, kExposurePassMs)), OnExposurePass, this);
        return;
    }
    const Status readout = exposure_->Finish();
    ShowExposureLeft(0);
    if (!readout.ok()) {
        FailExposure();
        LOGF_ERROR("The readout failed (%s): no frame.", readout.text().c_str());
        return;
    }
    deliveryPending_ = true;
    deliveryDeferrals_ = 0;
    deliveryTimer_ = IEAddTimer(0, OnDelivery, this);
}

void VexaQ4Ccd::Deliver() {
    deliveryTimer_ = -1;
    if (!deliveryPending_) return;
    if (ClientInputWaiting() && deliveryDeferrals_ < kMostDeliveryDeferrals) {
        ++deliveryDeferrals_;
        deliveryTimer_ = IEAddTimer(0, OnDelivery, this);
        return;
    }
    deliveryPending_ = false;
    const uint16_t* readout = Session().currentImage.data();
    DeliverFrame([this, readout](uint8_t* buffer) { CutFrame(readout, frame_, buffer); });
}

bool VexaQ4Ccd::AbortExposure() {
    StopTimers();
    deliveryPending_ = false;
    if (exposure_) exposure_->Abort();
    return true;
}

void VexaQ4Ccd::StopTimers() {
    if (exposureTimer_ >= 0) IERmTimer(exposureTimer_);
    if (deliveryTimer_ >= 0) IERmTimer(deliveryTimer_);
    exposureTimer_ = -1;
    deliveryTimer_ = -1;
}

// The readout's layout is chosen when the exposure starts: the frame stays as it is until the
// frame has gone out.
bool VexaQ4Ccd::ChangeFrame(const FrameRequest& wanted) {
    if (Busy()) {
        LOG_ERROR("The frame and binning cannot change while an exposure runs.");
        return false;
    }
    const std::string problem = FrameProblem(wanted);
    if (!problem.empty()) {
        LOGF_ERROR("%s", problem.c_str());
        return false;
    }
    frame_ = wanted;
    SetChipFrame(frame_);
    return true;
}

bool VexaQ4Ccd::UpdateCCDFrame(int x, int y, int w, int h) {
    return ChangeFrame(FrameRequest{x, y, w, h, frame_.bin});
}

bool VexaQ4Ccd::UpdateCCDBin(int hor, int ver) {
    if (hor != ver) {
        LOGF_ERROR("The camera bins 1 x 1 or 2 x 2 only, not %d x %d.", hor, ver);
        return false;
    }
    FrameRequest wanted = frame_;
    wanted.bin = hor;
    return ChangeFrame(wanted);
}

}  // namespace vexa::indi
