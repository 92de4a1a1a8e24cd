#include "indi/driver_exposure.h"

#include "camera/camera.h"
#include "camera/camera_commands.h"
#include "session/clock.h"

namespace vexa::indi {

Status DriverExposure::Begin(uint32_t exposureMs, bool binned) {
    exposureMs_ = exposureMs;
    binned_ = binned;
    (void)camera_.ExposureTick();
    const Status started = camera_.StartExposure();
    startMs_ = TheClock().Milliseconds();
    running_ = started.ok();
    return started;
}

uint32_t DriverExposure::RemainingMs() const {
    if (!running_) return 0;
    // Unsigned difference: the wrap of the 32-bit clock is harmless.
    const uint32_t elapsed = TheClock().Milliseconds() - startMs_;
    return elapsed >= exposureMs_ ? 0 : exposureMs_ - elapsed;
}

void DriverExposure::KeepAlive() {
    if (running_ && exposureMs_ > kTickFreeExposureMs) (void)camera_.ExposureTick();
}

Status DriverExposure::Finish() {
    running_ = false;
    (void)camera_.EndExposure();
    const Status readout = binned_ ? camera_.ReadBinnedFrame() : camera_.ReadFullFrame();
    // A camera that failed the transfer has been lost: nothing more is sent to it.
    if (readout.ok()) (void)camera_.EndExposure();
    return readout;
}

void DriverExposure::Abort() {
    if (!running_) return;
    running_ = false;
    (void)camera_.EndExposure();
}

}  // namespace vexa::indi
