#include "processing/stretch_dialog_models.h"

#include <algorithm>
#include <cstdio>

#include "session/ui_services.h"

namespace vexa {

namespace {

// The drawing area above the histogram's base line.
constexpr int kHistogramMaxHeight = kHistogramBaseY;
constexpr int kTickLongerLevelLow = 64;
constexpr int kTickLongerLevelHigh = 192;
constexpr int kTickLongestLevel = 128;

}  // namespace

// ---- "Normal Stretch" ----

StretchDialogModel::StretchDialogModel(SessionState& session) : session_(session) {}

void StretchDialogModel::ScrollWhite(StretchBarAction action, int thumbPosition) {
    // Signed arithmetic: the tests below compare against W - 10 with W possibly under 10.
    int w = White();
    const int b = Black();
    switch (action) {
        case StretchBarAction::LineLeft:
            if (w > 0 && b + 1 < w) w -= 1;
            break;
        case StretchBarAction::LineRight:
            if (w < kWhiteBarMax) w += 1;
            break;
        case StretchBarAction::PageLeft:
            if (w > kBarPageStep - 1 && b + kBarPageStep < w) w -= kBarPageStep;
            break;
        case StretchBarAction::PageRight:
            if (w <= kWhiteBarMax - kBarPageStep) w += kBarPageStep;
            break;
        case StretchBarAction::ThumbTrack:
        case StretchBarAction::ThumbPosition: {
            const int p = std::clamp(thumbPosition, kWhiteBarMin, kWhiteBarMax);
            if (b < p) w = p;
            break;
        }
    }
    session_.dialogValue1 = static_cast<uint16_t>(w);
}

void StretchDialogModel::ScrollBlack(StretchBarAction action, int thumbPosition) {
    const int w = White();
    int b = Black();
    switch (action) {
        case StretchBarAction::LineLeft:
            if (b > 0) b -= 1;
            break;
        case StretchBarAction::LineRight:
            if (b < kBlackBarMax && b < w - 1) b += 1;
            break;
        case StretchBarAction::PageLeft:
            if (b > kBarPageStep - 1) b -= kBarPageStep;
            break;
        case StretchBarAction::PageRight:
            if (b < kBlackBarMax - kBarPageStep + 1 && b < w - kBarPageStep) b += kBarPageStep;
            break;
        case StretchBarAction::ThumbTrack:
        case StretchBarAction::ThumbPosition: {
            const int p = std::clamp(thumbPosition, kBlackBarMin, kBlackBarMax);
            if (p < w) b = p;
            break;
        }
    }
    session_.dialogValue2 = static_cast<uint16_t>(b);
}

std::array<HistogramColumn, kHistogramLevels> StretchDialogModel::HistogramColumns() const {
    std::array<HistogramColumn, kHistogramLevels> columns{};
    for (int level = 0; level < kHistogramLevels; ++level) {
        HistogramColumn& c = columns[level];
        c.x = level + kHistogramLeftX;
        const int height = session_.displayHistogram[level] / kHistogramCountsPerPixel;
        c.cut = height > kHistogramMaxHeight;
        c.height = std::min(height, kHistogramMaxHeight);
        c.top = kHistogramBaseY - c.height;
    }
    return columns;
}

std::array<DialogLine, 2> StretchDialogModel::AxisLines() {
    return {DialogLine{kAxisLeftX, kAxisTopY, kAxisLeftX, kAxisBaseY},
            DialogLine{kAxisLeftX, kAxisBaseY, kAxisRightX, kAxisBaseY}};
}

std::vector<DialogLine> StretchDialogModel::TickLines() {
    std::vector<DialogLine> ticks;
    for (int x = kTickFirstX; x <= kTickLastX; x += kTickSpacing) {
        const int level = x - kHistogramLeftX;
        int length = kTickShort;
        if (level == kTickLongestLevel) {
            length = kTickLongest;
        } else if (level == kTickLongerLevelLow || level == kTickLongerLevelHigh) {
            length = kTickLonger;
        }
        ticks.push_back({x, kAxisBaseY, x, kAxisBaseY + length});
    }
    return ticks;
}

std::array<DialogLine, 3> StretchDialogModel::MarkerLines(int x) {
    return {DialogLine{x, kMarkerTopY, x, kMarkerBottomY},
            DialogLine{x - kMarkerHeadHalfWidth, kMarkerHeadBaseY, x, kMarkerHeadTipY},
            DialogLine{x + kMarkerHeadHalfWidth, kMarkerHeadBaseY, x, kMarkerHeadTipY}};
}

int StretchDialogModel::WhiteMarkerX() const {
    return std::min(White(), kHistogramLevels - 1) + kHistogramLeftX;
}

void StretchDialogModel::ShowHelp() const {
    Ui().MessageBox(kNormalStretchHelpCaption, kNormalStretchHelpText);
}

// ---- "Power Law Stretch" ----

PowerDialogModel::PowerDialogModel(SessionState& session) : session_(session) {}

std::string PowerDialogModel::ExponentText() const {
    char text[32];
    std::snprintf(text, sizeof text, "%1.1f", Exponent());
    return text;
}

int PowerDialogModel::BarPosition() const {
    return static_cast<int>(Exponent() * 10.0);
}

void PowerDialogModel::StepLeft() {
    if (session_.powerLawExponent > kPowerLowestBeforeStep) session_.powerLawExponent -= kPowerStep;
}

void PowerDialogModel::StepRight() {
    if (!(session_.powerLawExponent >= kPowerHighest)) session_.powerLawExponent += kPowerStep;
}

void PowerDialogModel::ShowHelp() const {
    Ui().MessageBox(kPowerLawHelpCaption, kPowerLawHelpText);
}

// ---- "Non-Linear Stretch" ----

NonLinearDialogModel::NonLinearDialogModel(SessionState& session) : session_(session) {}

void NonLinearDialogModel::StepLeft() {
    if (session_.dialogValue1 > kNonLinearMin) --session_.dialogValue1;
}

void NonLinearDialogModel::StepRight() {
    if (session_.dialogValue1 < kNonLinearMax) ++session_.dialogValue1;
}

void NonLinearDialogModel::ShowHelp() const {
    Ui().MessageBox(kNonLinearHelpCaption, kNonLinearHelpText);
}

}  // namespace vexa
