// The rules of the three stretch dialogs: "Normal Stretch" (white and black levels over the
// display histogram), "Power Law Stretch" (an exponent in tenths) and "Non-Linear Stretch" (a
// power from 2 to 50). Each writes its value into the session as the user moves a bar.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "session/session_state.h"

namespace vexa {

enum class StretchBarAction { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, ThumbPosition };

// A straight line in dialog pixels, from (x1, y1) to (x2, y2).
struct DialogLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const DialogLine&) const = default;
};

struct DialogRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// One histogram column: a vertical line at x from the base line (y 210) up to top. Columns
// taller than the drawing area are cut at its height and drawn in the second colour.
struct HistogramColumn {
    int x = 0;
    int height = 0;  // pixels drawn above the base line
    int top = 0;     // y of the upper end
    bool cut = false;
};

// ---- "Normal Stretch" ----
constexpr int kWhiteBarMin = 1;
constexpr int kWhiteBarMax = 300;
constexpr int kBlackBarMin = 0;
constexpr int kBlackBarMax = 255;
constexpr int kBarPageStep = 10;
constexpr int kNormalInitialWhite = 255;
constexpr int kNormalInitialBlack = 0;

// Drawing coordinates of the histogram, its axes and the two level markers.
constexpr int kHistogramLevels = 256;
constexpr int kHistogramLeftX = 8;  // level i is drawn at x = i + 8
constexpr int kHistogramBaseY = 210;
constexpr int kHistogramCountsPerPixel = 5;
constexpr int kAxisLeftX = 5;
constexpr int kAxisTopY = 5;
constexpr int kAxisBaseY = 213;
constexpr int kAxisRightX = 263;
constexpr int kTickFirstX = 40;
constexpr int kTickLastX = 264;
constexpr int kTickSpacing = 32;
constexpr int kTickShort = 2;
constexpr int kTickLonger = 4;    // levels 64 and 192
constexpr int kTickLongest = 5;   // level 128
constexpr int kMarkerTopY = 220;  // the arrow's tip
constexpr int kMarkerBottomY = 230;
constexpr int kMarkerHeadTipY = 221;
constexpr int kMarkerHeadBaseY = 224;
constexpr int kMarkerHeadHalfWidth = 3;
constexpr DialogRect kMarkerStrip{4, 219, 268, 232};
// The drawing area the Qt dialog sets aside for all of the above.
constexpr int kStretchCanvasWidth = 272;
constexpr int kStretchCanvasHeight = 236;

constexpr const char* kNormalStretchTitle = "Normal Stretch";
constexpr const char* kNormalStretchHelpCaption = "Vexa_Q4_USB - Normal Stretch";
constexpr const char* kNormalStretchHelpText =
    "Use controls to vary intensity from 0 to 255, where the lowest value will be shown as "
    "black and the highest by white. \n\nIf you type values into the black or white boxes you "
    "must press the set white or black button to activate.\n\n It is possible to darken the "
    "image overall by increasing the white level to 300.";

// The levels live in the session: dialogValue1 is the white level W, dialogValue2 the black
// level B. The bars keep W above B.
class StretchDialogModel {
  public:
    explicit StretchDialogModel(SessionState& session = Session());

    int White() const { return session_.dialogValue1; }
    int Black() const { return session_.dialogValue2; }
    // The edits only show the levels; what is typed into them is never read.
    std::string WhiteText() const { return std::to_string(White()); }
    std::string BlackText() const { return std::to_string(Black()); }

    // thumbPosition counts only for the thumb actions.
    void ScrollWhite(StretchBarAction action, int thumbPosition = 0);
    void ScrollBlack(StretchBarAction action, int thumbPosition = 0);

    // The display histogram as 256 columns, level i at x = i + 8.
    std::array<HistogramColumn, kHistogramLevels> HistogramColumns() const;
    // The two axes: (5,5) down to (5,213) and across to (263,213).
    static std::array<DialogLine, 2> AxisLines();
    // Ticks every 32 pixels from x = 40 to 264 under the axis, longer at levels 64 and 192 and
    // longest at level 128.
    static std::vector<DialogLine> TickLines();
    // The small arrow under the axis pointing at x: a shaft and two head strokes.
    static std::array<DialogLine, 3> MarkerLines(int x);
    int BlackMarkerX() const { return Black() + kHistogramLeftX; }
    // A white level above 255 is marked at the right end of the histogram.
    int WhiteMarkerX() const;

    // The Help button's box.
    void ShowHelp() const;

  private:
    SessionState& session_;
};

// ---- "Power Law Stretch" ----
constexpr int kPowerBarMin = 1;
constexpr int kPowerBarMax = 30;
constexpr double kPowerStep = 0.1;
constexpr double kPowerLowestBeforeStep = 0.2;  // a left step needs p above this
constexpr double kPowerHighest = 3.0;           // no right step once p reaches this
constexpr double kPowerInitial = 1.0;
constexpr const char* kPowerLawTitle = "Power Law Stretch";
constexpr const char* kPowerLawHelpCaption = "Vexa_Q4_USB - Power Law Stretch";
constexpr const char* kPowerLawHelpText =
    "Use controls to vary power from 0.1 to 3.0, where powers greater than 1 will increase "
    "contrast, and powers less than 1 will reduce contrast.";

// The exponent lives in the session (powerLawExponent) and moves in steps of 0.1 accumulated
// as a real, so the values shown are those sums rounded to one decimal.
class PowerDialogModel {
  public:
    explicit PowerDialogModel(SessionState& session = Session());

    double Exponent() const { return session_.powerLawExponent; }
    std::string ExponentText() const;  // "%1.1f"
    int BarPosition() const;           // trunc(exponent x 10)

    void StepLeft();
    void StepRight();
    void ShowHelp() const;

  private:
    SessionState& session_;
};

// ---- "Non-Linear Stretch" ----
constexpr int kNonLinearMin = 2;
constexpr int kNonLinearMax = 50;
constexpr int kNonLinearInitial = 25;
constexpr const char* kNonLinearTitle = "Non-Linear Stretch";
constexpr const char* kNonLinearNote =
    "This stretch works well for images of nebulae. First use the stretch that removes the "
    "background. ";
constexpr const char* kNonLinearHelpCaption = "Vexa_Q4_USB - NonLiniar Filter";
constexpr const char* kNonLinearHelpText = "Use controls to vary the Power from 2 to 50";

// The power lives in the session (dialogValue1).
class NonLinearDialogModel {
  public:
    explicit NonLinearDialogModel(SessionState& session = Session());

    int Power() const { return session_.dialogValue1; }
    std::string PowerText() const { return std::to_string(Power()); }

    void StepLeft();
    void StepRight();
    void ShowHelp() const;

  private:
    SessionState& session_;
};

}  // namespace vexa
