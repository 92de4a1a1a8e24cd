// The auto-processing pipeline and its settings dialog.
#include "processing/auto_processing.h"
#include "processing/processing_dialog_services.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "processing/display_mapping.h"
#include "processing/filters.h"
#include "processing/stretch.h"
#include "processing/undo_history.h"
#include "session/display_refresh.h"
#include "session/message_catalogue.h"
#include "session/settings_file.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

// One stretch choice: a fresh background level from the band near the top of the image,
// background removal when chosen and possible, then the non-linear stretch.
void AutoStretch(double power) {
    SessionState& s = Session();
    ComputeAutoContrastThreshold();
    if (s.settings.autoRemoveBackground && BuildRemoveBackgroundTable(false)) {
        ApplyStretchTable(false);
    }
    BuildNonLinearTable(power);
    ApplyStretchTable(false);
}

}  // namespace

void RunAutoProcessing() {
    SessionState& s = Session();
    const PersistentSettings& settings = s.settings;
    // The dialog sets at most one of the three; each is tested in turn all the same.
    if (settings.autoWeakStretch) AutoStretch(kWeakStretchPower);
    if (settings.autoStrongStretch) AutoStretch(kStrongStretchPower);
    if (settings.autoUserStretch) AutoStretch(settings.autoUserStretchLevel);
    if (settings.autoHighPass) {
        ConvolveImage(kAutoHighPassRadius, kHighPassLowPowerKernel, kAutoHighPassDivisor, false);
        AppendHistory(kHighPassLowPowerLine);
    }
    if (settings.autoUnsharp) {
        // The mask takes radius and power from the settings and leaves the refresh to us.
        s.autoProcessingRunning = true;
        UnsharpMask();
        s.autoProcessingRunning = false;
    }
    RefreshDisplay();
    RestorePassCursor();
}

std::optional<int32_t> ReadDialogInteger(const std::string& text) {
    size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    size_t end = text.size();
    while (end > first && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    const std::string number = text.substr(first, end - first);
    size_t digits = (!number.empty() && (number[0] == '-' || number[0] == '+')) ? 1 : 0;
    if (digits == number.size()) return std::nullopt;
    for (size_t k = digits; k < number.size(); ++k) {
        if (!std::isdigit(static_cast<unsigned char>(number[k]))) return std::nullopt;
    }
    errno = 0;
    const long long value = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

AutoDialogModel::AutoDialogModel(SessionState& session) : session_(session) {
    ShowStoredNumbers();
}

AutoStretchChoice AutoDialogModel::Stretch() const {
    const PersistentSettings& p = settings();
    if (p.autoWeakStretch) return AutoStretchChoice::Weak;
    if (p.autoStrongStretch) return AutoStretchChoice::Strong;
    if (p.autoUserStretch) return AutoStretchChoice::User;
    return AutoStretchChoice::None;
}

void AutoDialogModel::ChooseStretch(AutoStretchChoice choice) {
    PersistentSettings& p = settings();
    p.autoWeakStretch = choice == AutoStretchChoice::Weak;
    p.autoStrongStretch = choice == AutoStretchChoice::Strong;
    p.autoUserStretch = choice == AutoStretchChoice::User;
}

void AutoDialogModel::ToggleRemoveBackground() {
    settings().autoRemoveBackground = !settings().autoRemoveBackground;
}

void AutoDialogModel::ToggleHighPass() {
    settings().autoHighPass = !settings().autoHighPass;
}

void AutoDialogModel::ToggleUnsharp() {
    settings().autoUnsharp = !settings().autoUnsharp;
}

bool AutoDialogModel::Save() {
    PersistentSettings& p = settings();
    bool allTaken = true;
    // Each number is judged and stored on its own: a refused one does not stop the others.
    auto take = [&allTaken](const std::string& text, int low, int high, int16_t& field) {
        const std::optional<int32_t> value = ReadDialogInteger(text);
        if (value && *value >= low && *value <= high) {
            field = static_cast<int16_t>(*value);
        } else {
            allTaken = false;
        }
    };
    take(userLevelText_, kAutoUserLevelMin, kAutoUserLevelEnd - 1, p.autoUserStretchLevel);
    take(diameterText_, kAutoUnsharpDiameterMin, kAutoUnsharpDiameterMax, p.autoUnsharpDiameter);
    take(powerText_, kAutoUnsharpPowerMin, kAutoUnsharpPowerMax, p.autoUnsharpPower);
    if (!allTaken) Ui().Beep();
    ShowStoredNumbers();
    return allTaken;
}

void AutoDialogModel::ShowHelp() const {
    Ui().MessageBox(kAutoHelpCaption, kAutoHelpText);
}

void AutoDialogModel::ShowStoredNumbers() {
    const PersistentSettings& p = settings();
    userLevelText_ = std::to_string(p.autoUserStretchLevel);
    diameterText_ = std::to_string(p.autoUnsharpDiameter);
    powerText_ = std::to_string(p.autoUnsharpPower);
}

void CmdSetAutoProcessing() {
    AutoDialogModel model;
    if (!ProcessingDialogs().RunAutoProcessingDialog(model)) return;
    if (SaveSettings() != 0) ShowMessage(MessageCode::SettingsSaveFailed);
}

}  // namespace vexa
