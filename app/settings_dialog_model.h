// The rules of the "Set Program Defaults" dialog, which edits the session settings directly:
// every control writes its setting as it is clicked, and the dialog redisplays all controls
// from the Shown... values after each change.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "session/indi_settings.h"

namespace vexa {

// The choices of the radio groups, in the order the dialog shows them.
constexpr std::array<int16_t, 6> kGuideStarMaskRadii{7, 8, 9, 11, 13, 15};
constexpr std::array<int16_t, 3> kDelayAdjustments{1, 2, 3};  // Normal, Half, Third
constexpr std::array<char, 2> kCommPorts{'1', '2'};
constexpr std::array<int32_t, 3> kGuideTrainingSeconds{1, 2, 4};
constexpr std::array<char, 3> kBackgroundChoices{'l', 'r', 'g'};  // Lt Gray, Red, Gray
constexpr int16_t kHysteresisCap = 20;
// "RA pixels per sec" and "Dec pixels per sec": a rate of 0 would leave its axis unguided, and
// 50 or more is written to the settings file as 10.
constexpr int16_t kSlewRateMin = 1;
constexpr int16_t kSlewRateMax = 49;
constexpr const char* kSettingsDialogCaption = "Vexa_Q4_USB - Set Program Defaults";
// The help shown with "during Download" under "Disable Interrupts".
constexpr const char* kDisableInterruptsHelp =
    "Kept in the settings file for compatibility. On Linux a program cannot mask hardware "
    "interrupts, so nothing is masked during the download whatever this box says.";

// The six integer edits, in the order the dialog shows them.
enum SlewEdit {
    kRaPixelsPerSecondEdit,
    kDecPixelsPerSecondEdit,
    kRaBacklashEdit,
    kDecBacklashEdit,
    kRaHysteresisEdit,
    kDecHysteresisEdit,
    kSlewEditCount
};
using SlewTexts = std::array<std::string, kSlewEditCount>;

// The INDI server edits shown with the "INDI Mount" choice, as typed.
struct IndiServerTexts {
    std::string host;
    std::string port;
    std::string device;  // empty: the first telescope the server offers
};

enum class FastParChoice { Off, Fast, FastExtended };

class SettingsDialogModel {
  public:
    // Radio groups. A stored value outside a group's choices shows as its last choice
    // ("15 Pixels", "Third", "4 Sec"); the comm port, background and telescope show the
    // stored letter, which matches no button when it is none of the choices.
    int16_t ShownGuideStarMaskRadius() const;
    void ChooseGuideStarMaskRadius(int16_t pixels);
    int16_t ShownDelayAdjustment() const;
    void ChooseDelayAdjustment(int16_t adjustment);
    char ShownCommPort() const;
    void ChooseCommPort(char port);
    int32_t ShownGuideTrainingSeconds() const;
    void ChooseGuideTrainingSeconds(int32_t seconds);
    char ShownBackground() const;
    // Also sets the colour values and raises backgroundChanged.
    void ChooseBackground(char choice);
    // The telescope type by its letter ('n', 'l', 'b', 'i'), as the radio buttons know it.
    char ShownTelescopeType() const;
    void ChooseTelescopeType(char letter);
    // The comm port serves the serial types; the INDI server edits serve the INDI type.
    bool CommPortEnabled() const;
    bool IndiServerEnabled() const;

    // The INDI server the edits open with: the INDI settings file's, its defaults when there is
    // none. False when the file cannot be read (the defaults are shown).
    bool LoadIndiServer();
    IndiServerTexts ShownIndiServer() const;
    // "Save Changes" while the INDI type is chosen: the host must be a name or address without
    // blanks or '/', the port a whole number from 1 to 65535 (blanks around both allowed); the
    // device is taken as typed, blanks around it dropped. Empty when taken; otherwise nothing
    // is taken and the message is returned for the dialog to show, which stays open.
    std::string TakeIndiServer(const IndiServerTexts& texts);
    const IndiServer& Indi() const { return indi_; }

    // Check boxes: shown state and the click that toggles it.
    bool FocusDelayChecked() const;
    void ToggleFocusDelay();
    bool IgnoreSmallDriftChecked() const;
    void ToggleIgnoreSmallDrift();
    bool DisableInterruptsChecked() const;
    void ToggleDisableInterrupts();
    bool UnsignedIntFitsChecked() const;
    void ToggleUnsignedIntFits();
    bool ShowInterfaceDetailsChecked() const;
    void ToggleShowInterfaceDetails();
    // "Swap n/s direction": checked when the north letter is 's'; a click makes north 's'
    // and south 'n' when north was 'n', else north 'n' and south 's'. Likewise east/west.
    bool SwapNorthSouthChecked() const;
    void ClickSwapNorthSouth();
    bool SwapEastWestChecked() const;
    void ClickSwapEastWest();

    // The six edits as shown on opening (decimal texts).
    SlewTexts ShownSlewValues() const;
    // "Set slew values". The two rates must be whole numbers from 1 to 49 (blanks around them
    // allowed); otherwise none of the six is taken and the range message is returned for the
    // dialog to show. The other four are read as integers (leading blanks and sign, then
    // digits; anything else ends the number, and no digits read as 0), held within the 16-bit
    // range; each hysteresis above 20 becomes 20 and each backlash is held to 0..30, the range
    // the settings file accepts on reading. Empty when the values were taken.
    std::string SetSlewValues(const SlewTexts& texts);

    // Stored-only settings; the dialog has handlers but shows no control for them.
    void ChooseFastPar(FastParChoice choice);
    void ChooseLegacyReadMode(int16_t mode);  // 0 to 3

  private:
    IndiServer indi_;
};

// The integer an edit box holds, read as the dialog reads it (see SetSlewValues).
int16_t ReadEditInteger(const std::string& text);

}  // namespace vexa
