// The autoguider: the 128 x 128 guide window around the picked star, guider training (rates
// and backlash of both axes from timed pulses), and the correction step that turns each guide
// frame's star error into direction pulses; "Train Auto-Guiding" and "Start Auto-Guiding".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "camera/guide_frame_source.h"
#include "session/status.h"
#include "telescope/guide_pulses.h"
#include "telescope/guide_star_signal.h"
#include "telescope/telescope_dialog_services.h"

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

// ---- the running guide ----

struct GuideRunState {
    bool guiding = false;
    bool training = false;
    bool firstPass = false;
    bool starLost = false;  // the star left the window or is no longer there: the run stops
    int32_t cornerX = 0;    // the guide window's first column and row in the image
    int32_t cornerY = 0;
    int32_t referenceX = 0;  // window coordinates
    int32_t referenceY = 0;
    int32_t foundX = 0;
    int32_t foundY = 0;
    int32_t tenthsX = 0;
    int32_t tenthsY = 0;
    int16_t errorX = 0;
    int16_t errorY = 0;
    // The star as the last accepted guide frame showed it, against which the next is judged.
    std::optional<StarSignal> lastSignal;
    int32_t savedStarX = 0;
    int32_t savedStarY = 0;
    // The run's error figures, for the RMS.
    int frames = 0;
    double sumDx2 = 0.0;
    double sumDy2 = 0.0;
    // Stop after this many guide frames (0: until aborted).
    int frameLimit = 0;
};
GuideRunState& GuideRun();

// Saves the guide star and places the window around it; the reference becomes the star's
// window position.
void PlaceGuideWindow();
// Searches the current image's guide window from (x, y) with the working box; the found
// position and tenths land in the run state. False (after the finder's message) when the box
// leaves the window.
bool FindGuideCentre(int32_t x, int32_t y);
// Whether the guide star stands at the found position of the current image: clearly above the
// box's background and, when checkIntensity, with the light of the last accepted frame, which
// it then becomes. A star that is not is lost: the lost-star message and false.
bool GuideStarStillThere(bool checkIntensity);
// The correction step on the current image, its pulses sent through pulses. False when the star
// is lost (the run stops) or a pulse could not be sent.
bool RunCorrectionStep(GuidePulses& pulses);
// What every guide frame of Start Auto-Guiding runs: the reference on the first frame, the
// correction and the "Guiding Info" figures, its pulses sent through pulses. False when the run
// ends with this frame: the star lost, a pulse not sent, or the frame limit reached.
bool GuideFrameArrived(GuidePulses& pulses);
// The figures "Guiding Info" shows for the run so far.
GuidingInfo CurrentGuidingInfo();

// Training on the current image and the frames that follow from frames, pulsing the mount
// through pulses. True when the results were stored (and saved).
bool TrainGuider(GuideFrameSource& frames, GuidePulses& pulses);
// Guiding on the frames from frames until aborted (or frameLimit frames, 0 for no limit), the
// corrections sent through pulses; the source is then stopped. False when it could not start.
bool RunGuiding(GuideFrameSource& frames, int frameLimit, GuidePulses& pulses);

// A key or click during training or guiding ends the guide run and the continuous capture
// that feeds it.
void StopGuidingOnAbort(int16_t stopSeries);

class Camera;

// Menu commands 23 and 22: their frames from the camera (none: the frames fail), on the front
// end's mount link. Telescope type None ends them at once; without a link they end as when the
// line cannot be opened ("Sorry. No Connection to Telescope").
void CmdTrainAutoGuiding(Camera* camera, MountLink* mount);
void CmdStartAutoGuiding(Camera* camera, MountLink* mount);

}  // namespace vexa
