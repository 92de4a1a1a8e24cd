// The capture sequence as its steps: prepare, then passes of expose, read out, finish the frame
// and what comes between frames, then the end. The capture command runs them all at once; the
// guider's frame source runs them a frame at a time. The steps report their status text and
// bar position through a progress view.
#pragma once

#include <cstdint>
#include <string>

#include "camera/capture_sequence.h"
#include "session/message_pump.h"

namespace vexa {

class Camera;

// Where a running capture shows how far it has come: a status text and a bar from 0 to 256.
class CaptureProgressView {
  public:
    virtual ~CaptureProgressView() = default;
    virtual void Open() = 0;  // shown, the bar at 0
    virtual void Close() = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void SetPosition(int position) = 0;
    virtual int Position() const = 0;
    void Advance(int step) { SetPosition(Position() + step); }
};

// The progress window of the front end; the status and position are kept in the session.
class ProgressWindowView : public CaptureProgressView {
  public:
    void Open() override;
    void Close() override;
    void ShowStatus(const std::string& text) override;
    void SetPosition(int position) override;
    int Position() const override;
};

// One capture from its preparation to its end. While it exists the capture's abort rules
// hold, the main window's pick mode is suspended, and an abort is noted as a stop request.
// On destruction the pick mode comes back and the drift reference is forgotten.
class CaptureRun {
  public:
    // faults, when given, learns which steps failed along the way.
    CaptureRun(Camera& camera, CaptureProgressView& progress, CaptureFaults* faults = nullptr);
    ~CaptureRun();
    CaptureRun(const CaptureRun&) = delete;
    CaptureRun& operator=(const CaptureRun&) = delete;

    // The whole capture: Prepare, passes while Continues, Finish.
    CaptureOutcome Run(CaptureDialog dialog);

    // The reference names, the pixel size and the per-capture flags; the camera, found if need
    // be; the dialog when shown; the geometry, exposure time and title; the countdown. False
    // when the capture ends here without a frame: NoCamera or Cancelled (see Outcome).
    bool Prepare(CaptureDialog dialog);
    // One pass: every exposure of the series (one in a continuous capture), then the
    // end-of-frame step of a single or summed frame. True when its last exposure was read.
    bool Pass();
    // Whether another pass follows: a continuous capture not stopped yet.
    bool Continues() const;
    // The end of a capture that was prepared: the focus window back in the centre and the
    // cursor of the mode; the outcome.
    CaptureOutcome Finish();
    CaptureOutcome Outcome() const { return outcome_; }
    // Whether a key or click stopped this capture (its abort rules ran) while it existed.
    bool StopRequested() const { return stopRequested_; }

  private:
    bool ChooseSettings(CaptureDialog dialog);
    void SetUpExposures();
    void CountdownBeforeExposure();
    bool TakeExposure();
    void Expose();
    void WaitForExposure(const std::string& status);
    bool ReadOut();
    bool FinishFrame(bool frameRead);
    void CountExposureDone();
    void StopAfterFailedTransfer();
    bool SaveContinuousFrame();
    bool FinishCapturedFrame();
    void BetweenFrames(bool settle);
    void PauseBetweenExposures(uint32_t pauseMs);

    const AbortScope abortRules_;
    Camera& camera_;
    CaptureProgressView& progress_;
    CaptureFaults unasked_;
    CaptureFaults& faults_;
    bool pickMode_;
    bool stopRequested_ = false;
    CaptureOutcome outcome_ = CaptureOutcome::Finished;
    bool binned_ = false;
    uint32_t exposureMs_ = 0;
    bool multiple_ = false;
    int steps_ = 0;
    int framesFinished_ = 0;
    bool transferFailed_ = false;
};

}  // namespace vexa
