// The rules of the two filter parameter dialogs: "Unsharp Mask Filter" (radius and power,
// each 1 to 7) and "Median Filter" (radius 1 to 3, power in tenths 1 to 10). The values live
// in the session's dialogValue1 and dialogValue2; only the bars change them.
#pragma once

#include <string>

#include "session/session_state.h"

namespace vexa {

enum class FilterBarAction { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, ThumbPosition };

constexpr int kUnsharpBarMin = 1;
constexpr int kUnsharpBarMax = 7;
constexpr int kMedianRadiusBarMin = 1;
constexpr int kMedianRadiusBarMax = 3;
constexpr int kMedianPowerBarMin = 1;
constexpr int kMedianPowerBarMax = 10;

constexpr const char* kUnsharpDialogTitle = "Unsharp Mask Filter";
constexpr const char* kUnsharpHelpText =
    "Use controls to vary the radius from 1 to 7, and the power from 1 to 7.";
constexpr const char* kMedianDialogTitle = "Median Filter";
constexpr const char* kMedianHelpCaption = "Vexa_Q4_USB - Median Filter";
constexpr const char* kMedianHelpText =
    "Use controls to vary the radius from 1 to 3, and the power from 0.1 to 1.";

// One bar step: the arrows move the value by one while it stays inside [low, high]; a page
// click moves it like an arrow; the thumb sets it, kept inside [low, high].
int StepBarValue(int value, FilterBarAction action, int thumbPosition, int low, int high);

// dialogValue1 is the radius, dialogValue2 the power.
class UnsharpDialogModel {
  public:
    explicit UnsharpDialogModel(SessionState& session = Session());

    int Radius() const { return session_.dialogValue1; }
    int Power() const { return session_.dialogValue2; }
    std::string RadiusText() const { return std::to_string(Radius()); }
    std::string PowerText() const { return std::to_string(Power()); }
    void ScrollRadius(FilterBarAction action, int thumbPosition = 0);
    void ScrollPower(FilterBarAction action, int thumbPosition = 0);

    std::string Title() const { return kUnsharpDialogTitle; }
    std::string HelpCaption() const { return kUnsharpDialogTitle; }
    std::string HelpText() const { return kUnsharpHelpText; }
    // "Help": a message box with the text above under the dialog's own title.
    void ShowHelp() const;

  private:
    SessionState& session_;
};

// dialogValue1 is the radius, dialogValue2 the power in tenths.
class MedianDialogModel {
  public:
    explicit MedianDialogModel(SessionState& session = Session());

    int Radius() const { return session_.dialogValue1; }
    int PowerTenths() const { return session_.dialogValue2; }
    std::string RadiusText() const { return std::to_string(Radius()); }
    // The power as tenths x 0.1, "%1.1f".
    std::string PowerText() const;
    void ScrollRadius(FilterBarAction action, int thumbPosition = 0);
    void ScrollPower(FilterBarAction action, int thumbPosition = 0);

    std::string Title() const { return kMedianDialogTitle; }
    std::string HelpCaption() const { return kMedianHelpCaption; }
    std::string HelpText() const { return kMedianHelpText; }
    void ShowHelp() const;

  private:
    SessionState& session_;
};

}  // namespace vexa
