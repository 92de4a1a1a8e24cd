// Auto-processing of captured images: the stored choice of background removal, non-linear
// stretch, high pass and unsharp mask, run on each finished frame, and the "Auto-Processing
// Choices" dialog that edits the choice ("Set Auto &Processing").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "session/session_state.h"

namespace vexa {

// Non-linear powers of the two fixed stretch choices.
constexpr int kWeakStretchPower = 2;
constexpr int kStrongStretchPower = 18;
// The high pass low power filter as the pipeline runs it.
constexpr int kAutoHighPassRadius = 1;
constexpr int kAutoHighPassDivisor = 1;

// What the dialog's Save accepts (the settings file itself accepts wider ranges).
constexpr int kAutoUserLevelMin = 2;
constexpr int kAutoUserLevelEnd = 30;  // exclusive
constexpr int kAutoUnsharpDiameterMin = 2;
constexpr int kAutoUnsharpDiameterMax = 6;
constexpr int kAutoUnsharpPowerMin = 1;
constexpr int kAutoUnsharpPowerMax = 6;

constexpr const char* kAutoDialogTitle = "Auto-Processing Choices";
constexpr const char* kAutoHelpCaption = "VEXAQ4 - Auto Processing";
constexpr const char* kAutoHelpText =
    "To process images as they are taken choose from these options. You can select various "
    "non-linear stretches, a high pass or Unsharp mask filter.\n\nFor more control save raw "
    "images and apply all image processing later.";
constexpr const char* kAutoPlanetaryNote =
    "For Planetary images try weak stretch, for nebulae try strong.";
constexpr const char* kAutoCrispenNote =
    "To crispen images use high pass filter, or an unsharp mask filter.";
constexpr const char* kAutoAstroNote = "For Astro images remove the background";

// The stored choices on currentImage, in this order: the chosen non-linear stretch (each one
// preceded by a fresh background level and, when chosen and the level is above 2, background
// removal), the high pass low power filter, the unsharp mask with the stored radius and power;
// then one display refresh. Every step takes its own undo copy and writes its history line.
void RunAutoProcessing();

enum class AutoStretchChoice { None, Weak, Strong, User };

// The dialog's rules. Radio buttons and check boxes write the settings at once (Cancel does
// not take them back); the three numbers are taken only by Save, each within its range.
class AutoDialogModel {
  public:
    explicit AutoDialogModel(SessionState& session = Session());

    AutoStretchChoice Stretch() const;
    void ChooseStretch(AutoStretchChoice choice);
    bool RemoveBackground() const { return settings().autoRemoveBackground; }
    bool HighPass() const { return settings().autoHighPass; }
    bool Unsharp() const { return settings().autoUnsharp; }
    void ToggleRemoveBackground();
    void ToggleHighPass();
    void ToggleUnsharp();

    // The three edits: user power (105), unsharp "dia." (109) and "power" (110).
    const std::string& UserLevelText() const { return userLevelText_; }
    const std::string& UnsharpDiameterText() const { return diameterText_; }
    const std::string& UnsharpPowerText() const { return powerText_; }
    void SetUserLevelText(std::string text) { userLevelText_ = std::move(text); }
    void SetUnsharpDiameterText(std::string text) { diameterText_ = std::move(text); }
    void SetUnsharpPowerText(std::string text) { powerText_ = std::move(text); }

    // Read the three edits as signed integers and store each one within its range. True when
    // all three were taken (the dialog then closes); otherwise a beep. Either way the edits are
    // rewritten from the stored values, so a refused number reverts.
    bool Save();
    void ShowHelp() const;

  private:
    PersistentSettings& settings() const { return session_.settings; }
    void ShowStoredNumbers();

    SessionState& session_;
    std::string userLevelText_;
    std::string diameterText_;
    std::string powerText_;
};

// A signed decimal integer as a dialog edit holds it (blanks around it allowed); nothing for
// empty text, other characters or a number beyond 32 bits.
std::optional<int32_t> ReadDialogInteger(const std::string& text);

// "Set Auto &Processing" (24324): the dialog; on Save the settings file is written (message 24
// when that fails).
void CmdSetAutoProcessing();

}  // namespace vexa
