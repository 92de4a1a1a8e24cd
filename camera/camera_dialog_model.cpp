#include "camera/camera_dialog_model.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "camera/focus_loop.h"
#include "files/view_bitmap.h"
#include "session/host_paths.h"
#include "session/message_catalogue.h"
#include "session/ui_services.h"

namespace vexa {

uint16_t ExposureMaximum(char unit) {
    switch (unit) {
        case 'h':
            return kHundredthsMaximum;
        case 't':
            return kTenthsMaximum;
        case 'm':
            return kMinutesMaximum;
        default:
            return kSecondsMaximum;
    }
}

CameraDialogModel::CameraDialogModel(Camera* camera, SessionState& session)
    : camera_(camera), session_(session) {}

void CameraDialogModel::ChooseUnit(char unit) {
    switch (unit) {
        case 'h':
        case 't':
        case 's':
        case 'm':
            break;
        default:
            return;
    }
    camera().exposureUnit = unit;
    camera().exposureMaximum = ExposureMaximum(unit);
    camera().exposureValue = unit == 'h' ? kHundredthsStartValue : 1;
}

void CameraDialogModel::ExposureUp() {
    if (camera().exposureValue > 1) --camera().exposureValue;
}

void CameraDialogModel::ExposureDown() {
    if (camera().exposureValue < camera().exposureMaximum) ++camera().exposureValue;
}

void CameraDialogModel::CountUp() {
    if (session_.seriesCount > 1) --session_.seriesCount;
}

void CameraDialogModel::CountDown() {
    if (session_.seriesCount < kMostExposures) ++session_.seriesCount;
}

void CameraDialogModel::PauseUp() {
    if (camera().pauseMinutes > 0) --camera().pauseMinutes;
}

void CameraDialogModel::PauseDown() {
    if (camera().pauseMinutes < kLongestPauseMinutes) ++camera().pauseMinutes;
}

void CameraDialogModel::SetExposureValue(int value) {
    camera().exposureValue =
        static_cast<uint16_t>(std::clamp<int>(value, 1, camera().exposureMaximum));
}

void CameraDialogModel::SetExposureCount(int count) {
    session_.seriesCount = static_cast<int16_t>(std::clamp<int>(count, 1, kMostExposures));
}

void CameraDialogModel::SetPauseMinutes(int minutes) {
    camera().pauseMinutes = static_cast<int16_t>(std::clamp<int>(minutes, 0, kLongestPauseMinutes));
}

void CameraDialogModel::ScrollStretch(BitDepthBarAction action, int thumbPosition) {
    int32_t& bits = session_.paletteStretchBits;
    switch (action) {
        case BitDepthBarAction::LineLeft:
            if (bits > kFewestStretchBits) --bits;
            break;
        case BitDepthBarAction::LineRight:
            if (bits < kMostStretchBits) ++bits;
            break;
        case BitDepthBarAction::PageLeft:
            bits = kFewestStretchBits;
            break;
        case BitDepthBarAction::PageRight:
            bits = kMostStretchBits;
            break;
        case BitDepthBarAction::Thumb:
            bits = std::clamp<int32_t>(thumbPosition, kFewestStretchBits, kMostStretchBits);
            break;
    }
}

bool CameraDialogModel::Checked(CameraOption option) const {
    switch (option) {
        case CameraOption::AverageMultiple:
            return camera().averageMultiple;
        case CameraOption::AlternativeSlew:
            return camera().alternativeSlew;
        case CameraOption::AutoSave:
            return session_.autoSaveImage;
        case CameraOption::DelayBeforeExposure:
            return camera().delayBeforeExposure;
        case CameraOption::Continuous:
            return session_.continuousCapture;
        case CameraOption::BinImage:
            return camera().binImage;
        case CameraOption::RemoveDark:
            return session_.darkFrameOn;
        case CameraOption::ApplyFlat:
            return session_.flatFieldOn;
        case CameraOption::AutoProcessing:
            return session_.applyAutoProcessing;
        case CameraOption::StretchAllImages:
            return session_.paletteStretch;
        case CameraOption::AutochangeExposure:
            return camera().autochangeExposure;
    }
    return false;
}

void CameraDialogModel::Toggle(CameraOption option) {
    auto flip = [](bool& flag) { flag = !flag; };
    switch (option) {
        case CameraOption::AverageMultiple:
            return flip(camera().averageMultiple);
        case CameraOption::AlternativeSlew:
            return flip(camera().alternativeSlew);
        case CameraOption::AutoSave:
            return flip(session_.autoSaveImage);
        case CameraOption::DelayBeforeExposure:
            return flip(camera().delayBeforeExposure);
        case CameraOption::Continuous:
            return flip(session_.continuousCapture);
        case CameraOption::BinImage:
            return flip(camera().binImage);
        case CameraOption::RemoveDark:
            return flip(session_.darkFrameOn);
        case CameraOption::ApplyFlat:
            return flip(session_.flatFieldOn);
        case CameraOption::AutoProcessing:
            return flip(session_.applyAutoProcessing);
        case CameraOption::StretchAllImages:
            return flip(session_.paletteStretch);
        case CameraOption::AutochangeExposure:
            return flip(camera().autochangeExposure);
    }
}

std::string CameraDialogModel::ExposureValueText() const {
    return std::to_string(camera().exposureValue);
}

std::string CameraDialogModel::ExposureCountText() const {
    return std::to_string(session_.seriesCount);
}

std::string CameraDialogModel::PauseText() const {
    return std::to_string(camera().pauseMinutes);
}

std::string CameraDialogModel::StretchText() const {
    return std::to_string(session_.paletteStretchBits);
}

std::string CameraDialogModel::LastFileNumberText() const {
    return std::to_string(session_.settings.autosaveNumber);
}

std::string CameraDialogModel::MaxValueText() const {
    return std::to_string(camera().focusPeak);
}

std::string CameraDialogModel::HalfFluxText() const {
    if (!camera().focusHfdFound) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", camera().focusHfdPx);
    return text;
}

void CameraDialogModel::StartFocus() {
    if (camera_ == nullptr || camera().focusRunning) return;
    RunFocusLoop(*camera_, focusFrameListener_);
}

void CameraDialogModel::StopFocus() {
    camera().focusStop = true;
}

void CameraDialogModel::SetFocusFrameListener(std::function<void()> listener) {
    focusFrameListener_ = std::move(listener);
}

std::string CameraDialogModel::FocusBitmapHostPath() const {
    return HostPath(ViewBitmapProgramPath(ViewBitmapVariant::Frame)).string();
}

void CameraDialogModel::TakePhoto() {
    StopFocus();
}

void CameraDialogModel::Cancel() {
    StopFocus();
}

void CameraDialogModel::ShowHelp() const {
    // Longer than a catalogue text may be: shown whole, with the catalogue's caption.
    Ui().MessageBox(kMessageCaption, kCameraHelpText);
}

}  // namespace vexa
