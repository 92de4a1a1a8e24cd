#include "processing/filter_dialog_models.h"

#include <algorithm>
#include <cstdio>

#include "session/ui_services.h"

namespace vexa {

int StepBarValue(int value, FilterBarAction action, int thumbPosition, int low, int high) {
    switch (action) {
        case FilterBarAction::LineLeft:
        case FilterBarAction::PageLeft:
            return value > low ? value - 1 : value;
        case FilterBarAction::LineRight:
        case FilterBarAction::PageRight:
            return value < high ? value + 1 : value;
        case FilterBarAction::ThumbTrack:
        case FilterBarAction::ThumbPosition:
            return std::clamp(thumbPosition, low, high);
    }
    return value;
}

namespace {

uint16_t Stepped(uint16_t value, FilterBarAction action, int thumbPosition, int low, int high) {
    return static_cast<uint16_t>(StepBarValue(value, action, thumbPosition, low, high));
}

}  // namespace

UnsharpDialogModel::UnsharpDialogModel(SessionState& session) : session_(session) {}

void UnsharpDialogModel::ScrollRadius(FilterBarAction action, int thumbPosition) {
    session_.dialogValue1 =
        Stepped(session_.dialogValue1, action, thumbPosition, kUnsharpBarMin, kUnsharpBarMax);
}

void UnsharpDialogModel::ScrollPower(FilterBarAction action, int thumbPosition) {
    session_.dialogValue2 =
        Stepped(session_.dialogValue2, action, thumbPosition, kUnsharpBarMin, kUnsharpBarMax);
}

void UnsharpDialogModel::ShowHelp() const {
    Ui().MessageBox(HelpCaption(), HelpText());
}

MedianDialogModel::MedianDialogModel(SessionState& session) : session_(session) {}

void MedianDialogModel::ShowHelp() const {
    Ui().MessageBox(HelpCaption(), HelpText());
}

std::string MedianDialogModel::PowerText() const {
    char text[32];
    std::snprintf(text, sizeof text, "%1.1f", PowerTenths() * 0.1);
    return text;
}

void MedianDialogModel::ScrollRadius(FilterBarAction action, int thumbPosition) {
    session_.dialogValue1 = Stepped(session_.dialogValue1, action, thumbPosition,
                                    kMedianRadiusBarMin, kMedianRadiusBarMax);
}

void MedianDialogModel::ScrollPower(FilterBarAction action, int thumbPosition) {
    session_.dialogValue2 = Stepped(session_.dialogValue2, action, thumbPosition,
                                    kMedianPowerBarMin, kMedianPowerBarMax);
}

}  // namespace vexa
