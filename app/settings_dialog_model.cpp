#include "app/settings_dialog_model.h"
#include "app/present_services.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <optional>

#include "processing/auto_processing.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

constexpr int16_t kLegacyReadModeMax = 3;
constexpr int32_t kIndiLastPort = 65535;
constexpr const char* kIndiHostText =
    "INDI Host must name the server's computer (a name or an address, without blanks)";
constexpr const char* kIndiPortText = "INDI Port must be a whole number from 1 to 65535";
constexpr const char* kIndiNotSavedText = " - try again.\nNothing was saved.";

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

PersistentSettings& Settings() {
    return Session().settings;
}

template <typename T, size_t N>
bool OneOf(const std::array<T, N>& choices, T value) {
    return std::find(choices.begin(), choices.end(), value) != choices.end();
}

// A value outside the group shows as the group's last button.
template <typename T, size_t N>
T ShownOrLast(const std::array<T, N>& choices, T value) {
    return OneOf(choices, value) ? value : choices.back();
}

}  // namespace

int16_t ReadEditInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate with a ceiling, so that a long row of digits cannot overflow.
    constexpr long kCeiling = 1L << 20;
    long magnitude = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        magnitude = std::min(kCeiling, magnitude * 10 + (text[i] - '0'));
    const long value = negative ? -magnitude : magnitude;
    return static_cast<int16_t>(std::clamp<long>(value, std::numeric_limits<int16_t>::min(),
                                                 std::numeric_limits<int16_t>::max()));
}

int16_t SettingsDialogModel::ShownGuideStarMaskRadius() const {
    return ShownOrLast(kGuideStarMaskRadii, Settings().guideStarMaskRadius);
}
void SettingsDialogModel::ChooseGuideStarMaskRadius(int16_t pixels) {
    if (OneOf(kGuideStarMaskRadii, pixels)) Settings().guideStarMaskRadius = pixels;
}

int16_t SettingsDialogModel::ShownDelayAdjustment() const {
    return ShownOrLast(kDelayAdjustments, Settings().delayAdjustment);
}
void SettingsDialogModel::ChooseDelayAdjustment(int16_t adjustment) {
    if (OneOf(kDelayAdjustments, adjustment)) Settings().delayAdjustment = adjustment;
}

char SettingsDialogModel::ShownCommPort() const {
    return Session().commPort;
}
void SettingsDialogModel::ChooseCommPort(char port) {
    if (OneOf(kCommPorts, port)) Session().commPort = port;
}

int32_t SettingsDialogModel::ShownGuideTrainingSeconds() const {
    return ShownOrLast(kGuideTrainingSeconds, Session().guideTrainingSeconds);
}
void SettingsDialogModel::ChooseGuideTrainingSeconds(int32_t seconds) {
    if (OneOf(kGuideTrainingSeconds, seconds)) Session().guideTrainingSeconds = seconds;
}

char SettingsDialogModel::ShownBackground() const {
    return Settings().backgroundChoice;
}
void SettingsDialogModel::ChooseBackground(char choice) {
    if (!OneOf(kBackgroundChoices, choice)) return;
    SessionState& s = Session();
    s.settings.backgroundChoice = choice;
    s.backgroundColour = BackgroundColourFor(choice);
    s.backgroundChanged = true;
}

char SettingsDialogModel::ShownTelescopeType() const {
    return TelescopeTypeLetter(Settings().telescopeType);
}
void SettingsDialogModel::ChooseTelescopeType(char letter) {
    if (const std::optional<TelescopeType> type = TelescopeTypeFromLetter(letter)) {
        Settings().telescopeType = *type;
    }
}

bool SettingsDialogModel::CommPortEnabled() const {
    return Settings().telescopeType != TelescopeType::Indi;
}
bool SettingsDialogModel::IndiServerEnabled() const {
    return Settings().telescopeType == TelescopeType::Indi;
}

bool SettingsDialogModel::LoadIndiServer() {
    indi_ = IndiServer{};
    return LoadIndiSettings(indi_);
}

IndiServerTexts SettingsDialogModel::ShownIndiServer() const {
    return {indi_.host, std::to_string(indi_.port), indi_.device};
}

std::string SettingsDialogModel::TakeIndiServer(const IndiServerTexts& texts) {
    const std::string host = Trimmed(texts.host);
    if (host.empty() || host.find_first_of(" \t/") != std::string::npos)
        return std::string(kIndiHostText) + kIndiNotSavedText;
    const std::optional<int32_t> port = ReadDialogInteger(texts.port);
    if (!port || *port < 1 || *port > kIndiLastPort)
        return std::string(kIndiPortText) + kIndiNotSavedText;
    indi_.host = host;
    indi_.port = static_cast<uint16_t>(*port);
    indi_.device = Trimmed(texts.device);
    return {};
}

bool SettingsDialogModel::FocusDelayChecked() const {
    return Settings().focusDelay;
}
void SettingsDialogModel::ToggleFocusDelay() {
    Settings().focusDelay = !Settings().focusDelay;
}
bool SettingsDialogModel::IgnoreSmallDriftChecked() const {
    return Settings().ignoreSmallDrift;
}
void SettingsDialogModel::ToggleIgnoreSmallDrift() {
    Settings().ignoreSmallDrift = !Settings().ignoreSmallDrift;
}
bool SettingsDialogModel::DisableInterruptsChecked() const {
    return Settings().disableInterruptsDuringDownload;
}
void SettingsDialogModel::ToggleDisableInterrupts() {
    Settings().disableInterruptsDuringDownload = !Settings().disableInterruptsDuringDownload;
}
bool SettingsDialogModel::UnsignedIntFitsChecked() const {
    return Settings().unsignedIntFits;
}
void SettingsDialogModel::ToggleUnsignedIntFits() {
    Settings().unsignedIntFits = !Settings().unsignedIntFits;
}
bool SettingsDialogModel::ShowInterfaceDetailsChecked() const {
    return Settings().showInterfaceDetails;
}
void SettingsDialogModel::ToggleShowInterfaceDetails() {
    Settings().showInterfaceDetails = !Settings().showInterfaceDetails;
}

bool SettingsDialogModel::SwapNorthSouthChecked() const {
    return Settings().driveDirections[0] == 's';
}
void SettingsDialogModel::ClickSwapNorthSouth() {
    auto& d = Settings().driveDirections;
    const bool wasNormal = d[0] == 'n';
    d[0] = wasNormal ? 's' : 'n';
    d[1] = wasNormal ? 'n' : 's';
}
bool SettingsDialogModel::SwapEastWestChecked() const {
    return Settings().driveDirections[2] == 'w';
}
void SettingsDialogModel::ClickSwapEastWest() {
    auto& d = Settings().driveDirections;
    const bool wasNormal = d[2] == 'e';
    d[2] = wasNormal ? 'w' : 'e';
    d[3] = wasNormal ? 'e' : 'w';
}

SlewTexts SettingsDialogModel::ShownSlewValues() const {
    const PersistentSettings& p = Settings();
    return {std::to_string(p.raPixelsPerSecond), std::to_string(p.decPixelsPerSecond),
            std::to_string(p.raBacklash),        std::to_string(p.decBacklash),
            std::to_string(p.raHysteresis),      std::to_string(p.decHysteresis)};
}

std::string SettingsDialogModel::SetSlewValues(const SlewTexts& texts) {
    const auto rateIn = [&](SlewEdit edit) {
        const std::optional<int32_t> rate = ReadDialogInteger(texts[edit]);
        return rate && *rate >= kSlewRateMin && *rate <= kSlewRateMax;
    };
    const bool raTaken = rateIn(kRaPixelsPerSecondEdit);
    const bool decTaken = rateIn(kDecPixelsPerSecondEdit);
    if (!raTaken || !decTaken) {
        const std::string which = !raTaken && !decTaken ? "RA and Dec pixels per sec must be "
                                                          "whole numbers"
                                  : !raTaken            ? "RA pixels per sec must be a whole number"
                                             : "Dec pixels per sec must be a whole number";
        return which + " from " + std::to_string(kSlewRateMin) + " to " +
               std::to_string(kSlewRateMax) + " - try again.\nNo slew value was changed.";
    }
    PersistentSettings& p = Settings();
    const auto backlash = [&](SlewEdit edit) {
        return std::clamp<int16_t>(ReadEditInteger(texts[edit]), 0, kBacklashMaxOnReading);
    };
    const auto hysteresis = [&](SlewEdit edit) {
        return std::min(ReadEditInteger(texts[edit]), kHysteresisCap);
    };
    p.raPixelsPerSecond = ReadEditInteger(texts[kRaPixelsPerSecondEdit]);
    p.decPixelsPerSecond = ReadEditInteger(texts[kDecPixelsPerSecondEdit]);
    p.raBacklash = backlash(kRaBacklashEdit);
    p.decBacklash = backlash(kDecBacklashEdit);
    p.raHysteresis = hysteresis(kRaHysteresisEdit);
    p.decHysteresis = hysteresis(kDecHysteresisEdit);
    return {};
}

void SettingsDialogModel::ChooseFastPar(FastParChoice choice) {
    Settings().fast_par = choice != FastParChoice::Off;
    Settings().fastParExtra = choice == FastParChoice::FastExtended;
}

void SettingsDialogModel::ChooseLegacyReadMode(int16_t mode) {
    if (mode >= 0 && mode <= kLegacyReadModeMax) Settings().legacyReadMode = mode;
}

void CmdSetProgramDefaults() {
    if (LoadSettings() != 0) ShowMessage(MessageCode::SettingsLoadFailed);
    SettingsDialogModel model;
    // An unreadable INDI settings file shows the defaults, which "Save Changes" writes over it.
    (void)model.LoadIndiServer();
    if (PresentUi().RunSettingsDialog(model)) {
        if (SaveSettings() != 0) ShowMessage(MessageCode::SettingsSaveFailed);
        // The INDI server lives in its own file; the settings file keeps its layout.
        if (model.IndiServerEnabled() && !SaveIndiSettings(model.Indi())) {
            ShowMessageWithReason(
                MessageCode::SettingsSaveFailed,
                std::string("The INDI server could not be written to ") + kIndiSettingsPath);
        }
    }
    Ui().RepaintView(true);
}

}  // namespace vexa
