// Photometry values and the "PHOTOMETRY" dialog. The click dispatch fills the totals; this
// turns them into the means and the magnitude difference that the dialog shows.
#include "processing/photometry.h"
#include "processing/measuring_dialog_services.h"

#include <cmath>
#include <cstdio>

#include "session/message_catalogue.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

// The display background level is the high byte of a sample; the dialog shows it as one.
constexpr int64_t kDisplayLevelScale = 256;
constexpr int32_t kPhotometryBoxHalfSize = 4;
constexpr float kMagnitudeFactor = -2.5f;

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

int64_t MaskArea(int32_t halfSize) {
    const int64_t side = 2 * int64_t{halfSize} + 1;
    return side * side;
}

PhotometryReadout ComputePhotometry(const SessionState& s) {
    PhotometryReadout r;
    const int64_t area = MaskArea(s.measureBoxHalfSize);
    r.objectMean = s.objectTotal / area;
    r.comparisonMean = s.comparisonTotal / area;
    r.backgroundMean =
        s.skyMeasured ? s.skyTotal / area : int64_t{s.backgroundLevel} * kDisplayLevelScale;
    // Totals, not means, enter the ratio: they share one mask because a mask change clears
    // them all, and the totals keep the precision the integer means lose.
    const int64_t object = s.objectTotal;
    const int64_t comparison = s.comparisonTotal;
    const int64_t sky = s.skyTotal;
    if (object != 0 && comparison != 0 && sky < object && sky < comparison) {
        const float ratio = static_cast<float>(object - sky) / static_cast<float>(comparison - sky);
        r.magnitudeDifference = kMagnitudeFactor * std::log10(ratio);
    }
    return r;
}

std::string FormatMean(int64_t mean) {
    return Format("%7.0f", static_cast<double>(mean));
}

std::string FormatMagnitude(const std::optional<float>& magnitude) {
    return magnitude ? Format("%2.2f", static_cast<double>(*magnitude)) : std::string();
}

std::string FormatCursorValue(int32_t value) {
    return Format("%6.0f", static_cast<double>(value));
}

PhotometryDialogModel::PhotometryDialogModel(SessionState& session) : session_(session) {}

std::string PhotometryDialogModel::Text(int editId) const {
    namespace id = photometry_id;
    const SessionState& s = session_;
    switch (editId) {
        case id::kObjectX:
            return std::to_string(s.objectX);
        case id::kObjectY:
            return std::to_string(s.objectY);
        case id::kComparisonX:
            return std::to_string(s.comparisonX);
        case id::kComparisonY:
            return std::to_string(s.comparisonY);
        case id::kSkyX:
            return std::to_string(s.skyX);
        case id::kSkyY:
            return std::to_string(s.skyY);
        case id::kObjectValue:
            return FormatMean(ComputePhotometry(s).objectMean);
        case id::kComparisonValue:
            return FormatMean(ComputePhotometry(s).comparisonMean);
        case id::kBackgroundValue:
            return FormatMean(ComputePhotometry(s).backgroundMean);
        case id::kMagnitude:
            return FormatMagnitude(ComputePhotometry(s).magnitudeDifference);
        case id::kCursorX:
            return std::to_string(s.cursorX);
        case id::kCursorY:
            return std::to_string(s.cursorY);
        case id::kCursorValue:
            return FormatCursorValue(s.cursorValue);
        default:
            return std::string();
    }
}

int PhotometryDialogModel::CheckedTargetId() const {
    switch (session_.photometryTarget) {
        case 'o':
            return photometry_id::kObject;
        case 'c':
            return photometry_id::kComparison;
        default:
            return photometry_id::kBackground;
    }
}

int PhotometryDialogModel::CheckedMaskId() const {
    for (const MaskChoice& choice : kMaskChoices)
        if (choice.halfSize == session_.measureBoxHalfSize) return choice.id;
    return photometry_id::kMask1;
}

bool PhotometryDialogModel::Choose(int controlId) {
    namespace id = photometry_id;
    switch (controlId) {
        case id::kObject:
            ChooseTarget('o');
            return true;
        case id::kComparison:
            ChooseTarget('c');
            return true;
        case id::kBackground:
            ChooseTarget('b');
            return true;
        case id::kFinished:
            Finished();
            return false;
        case id::kHelp:
            Help();
            return false;
        default:
            break;
    }
    for (const MaskChoice& choice : kMaskChoices) {
        if (choice.id == controlId) {
            ChooseMask(choice.halfSize);
            return true;
        }
    }
    return false;
}

void PhotometryDialogModel::ChooseTarget(char target) {
    session_.photometryTarget = target;
    // From now on the background shown is the measured one (0 until the first sky click).
    if (target != 'o' && target != 'c') session_.skyMeasured = true;
}

void PhotometryDialogModel::ChooseMask(int32_t halfSize) {
    SessionState& s = session_;
    s.measureBoxHalfSize = halfSize;
    // Measurements taken with another mask would not compare; all of them start again.
    s.objectTotal = s.comparisonTotal = s.skyTotal = 0;
    s.objectX = s.objectY = s.comparisonX = s.comparisonY = s.skyX = s.skyY = 0;
}

void PhotometryDialogModel::Finished() {
    if (!session_.photometryMode) return;
    session_.photometryMode = false;
    Ui().SetCursor(ModeCursor());
    Ui().RepaintView(false);
    MeasuringDialogs().ClosePhotometryDialog();
}

void PhotometryDialogModel::Help() const {
    Ui().MessageBox(kPhotometryHelpCaption, kPhotometryHelpText);
}

PhotometryDialogModel& ThePhotometryDialog() {
    static PhotometryDialogModel* model = new PhotometryDialogModel(Session());
    return *model;
}

void CmdPhotometry() {
    if (!StartPhotometryMode()) return;
    if (MeasuringDialogs().OpenPhotometryDialog(ThePhotometryDialog())) return;
    // Without its dialog the mode could never be left again.
    Session().photometryMode = false;
    Ui().SetCursor(ModeCursor());
}

bool StartPhotometryMode() {
    SessionState& s = Session();
    if (s.mergingMode || s.rowPlotMode) {
        ShowMessage(MessageCode::ModesExclude);
        return false;
    }
    if (s.centreImage || s.fitToWindow) {
        ShowMessage(MessageCode::PhotometryGeometry);
        return false;
    }
    if (s.photometryMode) {
        ShowMessage(MessageCode::AlreadyPhotometry);
        return false;
    }
    s.measureBoxHalfSize = kPhotometryBoxHalfSize;
    s.objectTotal = s.comparisonTotal = s.skyTotal = 0;
    s.objectX = s.objectY = s.comparisonX = s.comparisonY = s.skyX = s.skyY = 0;
    s.skyMeasured = false;
    s.photometryMode = true;
    Ui().SetCursor(CursorKind::Cross);
    return true;
}

}  // namespace vexa
