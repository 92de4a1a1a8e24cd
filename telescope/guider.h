// The autoguider: the 128 x 128 guide window around the picked star, guider training (rates
// and backlash of both axes from timed pulses), and the correction step that turns each guide
// frame's star error into direction pulses; "Train Auto-Guiding" and "Start Auto-Guiding".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "camera/guide_frame_source.h"
#include "processing/star_centre.h"
#include "session/message_pump.h"
#include "session/status.h"
#include "telescope/guide_pulses.h"
#include "telescope/guide_star_signal.h"
#include "telescope/telescope_dialog_services.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

class MountLink;

// Errors are kept in nineteenths of a pixel.
constexpr int32_t kErrorUnitsPerPixel = 19;
// An error above this (on either axis) takes the star as lost for that frame: no pulse.
constexpr int32_t kLostStarErrorUnits = 150;
// Corrections need an error above one pixel with whole-pixel centring, else above 3 units.
constexpr int32_t kWholePixelThresholdUnits = 19;
constexpr int32_t kTenthsThresholdUnits = 3;
// Half the side of the guide window.
constexpr int32_t kGuideWindowHalf = 64;
// Training pulses last this many ms per second of training time.
constexpr int32_t kTrainingPulseMsPerSecond = 19;
constexpr int kTrainingStepsPerAxis = 4;

constexpr const char* kTrainingReportFormat =
    "slewx = %5d, slewy = %5d\nbacklashx = %5d, backlashy = %5d";
constexpr const char* kGuideStarLostText =
    "Guide star lost - the star left the guide window. Guiding stopped.";
constexpr const char* kGuidePulseFailedText = "Guide pulse not sent: ";
// Training that saw the star move less than a pixel on an axis; %s names the axis or axes.
constexpr const char* kTrainingNoMotionFormat =
    "Training failed: the star moved less than one pixel %s.\n\nThe mount did not move the "
    "star: check the mount and its connection.\nThe saved rates and backlash are unchanged.";

// ---- the arithmetic ----

// The guide window on one axis for a star at p in an image extent pixels long: the window's
// first pixel and the star's coordinate in the window.
struct WindowAxis {
    int32_t corner = 0;
    int32_t coordinate = 0;
};
WindowAxis PlaceWindowAxis(int32_t p, int32_t extent);

// (reference - found) x 19 + ((0 - tenths) x 19) / 10, truncated to 16 bits.
int16_t GuideErrorUnits(int32_t reference, int32_t found, int32_t foundTenths);

// One axis of a correction: the settings it uses and the direction it last pulsed.
struct AxisGuide {
    char positiveLetter = 'e';  // the direction for a positive error
    char negativeLetter = 'w';
    int16_t rate = 2;      // pixels per 19 ms pulse; 0 is taken as 1
    int16_t backlash = 0;  // error units added when the axis reverses
    int16_t offsetMs = 0;  // taken off every pulse
    bool ignoreSmallDrift = true;
};
struct AxisPulse {
    char letter = 0;
    uint32_t pulseMs = 0;
};
// The pulse one axis needs for this error, if any. lastLetter is the axis's last direction:
// it is updated whenever the error is above the threshold (even when the pulse comes out 0).
std::optional<AxisPulse> DecideAxisPulse(int16_t error, const AxisGuide& axis, char& lastLetter);

// The centre positions training recorded: index 0 the start, 1-4 after each pulse; the whole
// pixels and, with sub-pixel centring, the tenths the finder gave with them.
struct TrainingPositions {
    std::array<int32_t, kTrainingStepsPerAxis + 1> x{};
    std::array<int32_t, kTrainingStepsPerAxis + 1> y{};
    std::array<int32_t, kTrainingStepsPerAxis + 1> tenthsX{};
    std::array<int32_t, kTrainingStepsPerAxis + 1> tenthsY{};
};
struct TrainingResult {
    int32_t rateX = 0;
    int32_t rateY = 0;
    int32_t backlashX = 0;
    int32_t backlashY = 0;
};
TrainingResult ComputeTrainingResult(const TrainingPositions& p, int32_t seconds);
std::string TrainingReport(const TrainingResult& r);
// Whether the star travelled at least one pixel on each axis while training pulsed it: an axis
// on which it did not was not moved by the mount, and its rate would be noise.
struct TrainingMotion {
    bool x = false;
    bool y = false;
};
TrainingMotion TrainingAxesMoved(const TrainingPositions& p);
// The message for a training run in which an axis did not move; empty when both did.
std::string TrainingNoMotionText(const TrainingMotion& moved);

// ---- the guide run ----

// Where a guide run stands.
enum class GuideState {
    Idle,       // made, not started
    Training,   // pulsing the mount each way and measuring how far the star goes
    Acquiring,  // guiding, the first frame still to fix the reference
    Guiding,    // correcting every guide frame
    Lost,       // ended: the star left the window, vanished or changed its light
    Stopped,    // ended: a key or click, the frame limit, the frames' end, or training done
};

// What moves a guide run on.
enum class GuideEvent { TrainingStarts, GuidingStarts, ReferenceTaken, StarLost, Stop };

// The state an event leads to. An event that does not apply leaves the state as it is; an
// ended run stays ended.
GuideState NextGuideState(GuideState state, GuideEvent event);
// Training, acquiring or guiding.
bool GuideRunUnderWay(GuideState state);

// The guide window in the image and the star in it: the corner in image pixels, the rest in
// window pixels (found tenths 0 to 9), the errors in nineteenths of a pixel.
struct GuideTrack {
    int32_t cornerX = 0;
    int32_t cornerY = 0;
    int32_t referenceX = 0;
    int32_t referenceY = 0;
    int32_t foundX = 0;
    int32_t foundY = 0;
    int32_t tenthsX = 0;
    int32_t tenthsY = 0;
    int16_t errorX = 0;
    int16_t errorY = 0;
};

// One training or guiding run on the frames it is given (each a new current image) with its
// pulses sent through the GuidePulses it is given. While it exists a key or click ends a run
// under way (Stopped) and asks its frames to stop; a run that ends, or is destroyed under way,
// stops its frame source.
class GuideRun {
  public:
    GuideRun(GuideFrameSource& frames, GuidePulses& pulses);
    ~GuideRun();
    GuideRun(const GuideRun&) = delete;
    GuideRun& operator=(const GuideRun&) = delete;

    GuideState State() const { return state_; }
    const GuideTrack& Track() const { return track_; }
    // The figures "Guiding Info" shows for the run so far.
    GuidingInfo Info() const;

    // Training from the picked star on the current image, an idle run only. True when the
    // results were stored (and saved).
    bool Train();
    // Guiding until a key or click (or frameLimit frames, 0 for no limit), then "AutoGuiding
    // Terminated" and the focus window and picked star back. False when the run was not idle
    // or the star was lost.
    bool Guide(int frameLimit);

    // The guiding run's beginning: the guide settings, the window around the picked star with
    // the reference at its place, the first frame to come.
    void BeginGuiding(int frameLimit);
    // What every guide frame runs: the reference on the first, the correction and the
    // "Guiding Info" figures. False when the run ends with this frame: stopped, the star lost,
    // a pulse not sent, or the frame limit reached.
    bool FrameArrived();
    // The correction step on the current image. False when the star is lost (the run ends)
    // or a pulse could not be sent.
    bool CorrectionStep();
    // Searches the current image's guide window from (x, y) with the working box; the found
    // position and tenths land in the track. False (after the finder's message) when the box
    // leaves the window.
    bool FindCentre(int32_t x, int32_t y);

  private:
    void Move(GuideEvent event) { state_ = NextGuideState(state_, event); }
    void Abort();
    void StopFrames();
    void PlaceWindow();
    SampleFrame WindowFrame() const;
    void LoseStar(const std::string& message);
    bool StarStillThere(bool checkIntensity);
    bool TakeReference();
    void CountError();
    bool TrainAxis(const std::array<Direction, kTrainingStepsPerAxis>& directions, uint32_t pulseMs,
                   bool xAxis, TrainingPositions& p);
    bool TrainingStep(Direction direction, uint32_t pulseMs);
    void EndGuiding();

    GuideFrameSource& frames_;
    GuidePulses& pulses_;
    GuideState state_ = GuideState::Idle;
    GuideTrack track_;
    // The star as the last accepted guide frame showed it, against which the next is judged.
    std::optional<StarSignal> lastSignal_;
    int32_t savedStarX_ = 0;
    int32_t savedStarY_ = 0;
    // The run's error figures, for the RMS.
    int frameCount_ = 0;
    double sumDx2_ = 0.0;
    double sumDy2_ = 0.0;
    int frameLimit_ = 0;  // 0: until stopped
    bool framesStopped_ = false;
    const AbortScope abortRules_;
};

class Camera;

// Menu commands 23 and 22: their frames from the camera (none: the frames fail), on the front
// end's mount link. Telescope type None ends them at once; without a link they end as when the
// line cannot be opened ("Sorry. No Connection to Telescope").
void CmdTrainAutoGuiding(Camera* camera, MountLink* mount);
void CmdStartAutoGuiding(Camera* camera, MountLink* mount);

}  // namespace vexa
