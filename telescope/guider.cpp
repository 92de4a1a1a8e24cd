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

// The axes of a correction, from the settings.
AxisGuide RaAxis(const PersistentSettings& p) {
    return {DirectionLetter(Direction::East),
            DirectionLetter(Direction::West),
            p.raPixelsPerSecond,
            p.raBacklash,
            p.raHysteresis,
            p.ignoreSmallDrift};
}
AxisGuide DecAxis(const PersistentSettings& p) {
    return {DirectionLetter(Direction::North),
            DirectionLetter(Direction::South),
            p.decPixelsPerSecond,
            p.decBacklash,
            p.decHysteresis,
            p.ignoreSmallDrift};
}

// A training pulse: 19 ms for every second of training time, less the axis's offset.
uint32_t TrainingPulseMs(int32_t seconds, int16_t offsetMs) {
    return static_cast<uint32_t>(
        std::max<int32_t>(kTrainingPulseMsPerSecond * seconds - offsetMs, 0));
}

// Training's results: rates measured on a star the mount did not move would be noise, so the
// saved ones stay; otherwise the report, a rate of 0 stored as 1, and the settings file saved.
bool StoreTrainingResult(const TrainingPositions& p, int32_t seconds) {
    const std::string noMotion = TrainingNoMotionText(TrainingAxesMoved(p));
    if (!noMotion.empty()) {
        ShowMessage(MessageCode::CallerText, noMotion);
        return false;
    }
    const TrainingResult r = ComputeTrainingResult(p, seconds);
    ShowMessage(MessageCode::CallerText, TrainingReport(r));
    PersistentSettings& settings = Session().settings;
    settings.raPixelsPerSecond = static_cast<int16_t>(std::max(r.rateX, 1));
    settings.decPixelsPerSecond = static_cast<int16_t>(std::max(r.rateY, 1));
    settings.raBacklash = static_cast<int16_t>(r.backlashX);
    settings.decBacklash = static_cast<int16_t>(r.backlashY);
    if (SaveSettings() != 0) ShowMessage(MessageCode::SettingsSaveFailed);
    return true;
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

GuideState NextGuideState(GuideState state, GuideEvent event) {
    switch (state) {
        case GuideState::Idle:
            if (event == GuideEvent::TrainingStarts) return GuideState::Training;
            if (event == GuideEvent::GuidingStarts) return GuideState::Acquiring;
            return state;
        case GuideState::Acquiring:
            if (event == GuideEvent::ReferenceTaken) return GuideState::Guiding;
            [[fallthrough]];
        case GuideState::Training:
        case GuideState::Guiding:
            if (event == GuideEvent::StarLost) return GuideState::Lost;
            if (event == GuideEvent::Stop) return GuideState::Stopped;
            return state;
        case GuideState::Lost:
        case GuideState::Stopped:
            return state;
    }
    return state;
}

bool GuideRunUnderWay(GuideState state) {
    return state == GuideState::Training || state == GuideState::Acquiring ||
           state == GuideState::Guiding;
}

GuideRun::GuideRun(GuideFrameSource& frames, GuidePulses& pulses)
    : frames_(frames), pulses_(pulses), abortRules_([this](int16_t) { Abort(); }) {}

// The source's capture and its abort rules end before the run's own.
GuideRun::~GuideRun() {
    if (state_ != GuideState::Idle) StopFrames();
}

// Guiding runs on a continuous capture: stopping the run stops the capture too.
void GuideRun::Abort() {
    if (!GuideRunUnderWay(state_)) return;
    Move(GuideEvent::Stop);
    frames_.RequestStop();
}

void GuideRun::StopFrames() {
    if (framesStopped_) return;
    framesStopped_ = true;
    frames_.Stop();
}

void GuideRun::PlaceWindow() {
    SessionState& s = Session();
    savedStarX_ = s.guideStarX;
    savedStarY_ = s.guideStarY;
    const WindowAxis x = PlaceWindowAxis(s.guideStarX, s.geometry.width);
    const WindowAxis y = PlaceWindowAxis(s.guideStarY, s.geometry.height);
    track_.cornerX = x.corner;
    track_.cornerY = y.corner;
    track_.referenceX = x.coordinate;
    track_.referenceY = y.coordinate;
    s.focusWindowX = x.corner;
    s.focusWindowY = y.corner;
}

// The guide window of the current image.
SampleFrame GuideRun::WindowFrame() const {
    const SessionState& s = Session();
    const int32_t width = s.geometry.width;
    // A capture may have changed the geometry since the window was placed: the window stays
    // inside the image.
    const int32_t left = std::clamp(track_.cornerX, 0, std::max(width - kFrameSide, 0));
    const int32_t top = std::clamp(track_.cornerY, 0, std::max(s.geometry.height - kFrameSide, 0));
    return {s.currentImage.data() + static_cast<size_t>(top) * width + left, width,
            std::min(kFrameSide, width), std::min(kFrameSide, s.geometry.height)};
}

bool GuideRun::FindCentre(int32_t x, int32_t y) {
    const SessionState& s = Session();
    const std::optional<StarCentre> centre =
        SearchStarCentre(WindowFrame(), x, y, s.measureBoxHalfSize, s.subPixelCentring);
    if (!centre) {
        Ui().MessageBox(kFindCentreCaption, kFindCentreOutside);
        return false;
    }
    track_.foundX = centre->x;
    track_.foundY = centre->y;
    track_.tenthsX = centre->tenthsX;
    track_.tenthsY = centre->tenthsY;
    return true;
}

void GuideRun::LoseStar(const std::string& message) {
    Move(GuideEvent::StarLost);
    ShowMessage(MessageCode::CallerText, message);
}

// Whether the guide star stands at the found position of the current image: clearly above
// the box's background and, when checkIntensity, with the light of the last accepted frame,
// which it then becomes. A star that is not is lost.
bool GuideRun::StarStillThere(bool checkIntensity) {
    const SessionState& s = Session();
    const std::optional<StarSignal> signal =
        MeasureStarSignal(WindowFrame(), track_.foundX, track_.foundY, s.measureBoxHalfSize);
    const bool there = signal && StarClearlyPresent(*signal);
    const bool same =
        !checkIntensity || !lastSignal_ || (there && SameIntensity(*signal, *lastSignal_));
    if (!there || !same) {
        Move(GuideEvent::StarLost);
        ShowMessage(MessageCode::GuideStarLost);
        return false;
    }
    if (checkIntensity) lastSignal_ = signal;
    return true;
}

// The error of the found star against the reference, counted into the run's RMS.
void GuideRun::CountError() {
    track_.errorX = GuideErrorUnits(track_.referenceX, track_.foundX, track_.tenthsX);
    track_.errorY = GuideErrorUnits(track_.referenceY, track_.foundY, track_.tenthsY);
    const double dx = static_cast<double>(track_.errorX) / kErrorUnitsPerPixel;
    const double dy = static_cast<double>(track_.errorY) / kErrorUnitsPerPixel;
    ++frameCount_;
    sumDx2_ += dx * dx;
    sumDy2_ += dy * dy;
}

bool GuideRun::CorrectionStep() {
    SessionState& s = Session();
    if (!FindCentre(track_.referenceX, track_.referenceY)) {
        LoseStar(kGuideStarLostText);
        return false;
    }
    if (!StarStillThere(true)) return false;
    CountError();
    if (std::abs(track_.errorX) > kLostStarErrorUnits ||
        std::abs(track_.errorY) > kLostStarErrorUnits) {
        return true;
    }
    TelescopeState& t = s.telescope;
    return Correct(pulses_, track_.errorX, RaAxis(s.settings), t.lastEastWest) &&
           Correct(pulses_, track_.errorY, DecAxis(s.settings), t.lastNorthSouth);
}

GuidingInfo GuideRun::Info() const {
    GuidingInfo info;
    info.x = OneDecimal(track_.foundX + track_.tenthsX * 0.1);
    info.y = OneDecimal(track_.foundY + track_.tenthsY * 0.1);
    info.dxPx = static_cast<double>(track_.errorX) / kErrorUnitsPerPixel;
    info.dyPx = static_cast<double>(track_.errorY) / kErrorUnitsPerPixel;
    info.dx = OneDecimal(info.dxPx);
    info.dy = OneDecimal(info.dyPx);
    info.frames = frameCount_;
    if (frameCount_ > 0) {
        const double n = frameCount_;
        info.rmsXPx = std::sqrt(sumDx2_ / n);
        info.rmsYPx = std::sqrt(sumDy2_ / n);
        info.rmsTotalPx = std::sqrt((sumDx2_ + sumDy2_) / n);
    }
    return info;
}

// The first guide frame: the star searched twice from where it was picked becomes the
// reference, and "Guiding Info" opens.
bool GuideRun::TakeReference() {
    if (!FindCentre(track_.referenceX, track_.referenceY) ||
        !FindCentre(track_.foundX, track_.foundY)) {
        LoseStar(kGuideStarLostText);
        return false;
    }
    if (!StarStillThere(true)) return false;
    track_.referenceX = track_.foundX;
    track_.referenceY = track_.foundY;
    Move(GuideEvent::ReferenceTaken);
    TelescopeDialogs().OpenGuidingInfo();
    return true;
}

void GuideRun::BeginGuiding(int frameLimit) {
    frameLimit_ = frameLimit;
    Move(GuideEvent::GuidingStarts);
    TakeGuideSettings();
    PlaceWindow();
    Session().abortRequested = 0;
}

bool GuideRun::FrameArrived() {
    if (state_ == GuideState::Acquiring && !TakeReference()) return false;
    if (state_ != GuideState::Guiding) return false;
    PumpMessages(kStopSeries);
    // An aborted frame is not corrected; the abort stopped the run and its frames.
    if (Session().abortRequested != 0 || state_ != GuideState::Guiding) return false;
    const bool ok = CorrectionStep();
    if (frameCount_ > 0) TelescopeDialogs().ShowGuidingInfo(Info());
    return ok && (frameLimit_ <= 0 || frameCount_ < frameLimit_);
}

bool GuideRun::Guide(int frameLimit) {
    if (state_ != GuideState::Idle) return false;
    BeginGuiding(frameLimit);
    while (GuideRunUnderWay(state_) && frames_.NextFrame() == GuideFrame::Delivered &&
           FrameArrived()) {
    }
    EndGuiding();
    return state_ != GuideState::Lost;
}

void GuideRun::EndGuiding() {
    StopFrames();
    Move(GuideEvent::Stop);
    SessionState& s = Session();
    ShowMessage(MessageCode::AutoGuidingTerminated);
    TelescopeDialogs().CloseGuidingInfo();
    s.abortRequested = 0;
    ResetFocusWindow();
    s.guideStarX = savedStarX_;
    s.guideStarY = savedStarY_;
}

// One training step: the pulse, a new frame, and the centre searched twice from the last.
// A pulse that the axis's offset takes whole is not sent, as in the correction step.
bool GuideRun::TrainingStep(Direction direction, uint32_t pulseMs) {
    return (pulseMs == 0 || SendPulse(pulses_, DirectionLetter(direction), pulseMs)) &&
           frames_.NextFrame() == GuideFrame::Delivered && Session().abortRequested == 0 &&
           state_ == GuideState::Training && FindCentre(track_.foundX, track_.foundY) &&
           FindCentre(track_.foundX, track_.foundY) && StarStillThere(false);
}

// Four pulses on one axis, two out and two back, with the star's place after each.
bool GuideRun::TrainAxis(const std::array<Direction, kTrainingStepsPerAxis>& directions,
                         uint32_t pulseMs, bool xAxis, TrainingPositions& p) {
    for (size_t i = 0; i < directions.size(); ++i) {
        if (!TrainingStep(directions[i], pulseMs)) return false;
        (xAxis ? p.x : p.y)[i + 1] = xAxis ? track_.foundX : track_.foundY;
        (xAxis ? p.tenthsX : p.tenthsY)[i + 1] = xAxis ? track_.tenthsX : track_.tenthsY;
    }
    return true;
}

bool GuideRun::Train() {
    if (state_ != GuideState::Idle) return false;
    SessionState& s = Session();
    const int32_t seconds = std::max<int32_t>(s.guideTrainingSeconds, 1);
    TakeGuideSettings();
    PlaceWindow();
    Move(GuideEvent::TrainingStarts);
    s.abortRequested = 0;

    TrainingPositions p;
    const bool measured = FindCentre(track_.referenceX, track_.referenceY) && StarStillThere(false);
    p.x[0] = track_.foundX;
    p.y[0] = track_.foundY;
    p.tenthsX[0] = track_.tenthsX;
    p.tenthsY[0] = track_.tenthsY;
    const PersistentSettings& settings = s.settings;
    const bool ok =
        measured &&
        TrainAxis({Direction::North, Direction::North, Direction::South, Direction::South},
                  TrainingPulseMs(seconds, settings.decHysteresis), false, p) &&
        TrainAxis({Direction::East, Direction::East, Direction::West, Direction::West},
                  TrainingPulseMs(seconds, settings.raHysteresis), true, p) &&
        StoreTrainingResult(p, seconds);
    StopFrames();
    Move(GuideEvent::Stop);
    return ok;
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
    GuideRun run(frames, mount->Pulses());
    (void)run.Train();
}

void CmdStartAutoGuiding(Camera* camera, MountLink* mount) {
    if (TelescopeTypeOf(mount) == TelescopeType::None) return;
    if (!ConnectTelescope(mount)) return;
    if (TelescopeTypeOf(mount) == TelescopeType::ControlBox) {
        (void)InitialiseControlBox(mount->Line());
    }
    const LongOperation running(LongOperationKind::Guiding);
    CaptureGuideFrames frames(camera, GuideFrameKind::Guiding);
    GuideRun run(frames, mount->Pulses());
    (void)run.Guide(0);
}

}  // namespace vexa
