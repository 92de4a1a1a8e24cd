// One exposure of the INDI driver on its camera. The driver's event loop calls it a pass at a
// time instead of waiting in it, so that clients are served and an abort is seen while the
// exposure runs; the commands and their order are the capture's: ExposureTick and
// StartExposure, ExposureTick on every pass while an exposure longer than 600 ms runs,
// EndExposure, the readout into currentImage, and EndExposure once more.
#pragma once

#include <cstdint>

#include "session/status.h"

namespace vexa {
class Camera;
}

namespace vexa::indi {

// The pace of the passes while an exposure runs: that of the capture's ticks for exposures in
// seconds and minutes.
constexpr uint32_t kExposurePassMs = 30;

class DriverExposure {
  public:
    // The camera must outlive the exposure.
    explicit DriverExposure(Camera& camera) : camera_(camera) {}

    // ExposureTick, StartExposure; the exposure time runs from now on TheClock(). Not Ok (the
    // camera has reported why) when the start could not be sent: nothing runs then.
    Status Begin(uint32_t exposureMs, bool binned);
    bool Running() const { return running_; }
    // The time still to run; 0 once it is over.
    uint32_t RemainingMs() const;
    // One pass of the wait: the tick that keeps a long exposure going.
    void KeepAlive();
    // EndExposure, the full or binned readout, EndExposure. The status is the readout's: not
    // Ok when the transfer failed (the camera has reported it), and currentImage is then no
    // frame.
    Status Finish();
    // EndExposure, and no readout.
    void Abort();

  private:
    Camera& camera_;
    bool running_ = false;
    bool binned_ = false;
    uint32_t exposureMs_ = 0;
    uint32_t startMs_ = 0;
};

}  // namespace vexa::indi
