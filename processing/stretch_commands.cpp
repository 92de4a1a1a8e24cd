// Each command sets its dialog's defaults, runs the dialog, and on OK builds the table, runs
// the pass with a refresh and records the step. Cancel changes nothing.
#include "processing/stretch_commands.h"
#include "processing/processing_dialog_services.h"

#include "processing/stretch.h"
#include "processing/stretch_dialog_models.h"
#include "processing/undo_history.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

template <typename Build>
void BuildApplyRecord(Build build, const char* historyLine) {
    build();
    ApplyStretchTable(true);
    AppendHistory(historyLine);
}

}  // namespace

bool ApplyNormalStretch(int white, int black) {
    if (!BuildNormalStretchTable(white, black)) return false;
    ApplyStretchTable(true);
    AppendHistory(NormalStretchHistory(white, black));
    return true;
}

bool ApplyPowerLawStretch(double exponent) {
    if (!BuildPowerLawTable(exponent)) return false;
    ApplyStretchTable(true);
    AppendHistory(PowerLawHistory(exponent));
    return true;
}

void ApplyNonLinearStretch(double power) {
    // The builder records the line itself, before the table is applied.
    BuildNonLinearTable(power);
    ApplyStretchTable(true);
}

void NormalStretch() {
    SessionState& s = Session();
    s.dialogValue1 = kNormalInitialWhite;
    s.dialogValue2 = kNormalInitialBlack;
    StretchDialogModel model(s);
    if (!ProcessingDialogs().RunStretchDialog(model)) return;
    ApplyNormalStretch(model.White(), model.Black());
}

void PowerLawStretch() {
    SessionState& s = Session();
    s.powerLawExponent = kPowerInitial;
    PowerDialogModel model(s);
    if (!ProcessingDialogs().RunPowerDialog(model)) return;
    ApplyPowerLawStretch(model.Exponent());
}

void SineStretch() {
    BuildApplyRecord(BuildSineTable, kSineHistory);
}

void RemoveBackground() {
    BuildRemoveBackgroundTable(true);
}

void NonLinearStretch() {
    SessionState& s = Session();
    s.dialogValue1 = kNonLinearInitial;
    NonLinearDialogModel model(s);
    if (!ProcessingDialogs().RunNonLinearDialog(model)) return;
    ApplyNonLinearStretch(model.Power());
}

void LogStretch() {
    BuildApplyRecord(BuildLogTable, kLogHistory);
}

void AntilogStretch() {
    BuildApplyRecord(BuildAntilogTable, kAntilogHistory);
}

void InvertStretch() {
    BuildApplyRecord(BuildInvertTable, kInvertHistory);
}

}  // namespace vexa
