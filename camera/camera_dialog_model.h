// The rules of the camera control dialog "TQ Control Interface": the exposure unit and value,
// the number of exposures, the pause between them, the data bit depth, the capture options,
// the reference file names, the last autosave number, and focus mode with its readings. Every
// control writes the session at once; the dialog then shows every control again from here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "session/session_state.h"

namespace vexa {

constexpr const char* kCameraDialogTitle = "TQ Control Interface";
constexpr const char* kCameraHelpText =
    "Select exposure range using Radio buttons on left of dialog Window \nSelect anti-smear "
    "status using checkbox\nVary exposure time using scroll arrows,and take exposure by "
    "pressing the 'Take Photo' button\n\nThe Focus mode allows repeated exposures of 0.01 to 10 "
    "seconds to be made, and displays the value of the most saturated pixel. In a starfield, "
    "altering the focus until the maximum value is returned will give a good indication of "
    "best focus.\n\nIt is posssible to use an 'slew and sum' mode, which will automatically "
    "sum images together, taking into account small amounts of drift in the telescope drive. "
    "To do this simply change the number of exposures from 1 to any value less than 100.\n\n"
    "Press Right Hand mouse button anywhere in Vexa_Q4_USB Window to pematurely terminate an "
    "exposure.\n\nThe delay option gives an audible 10 second countdown to the exposure "
    "start\n\nIf multiple is used to control Continuous mode Slew&Sum is disabled";

// The ranges the controls keep to.
constexpr uint16_t kHundredthsMaximum = 500;
constexpr uint16_t kTenthsMaximum = 100;
constexpr uint16_t kSecondsMaximum = 300;
constexpr uint16_t kMinutesMaximum = 90;
// The largest exposure value the unit allows ('h', 't', 'm'; anything else is seconds).
uint16_t ExposureMaximum(char unit);
constexpr uint16_t kHundredthsStartValue = 10;  // "Hundredth's" starts at 0.1 s
constexpr int16_t kMostExposures = 99;
constexpr int16_t kLongestPauseMinutes = 20;
constexpr int32_t kFewestStretchBits = 12;
constexpr int32_t kMostStretchBits = 16;

enum class BitDepthBarAction { LineLeft, LineRight, PageLeft, PageRight, Thumb };

// The dialog's check boxes.
enum class CameraOption {
    AverageMultiple,      // "Average Multiple Exposures"
    AlternativeSlew,      // "Alternative Slew Method"
    AutoSave,             // "Auto Save Image"
    DelayBeforeExposure,  // "Delay before exposure"
    Continuous,           // "Continuous Mode"
    BinImage,             // "Bin Image 2X2"
    RemoveDark,           // "Auto-Remove Dark Frame"
    ApplyFlat,            // "Auto-Apply Flatfield"
    AutoProcessing,       // "Apply Auto-Processing"
    StretchAllImages,     // "Set Stretch for all Images"
    AutochangeExposure,   // "Autochange Exposure" (a setting that nothing reads)
};

class Camera;

class CameraDialogModel {
  public:
    // camera: the camera focus mode takes its frames from; without one "Start" does nothing.
    explicit CameraDialogModel(Camera* camera = nullptr, SessionState& session = Session());

    // ---- exposure unit radio buttons: each sets the unit, its maximum and a start value ----
    char Unit() const { return camera().exposureUnit; }
    void ChooseUnit(char unit);  // 'h', 't', 's' or 'm'

    // ---- the three values with scroll arrows: up lowers the value, down raises it ----
    uint16_t ExposureValue() const { return camera().exposureValue; }
    void ExposureUp();    // -1 while above 1
    void ExposureDown();  // +1 while below the unit's maximum
    int16_t ExposureCount() const { return session_.seriesCount; }
    void CountUp();    // -1 while above 1
    void CountDown();  // +1 while below 99
    int16_t PauseMinutes() const { return camera().pauseMinutes; }
    void PauseUp();    // -1 while above 0
    void PauseDown();  // +1 while below 20
    // The same values set directly (the command line's options), held within their ranges.
    void SetExposureValue(int value);
    void SetExposureCount(int count);
    void SetPauseMinutes(int minutes);

    // ---- "Stretch": the data bit depth, 12 to 16 ----
    int32_t StretchBits() const { return session_.paletteStretchBits; }
    void ScrollStretch(BitDepthBarAction action, int thumbPosition = 0);

    // ---- check boxes ----
    bool Checked(CameraOption option) const;
    void Toggle(CameraOption option);

    // ---- what the read-only controls show ----
    std::string ExposureValueText() const;
    std::string ExposureCountText() const;
    std::string PauseText() const;
    std::string StretchText() const;
    std::string DarkFileName() const { return session_.darkFrameFileName; }
    std::string FlatFileName() const { return session_.flatFieldFileName; }
    std::string LastFileNumberText() const;  // "Last file no.": the last autosave number
    std::string MaxValueText() const;        // "Max Value": the last focus peak
    std::string HalfFluxText() const;        // the last focus frame's HFD, one decimal

    // ---- focus mode ----
    // "Start": runs the focus loop until "Stop" or a click; returns when it has ended.
    // Refused (nothing happens) while it already runs.
    void StartFocus();
    // "Stop": the loop ends after its current step.
    void StopFocus();
    bool FocusRunning() const { return camera().focusRunning; }
    // Runs after every focus frame, when the focus bitmap and the readings are new.
    void SetFocusFrameListener(std::function<void()> listener);
    // The focus bitmap the dialog shows, as a host path.
    std::string FocusBitmapHostPath() const;

    // "Take Photo" and "Cancel" stop a running focus loop first.
    void TakePhoto();
    void Cancel();

    // "Help": the help text in a message box.
    void ShowHelp() const;

  private:
    CameraState& camera() const { return session_.camera; }

    Camera* camera_;
    SessionState& session_;
    std::function<void()> focusFrameListener_;
};

}  // namespace vexa
