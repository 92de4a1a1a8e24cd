#include "telescope/guider.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "camera/camera_guide_frames.h"
#include "processing/star_centre.h"
#include "session/long_operation.h"
#include "session/message_catalogue.h"
#include "session/message_pump.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "session/ui_services.h"
#include "telescope/control_box.h"
#include "telescope/guide_star_signal.h"
#include "telescope/mount_link.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

namespace {

constexpr int16_t kStopSeries = 1;
constexpr uint32_t kBoxPrimingPulseMs = 1;
constexpr size_t kInfoTextBytes = 32;

bool boxPrimed = false;

std::string OneDecimal(double value) {
    char text[kInfoTextBytes];
    std::snprintf(text, sizeof text, "%1.1f", value);
    return text;
}

// The working box and the centring the guider uses, from the settings.
void TakeGuideSettings() {
    SessionState& s = Session();
    s.measureBoxHalfSize = s.settings.guideStarMaskRadius;
    s.subPixelCentring = !s.settings.ignoreSmallDrift;
}

// Sends one pulse; reports a line that failed.
bool SendPulse(GuidePulses& pulses, char letter, uint32_t pulseMs) {
    const Status sent = pulses.Pulse(letter, pulseMs);
    if (!sent.ok()) {
        ShowMessage(MessageCode::CallerText, kGuidePulseFailedText + sent.text());
        return false;
    }
    return true;
}

bool Correct(GuidePulses& pulses, int16_t error, const AxisGuide& axis, char& lastLetter) {
    const std::optional<AxisPulse> pulse = DecideAxisPulse(error, axis, lastLetter);
    if (!pulse) return true;
    Ui().Beep();
    const bool sent = SendPulse(pulses, pulse->letter, pulse->pulseMs);
    Ui().Beep();
    return sent;
}

// The guide window of the current image.
SampleFrame GuideWindowFrame() {
    const SessionState& s = Session();
    const GuideRunState& run = GuideRun();
    const int32_t width = s.geometry.width;
    // A capture may have changed the geometry since the window was placed: the window stays
    // inside the image.
    const int32_t left = std::clamp(run.cornerX, 0, std::max(width - kFrameSide, 0));
    const int32_t top = std::clamp(run.cornerY, 0, std::max(s.geometry.height - kFrameSide, 0));
    return {s.currentImage.data() + static_cast<size_t>(top) * width + left, width,
            std::min(kFrameSide, width), std::min(kFrameSide, s.geometry.height)};
}

}  // namespace

WindowAxis PlaceWindowAxis(int32_t p, int32_t extent) {
    if (p > kGuideWindowHalf && p < extent - kGuideWindowHalf)
        return {p - kGuideWindowHalf, kGuideWindowHalf};
    if (p <= kGuideWindowHalf) return {0, p};
    const int32_t corner = extent - kFrameSide;
    return {corner, p - corner};
}

int16_t GuideErrorUnits(int32_t reference, int32_t found, int32_t foundTenths) {
    const int32_t units =
        (reference - found) * kErrorUnitsPerPixel + ((0 - foundTenths) * kErrorUnitsPerPixel) / 10;
    return static_cast<int16_t>(units);
}

std::optional<AxisPulse> DecideAxisPulse(int16_t error, const AxisGuide& axis, char& lastLetter) {
    const int32_t threshold =
        axis.ignoreSmallDrift ? kWholePixelThresholdUnits : kTenthsThresholdUnits;
    int32_t units = error;
    if (std::abs(units) <= threshold) return std::nullopt;
    const char letter = units > 0 ? axis.positiveLetter : axis.negativeLetter;
    // The slack of a reversing axis is taken up on top of the error, in its own direction.
    if (letter != lastLetter) units += units > 0 ? axis.backlash : -axis.backlash;
    lastLetter = letter;
    const int32_t rate = axis.rate == 0 ? 1 : axis.rate;
    const int32_t pulseMs = std::abs(units / rate) - axis.offsetMs;
    if (pulseMs <= 0) return std::nullopt;
    return AxisPulse{letter, static_cast<uint32_t>(pulseMs)};
}

TrainingResult ComputeTrainingResult(const TrainingPositions& p, int32_t seconds) {
    const int32_t t = std::max<int32_t>(seconds, 1);
    const auto& x = p.x;
    const auto& y = p.y;
    TrainingResult r;
    r.rateX = (std::abs(x[1] - x[2]) + std::abs(x[3] - x[4])) / (2 * t);
    r.backlashX = (std::abs(x[0] - x[4]) + std::abs(x[1] - x[3])) / (2 * t);
    r.rateY = std::max(std::abs(y[1] - y[2]), std::abs(y[3] - y[4])) / t;
    r.backlashY = std::max(std::abs(y[0] - y[4]), std::abs(y[1] - y[3])) / t;
    return r;
}

std::string TrainingReport(const TrainingResult& r) {
    char text[128];
    std::snprintf(text, sizeof text, kTrainingReportFormat, r.rateX, r.rateY, r.backlashX,
                  r.backlashY);
    return text;
}

TrainingMotion TrainingAxesMoved(const TrainingPositions& p) {
    // The spread of the recorded centres in tenths of a pixel.
    const auto spread = [](const auto& whole, const auto& tenths) {
        int32_t low = whole[0] * 10 + tenths[0];
        int32_t high = low;
        for (size_t i = 1; i < whole.size(); ++i) {
            const int32_t at = whole[i] * 10 + tenths[i];
            low = std::min(low, at);
            high = std::max(high, at);
        }
        return high - low;
    };
    return {spread(p.x, p.tenthsX) >= 10, spread(p.y, p.tenthsY) >= 10};
}

std::string TrainingNoMotionText(const TrainingMotion& moved) {
    const char* axes = nullptr;
    if (!moved.x && !moved.y) {
        axes = "east-west (RA) and north-south (Dec)";
    } else if (!moved.x) {
        axes = "east-west (RA)";
    } else if (!moved.y) {
        axes = "north-south (Dec)";
    } else {
        return {};
    }
    char text[256];
    std::snprintf(text, sizeof text, kTrainingNoMotionFormat, axes);
    return text;
}

GuideRunState& GuideRun() {
    static GuideRunState run;
    return run;
}

void PlaceGuideWindow() {
    SessionState& s = Session();
    GuideRunState& run = GuideRun();
    run.savedStarX = s.guideStarX;
    run.savedStarY = s.guideStarY;
    const WindowAxis x = PlaceWindowAxis(s.guideStarX, s.geometry.width);
    const WindowAxis y = PlaceWindowAxis(s.guideStarY, s.geometry.height);
    run.cornerX = x.corner;
    run.cornerY = y.corner;
    run.referenceX = x.coordinate;
    run.referenceY = y.coordinate;
    s.focusWindowX = x.corner;
    s.focusWindowY = y.corner;
}

bool FindGuideCentre(int32_t x, int32_t y) {
    const SessionState& s = Session();
    GuideRunState& run = GuideRun();
    const std::optional<StarCentre> centre =
        SearchStarCentre(GuideWindowFrame(), x, y, s.measureBoxHalfSize, s.subPixelCentring);
    if (!centre) {
        Ui().MessageBox(kFindCentreCaption, kFindCentreOutside);
        return false;
    }
    run.foundX = centre->x;
    run.foundY = centre->y;
    run.tenthsX = centre->tenthsX;
    run.tenthsY = centre->tenthsY;
    return true;
}

bool GuideStarStillThere(bool checkIntensity) {
    const SessionState& s = Session();
    GuideRunState& run = GuideRun();
    const std::optional<StarSignal> signal =
        MeasureStarSignal(GuideWindowFrame(), run.foundX, run.foundY, s.measureBoxHalfSize);
    const bool there = signal && StarClearlyPresent(*signal);
    const bool same =
        !checkIntensity || !run.lastSignal || (there && SameIntensity(*signal, *run.lastSignal));
    if (!there || !same) {
        run.starLost = true;
        ShowMessage(MessageCode::GuideStarLost);
        return false;
    }
    if (checkIntensity) run.lastSignal = signal;
    return true;
}

bool RunCorrectionStep(GuidePulses& pulses) {
    SessionState& s = Session();
    GuideRunState& run = GuideRun();
    if (!FindGuideCentre(run.referenceX, run.referenceY)) {
        run.starLost = true;
        ShowMessage(MessageCode::CallerText, kGuideStarLostText);
        return false;
    }
    if (!GuideStarStillThere(true)) return false;
    run.errorX = GuideErrorUnits(run.referenceX, run.foundX, run.tenthsX);
    run.errorY = GuideErrorUnits(run.referenceY, run.foundY, run.tenthsY);
    const double dx = static_cast<double>(run.errorX) / kErrorUnitsPerPixel;
    const double dy = static_cast<double>(run.errorY) / kErrorUnitsPerPixel;
    ++run.frames;
    run.sumDx2 += dx * dx;
    run.sumDy2 += dy * dy;
    if (std::abs(run.errorX) > kLostStarErrorUnits || std::abs(run.errorY) > kLostStarErrorUnits) {
        return true;
    }

    const PersistentSettings& p = s.settings;
    const AxisGuide xAxis{DirectionLetter(Direction::East),
                          DirectionLetter(Direction::West),
                          p.raPixelsPerSecond,
                          p.raBacklash,
                          p.raHysteresis,
                          p.ignoreSmallDrift};
    const AxisGuide yAxis{DirectionLetter(Direction::North),
                          DirectionLetter(Direction::South),
                          p.decPixelsPerSecond,
                          p.decBacklash,
                          p.decHysteresis,
                          p.ignoreSmallDrift};
    TelescopeState& t = s.telescope;
    return Correct(pulses, run.errorX, xAxis, t.lastEastWest) &&
           Correct(pulses, run.errorY, yAxis, t.lastNorthSouth);
}

GuidingInfo CurrentGuidingInfo() {
    const GuideRunState& run = GuideRun();
    GuidingInfo info;
    info.x = OneDecimal(run.foundX + run.tenthsX * 0.1);
    info.y = OneDecimal(run.foundY + run.tenthsY * 0.1);
    info.dxPx = static_cast<double>(run.errorX) / kErrorUnitsPerPixel;
    info.dyPx = static_cast<double>(run.errorY) / kErrorUnitsPerPixel;
    info.dx = OneDecimal(info.dxPx);
    info.dy = OneDecimal(info.dyPx);
    info.frames = run.frames;
    if (run.frames > 0) {
        const double n = run.frames;
        info.rmsXPx = std::sqrt(run.sumDx2 / n);
        info.rmsYPx = std::sqrt(run.sumDy2 / n);
        info.rmsTotalPx = std::sqrt((run.sumDx2 + run.sumDy2) / n);
    }
    return info;
}

bool GuideFrameArrived(GuidePulses& pulses) {
    SessionState& s = Session();
    GuideRunState& run = GuideRun();
    if (!run.guiding || run.training) return true;
    if (run.firstPass) {
        if (!FindGuideCentre(run.referenceX, run.referenceY) ||
            !FindGuideCentre(run.foundX, run.foundY)) {
            run.starLost = true;
            ShowMessage(MessageCode::CallerText, kGuideStarLostText);
            return false;
        }
        if (!GuideStarStillThere(true)) return false;
        run.referenceX = run.foundX;
        run.referenceY = run.foundY;
        run.firstPass = false;
        TelescopeDialogs().OpenGuidingInfo();
    }
    PumpMessages(kStopSeries);
    // An aborted frame is not corrected; the frame source ends with the abort.
    if (s.abortRequested != 0 || !s.guidingDuringCapture) return true;
    const bool ok = RunCorrectionStep(pulses);
    if (run.frames > 0) TelescopeDialogs().ShowGuidingInfo(CurrentGuidingInfo());
    return ok && (run.frameLimit <= 0 || run.frames < run.frameLimit);
}

void StopGuidingOnAbort(int16_t) {
    SessionState& s = Session();
    // Guiding runs as a continuous capture; stopping it must stop the continuous loop too.
    if (s.guidingDuringCapture) s.continuousCapture = false;
    s.guidingDuringCapture = false;
}

bool TrainGuider(GuideFrameSource& frames, GuidePulses& pulses) {
    SessionState& s = Session();
    const AbortScope abortRules(StopGuidingOnAbort);
    GuideRunState& run = GuideRun();
    run = GuideRunState{};
    const int32_t seconds = std::max<int32_t>(s.guideTrainingSeconds, 1);
    TakeGuideSettings();
    PlaceGuideWindow();
    const bool savedContinuous = s.continuousCapture;
    run.guiding = true;
    run.training = true;
    s.guidingDuringCapture = true;
    s.continuousCapture = false;
    s.abortRequested = 0;

    TrainingPositions p;
    bool ok = FindGuideCentre(run.referenceX, run.referenceY) && GuideStarStillThere(false);
    p.x[0] = run.foundX;
    p.y[0] = run.foundY;
    p.tenthsX[0] = run.tenthsX;
    p.tenthsY[0] = run.tenthsY;

    // One training step: the pulse, a new frame, and the centre searched twice from the last.
    // A pulse that the axis's offset takes whole is not sent, as in the correction step.
    const auto step = [&](Direction direction, uint32_t pulseMs) {
        if (!ok) return;
        ok = (pulseMs == 0 || SendPulse(pulses, DirectionLetter(direction), pulseMs)) &&
             frames.NextFrame() == GuideFrame::Delivered && s.abortRequested == 0 &&
             s.guidingDuringCapture && FindGuideCentre(run.foundX, run.foundY) &&
             FindGuideCentre(run.foundX, run.foundY) && GuideStarStillThere(false);
    };
    const auto pulseFor = [seconds](int16_t offsetMs) {
        return static_cast<uint32_t>(
            std::max<int32_t>(kTrainingPulseMsPerSecond * seconds - offsetMs, 0));
    };

    const uint32_t yPulseMs = pulseFor(s.settings.decHysteresis);
    const Direction yDirections[] = {Direction::North, Direction::North, Direction::South,
                                     Direction::South};
    for (int i = 0; i < kTrainingStepsPerAxis; ++i) {
        step(yDirections[i], yPulseMs);
        p.y[i + 1] = run.foundY;
        p.tenthsY[i + 1] = run.tenthsY;
    }
    const uint32_t xPulseMs = pulseFor(s.settings.raHysteresis);
    const Direction xDirections[] = {Direction::East, Direction::East, Direction::West,
                                     Direction::West};
    for (int i = 0; i < kTrainingStepsPerAxis; ++i) {
        step(xDirections[i], xPulseMs);
        p.x[i + 1] = run.foundX;
        p.tenthsX[i + 1] = run.tenthsX;
    }

    if (ok) {
        // Rates measured on a star the mount did not move would be noise: the saved ones stay.
        const std::string noMotion = TrainingNoMotionText(TrainingAxesMoved(p));
        if (!noMotion.empty()) {
            ShowMessage(MessageCode::CallerText, noMotion);
            ok = false;
        }
    }
    if (ok) {
        const TrainingResult r = ComputeTrainingResult(p, seconds);
        ShowMessage(MessageCode::CallerText, TrainingReport(r));
        PersistentSettings& settings = s.settings;
        settings.raPixelsPerSecond = static_cast<int16_t>(std::max(r.rateX, 1));
        settings.decPixelsPerSecond = static_cast<int16_t>(std::max(r.rateY, 1));
        settings.raBacklash = static_cast<int16_t>(r.backlashX);
        settings.decBacklash = static_cast<int16_t>(r.backlashY);
        if (SaveSettings() != 0) ShowMessage(MessageCode::SettingsSaveFailed);
    }

    run.training = false;
    run.guiding = false;
    s.guidingDuringCapture = false;
    s.continuousCapture = savedContinuous;
    return ok;
}

bool RunGuiding(GuideFrameSource& frames, int frameLimit, GuidePulses& pulses) {
    SessionState& s = Session();
    const AbortScope abortRules(StopGuidingOnAbort);
    GuideRunState& run = GuideRun();
    run = GuideRunState{};
    run.frameLimit = frameLimit;
    const bool savedContinuous = s.continuousCapture;
    const int16_t savedPause = s.camera.pauseMinutes;

    run.guiding = true;
    s.guidingDuringCapture = true;
    s.continuousCapture = true;
    s.camera.pauseMinutes = 0;
    TakeGuideSettings();
    PlaceGuideWindow();
    s.abortRequested = 0;
    run.firstPass = true;

    while (frames.NextFrame() == GuideFrame::Delivered && GuideFrameArrived(pulses)) {
    }
    frames.Stop();

    ShowMessage(MessageCode::AutoGuidingTerminated);
    TelescopeDialogs().CloseGuidingInfo();
    s.abortRequested = 0;
    ResetFocusWindow();
    s.guideStarX = run.savedStarX;
    s.guideStarY = run.savedStarY;
    s.guidingDuringCapture = false;
    s.continuousCapture = savedContinuous;
    s.camera.pauseMinutes = savedPause;
    run.guiding = false;
    return !run.starLost;
}

void CmdTrainAutoGuiding(Camera* camera, MountLink* mount) {
    if (TelescopeTypeOf(mount) == TelescopeType::None) return;
    if (!ConnectTelescope(mount)) return;
    if (TelescopeTypeOf(mount) == TelescopeType::ControlBox) {
        (void)InitialiseControlBox(mount->Line());
        if (!boxPrimed) {
            boxPrimed = true;
            for (Direction d :
                 {Direction::North, Direction::South, Direction::East, Direction::West}) {
                (void)mount->Pulses().Pulse(DirectionLetter(d), kBoxPrimingPulseMs);
            }
        }
    }
    const LongOperation running(LongOperationKind::GuiderTraining);
    CaptureGuideFrames frames(camera, GuideFrameKind::Training);
    (void)TrainGuider(frames, mount->Pulses());
}

void CmdStartAutoGuiding(Camera* camera, MountLink* mount) {
    if (TelescopeTypeOf(mount) == TelescopeType::None) return;
    if (!ConnectTelescope(mount)) return;
    if (TelescopeTypeOf(mount) == TelescopeType::ControlBox) {
        (void)InitialiseControlBox(mount->Line());
    }
    const LongOperation running(LongOperationKind::Guiding);
    CaptureGuideFrames frames(camera, GuideFrameKind::Guiding);
    (void)RunGuiding(frames, 0, mount->Pulses());
}

}  // namespace vexa
