// The TQ camera as an INDI CCD: the USB camera through the program's own backend, or the
// simulated camera when the client turns SIMULATION on; exposures from 0.01 s to 90 minutes in
// the camera's value-and-unit form, binning 1 x 1 and 2 x 2 (the camera's binned readout),
// subframes cut from the readout, abort at every phase. Everything happens on libindi's event
// loop: the camera object is driven from it alone.
#pragma once

#include <memory>
#include <string>

#include "indi/ccd_base.h"
#include "indi/driver_ui.h"
#include "indi/frame_cut.h"

namespace vexa {
class Camera;
class CameraBackend;
}  // namespace vexa

namespace vexa::indi {

class DriverExposure;

constexpr const char* kDeviceName = "Vexa Q4 CCD";
// The USB log's file when the driver starts; the USB_LOG property can change it.
constexpr const char* kUsbLogVariable = "VEXA_USB_LOG";
// The camera's pixels are 7.4 micrometres square; its samples 16 bits.
constexpr double kPixelMicrometres = 7.4;
constexpr int kSampleBits = 16;

class VexaQ4Ccd final : public CcdBase {
  public:
    VexaQ4Ccd();
    ~VexaQ4Ccd() override;

  protected:
    const char* getDefaultName() override;
    bool initProperties() override;
    void ISGetProperties(const char* dev) override;
    bool updateProperties() override;
    bool ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) override;
    bool saveConfigItems(FILE* fp) override;
    void simulationTriggered(bool enable) override;

    bool Connect() override;
    bool Disconnect() override;
    bool StartExposure(float duration) override;
    bool AbortExposure() override;
    bool UpdateCCDFrame(int x, int y, int w, int h) override;
    bool UpdateCCDBin(int hor, int ver) override;

  private:
    static void OnExposurePass(void* driver);
    static void OnDelivery(void* driver);
    void ExposurePass();
    void Deliver();
    bool FindCamera();
    bool Busy() const;
    bool ChangeFrame(const FrameRequest& wanted);
    void AcceptText(INDI::PropertyText& property, char* texts[], char* names[], int n);
    void StopTimers();
    void Report(MessageLevel level, const std::string& text);

    DriverUi ui_;
    INDI::PropertyText cameraIdTP_{1};
    INDI::PropertyText usbLogTP_{1};
    std::unique_ptr<CameraBackend> backend_;
    std::unique_ptr<Camera> camera_;
    std::unique_ptr<DriverExposure> exposure_;
    FrameRequest frame_;
    int exposureTimer_ = -1;
    int deliveryTimer_ = -1;
    bool deliveryPending_ = false;
    int deliveryDeferrals_ = 0;
    int secondsLeftShown_ = -1;
    bool savedChoicesLoaded_ = false;
};

}  // namespace vexa::indi
