#include "indi/ccd_base.h"

#include <mutex>

namespace vexa::indi {

namespace {
constexpr const char* kExposureProperty = "CCD_EXPOSURE";
constexpr const char* kExposureElement = "CCD_EXPOSURE_VALUE";
constexpr const char* kBinningProperty = "CCD_BINNING";
}  // namespace

void CcdBase::SetSensor(int width, int height, int bits, double pixelMicrometres) {
    SetCCDParams(width, height, bits, static_cast<float>(pixelMicrometres),
                 static_cast<float>(pixelMicrometres));
}

void CcdBase::SetExposureRange(double shortestSeconds, double longestSeconds, double stepSeconds) {
    PrimaryCCD.setMinMaxStep(kExposureProperty, kExposureElement, shortestSeconds, longestSeconds,
                             stepSeconds);
}

void CcdBase::SetBinningRange(int most) {
    PrimaryCCD.setMinMaxStep(kBinningProperty, "HOR_BIN", 1, most, 1);
    PrimaryCCD.setMinMaxStep(kBinningProperty, "VER_BIN", 1, most, 1);
}

void CcdBase::SetChipFrame(const FrameRequest& frame) {
    const std::lock_guard<std::mutex> guard(ccdBufferLock);
    PrimaryCCD.setBin(static_cast<uint8_t>(frame.bin), static_cast<uint8_t>(frame.bin));
    PrimaryCCD.setFrame(static_cast<uint32_t>(frame.x), static_cast<uint32_t>(frame.y),
                        static_cast<uint32_t>(frame.width), static_cast<uint32_t>(frame.height));
    PrimaryCCD.setFrameBufferSize(static_cast<uint32_t>(CutBytes(frame)));
}

void CcdBase::NoteExposureStart(double seconds) {
    PrimaryCCD.setExposureDuration(seconds);
}

void CcdBase::ShowExposureLeft(double seconds) {
    PrimaryCCD.setExposureLeft(seconds);
}

void CcdBase::FailExposure() {
    PrimaryCCD.setExposureFailed();
}

void CcdBase::DeliverFrame(const std::function<void(uint8_t* buffer)>& fill) {
    {
        const std::lock_guard<std::mutex> guard(ccdBufferLock);
        fill(PrimaryCCD.getFrameBuffer());
    }
    ExposureComplete(&PrimaryCCD);
}

}  // namespace vexa::indi
