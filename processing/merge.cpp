#include "processing/merge.h"
#include "processing/processing_dialog_services.h"

#include <algorithm>

#include "session/message_catalogue.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

constexpr int kMergeLabelRows = 10;
constexpr uint32_t kSampleCeiling = 65535;

size_t PassCount(const SessionState& s) {
    return static_cast<size_t>(std::clamp(s.geometry.sampleCount, 0, kPlaneSamples));
}

__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void AddRow(
    const uint16_t* second, uint16_t* first, int count) {
    for (int i = 0; i < count; ++i) {
        const uint32_t sum = static_cast<uint32_t>(second[i]) + first[i];
        first[i] = static_cast<uint16_t>(std::min(sum, kSampleCeiling));
    }
}

__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void AverageRow(
    const uint16_t* second, uint16_t* first, int count) {
    for (int i = 0; i < count; ++i) {
        first[i] = static_cast<uint16_t>((static_cast<uint32_t>(second[i]) + first[i]) >> 1);
    }
}

}  // namespace

void MergePlanes(const uint16_t* second, uint16_t* first, int width, int height, int labelRows,
                 int64_t dx, int64_t dy, bool average) {
    // Columns whose partner column x + dx lies in 1 .. width - 1.
    const int64_t firstColumn = std::max<int64_t>(0, 1 - dx);
    const int64_t endColumn = std::min<int64_t>(width, width - dx);
    if (firstColumn >= endColumn) return;
    const int count = static_cast<int>(endColumn - firstColumn);
    for (int64_t y = labelRows; y < height; ++y) {
        const int64_t partnerRow = y + dy;
        if (partnerRow <= labelRows || partnerRow >= height) continue;
        const uint16_t* from = second + partnerRow * width + firstColumn + dx;
        uint16_t* into = first + y * width + firstColumn;
        if (average) {
            AverageRow(from, into, count);
        } else {
            AddRow(from, into, count);
        }
    }
}

MergeDialogModel::MergeDialogModel(SessionState& session) : session_(session) {}

void MergeDialogModel::ToggleAverage() {
    session_.mergeAverage = !session_.mergeAverage;
    ProcessingDialogs().MergeMarksChanged();
}

void MergeDialogModel::ToggleSuperimpose() {
    session_.mergeSuperimpose = !session_.mergeSuperimpose;
    ProcessingDialogs().MergeMarksChanged();
}

bool MergeDialogModel::Merge() {
    return MergeImages();
}

void MergeDialogModel::Cancel() {
    CancelMerge();
}

void MergeDialogModel::ShowHelp() const {
    Ui().MessageBox(HelpCaption(), HelpText());
}

MergeDialogModel& TheMergeDialog() {
    static MergeDialogModel* model = new MergeDialogModel(Session());
    return *model;
}

void StartMerge() {
    SessionState& s = Session();
    if (s.photometryMode || s.rowPlotMode) {
        ShowMessage(MessageCode::ModesExclude);
        return;
    }
    if (s.fitToWindow || s.centreImage) {
        ShowMessage(MessageCode::MergeGeometry);
        return;
    }
    if (s.mergingMode) {
        ShowMessage(MessageCode::AlreadyMerging);
        return;
    }
    s.mergeSecondPoint = false;
    s.mergeAverage = false;
    s.mergeX1 = s.mergeY1 = s.mergeX2 = s.mergeY2 = 0;
    s.mergeFirstGeometryMode = s.geometryMode;
    s.mergingMode = true;
    ProcessingDialogs().OpenMergeDialog(TheMergeDialog());
}

void PrepareMergeSecondImage() {
    SessionState& s = Session();
    s.mergeSecondPoint = true;
    s.mergeFirstGeometryMode = s.geometryMode;
    std::copy_n(s.currentImage.begin(), PassCount(s), s.workImage.begin());
    ProcessingDialogs().MergeMarksChanged();
}

bool MergeImages() {
    SessionState& s = Session();
    if (!s.mergingMode || !s.mergeSecondPoint) return false;
    if ((s.mergeFirstGeometryMode != 0) != (s.geometryMode != 0)) {
        ShowMessage(MessageCode::MergeGeometry);
        return false;
    }
    s.mergingMode = false;
    ProcessingDialogs().CloseMergeDialog();

    const bool superimpose = s.mergeSuperimpose;
    const int64_t dy = superimpose ? 0 : int64_t{s.mergeY2} - s.mergeY1;
    const int64_t dx = superimpose ? 0 : int64_t{s.mergeX2} - s.mergeX1;
    const bool labelled = ImageIsLabelled(s.currentImage) || ImageIsLabelled(s.workImage);
    const int labelRows = labelled ? kMergeLabelRows : 0;
    MergePlanes(s.currentImage.data(), s.workImage.data(), s.geometry.width, s.geometry.height,
                labelRows, dx, dy, s.mergeAverage);
    std::copy_n(s.workImage.begin(), PassCount(s), s.currentImage.begin());

    s.mergeAverage = false;
    s.mergeSuperimpose = false;
    // The view refreshes at its next paint, which is asked for now.
    s.pendingRefresh = true;
    Ui().RepaintView(false);
    return true;
}

void CancelMerge() {
    SessionState& s = Session();
    if (!s.mergingMode) return;
    s.mergingMode = false;
    s.mergeAverage = false;
    ProcessingDialogs().CloseMergeDialog();
}

}  // namespace vexa
