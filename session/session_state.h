// The one session record: image planes, geometry, display state, interaction modes and every
// persistent setting. There is exactly one instance, reached through Session().
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "session/camera_state.h"
#include "session/telescope_state.h"
#include "session/telescope_type.h"

namespace vexa {

constexpr int kFullWidth = 1300;
constexpr int kFullHeight = 1030;
constexpr int kHalfWidth = 650;
constexpr int kHalfHeight = 515;
constexpr int kFullSampleCount = kFullWidth * kFullHeight;  // 1,339,000
// Whole-image passes in Half geometry visit this many samples (twice the binned image).
constexpr int kHalfPassSampleCount = 669500;
// Every plane has room for the Full image plus 20 spare samples.
constexpr int kPlaneSamples = kFullSampleCount + 20;
constexpr int kFrameSide = 128;  // the focus window and the small-frame display
constexpr int kFrameSamples = kFrameSide * kFrameSide;
constexpr int kHistoryEntries = 15;
constexpr int kHistoryLineBytes = 40;

using Plane = std::array<uint16_t, kPlaneSamples>;

// Values derived from geometryMode by ApplyGeometry().
struct ImageGeometry {
    int32_t width = kFullWidth;
    int32_t tenRowSpan = kFullWidth * 10;
    int32_t lastColumn = kFullWidth - 1;
    int32_t rowBytes = kFullWidth * 2;
    float widthReal = 1300.0f;
    int32_t height = kFullHeight;
    int32_t lastRow = kFullHeight - 1;
    float heightReal = 1030.0f;
    int32_t sampleCount = kFullSampleCount;
    int32_t stretchTailCount = 53040;
};

// Settings kept in the settings file, in file order, with their defaults.
struct PersistentSettings {
    uint16_t autosaveNumber = 0;
    int16_t hoursToUT = 0;
    bool fast_par = false;
    int16_t legacyReadMode = 0;
    int16_t guideStarMaskRadius = 8;
    int16_t delayAdjustment = 1;
    char backgroundChoice = 'l';
    bool focusDelay = false;
    int16_t raPixelsPerSecond = 2;
    int16_t decPixelsPerSecond = 2;
    int16_t raBacklash = 0;
    int16_t decBacklash = 0;
    bool ignoreSmallDrift = true;
    TelescopeType telescopeType = TelescopeType::None;
    bool disableInterruptsDuringDownload = true;
    int16_t raHysteresis = 0;
    int16_t decHysteresis = 0;
    std::array<char, 4> driveDirections{'n', 's', 'e', 'w'};  // north, south, east, west
    bool autoWeakStretch = false;
    bool autoStrongStretch = false;
    bool autoUserStretch = false;
    int16_t autoUserStretchLevel = 4;
    bool autoHighPass = false;
    bool autoUnsharp = false;
    int16_t autoUnsharpDiameter = 3;
    int16_t autoUnsharpPower = 1;
    bool autoRemoveBackground = false;
    bool fastParExtra = false;
    std::string fitsObject;
    std::string fitsTelescope;
    std::string fitsInstrument = "Corvane CCD";
    std::string fitsObserver;
    std::string fitsOrigin;
    std::string fitsHistory;  // up to 255 characters
    std::string fitsComment;  // up to 255 characters
    std::string fitsFilter = "None";
    double apertureSquareInches = 0.0;
    double focalLengthInches = 0.0;
    // Off: FITS files carry BZERO 32768 and signed samples, as standard FITS readers expect.
    // On, 16-bit samples are stored raw with BZERO 0, which those readers take as signed.
    bool unsignedIntFits = false;
    bool showInterfaceDetails = true;
};

struct RgbColour {
    int16_t red = 0;
    int16_t green = 0;
    int16_t blue = 0;
};

struct SessionState {
    // ---- geometry and planes ----
    int geometryMode = 0;  // 0 Full, non-zero Half
    ImageGeometry geometry;
    Plane currentImage{};
    Plane workImage{};
    Plane undoImage{};
    Plane flatReferenceImage{};
    std::array<uint8_t, kFullSampleCount> displayBytes{};

    // ---- display state ----
    bool fitToWindow = false;
    bool centreImage = false;
    bool falseColour = false;
    bool autoContrast = false;
    bool paletteStretch = false;
    int32_t paletteStretchBits = 14;
    int32_t backgroundLevel = 0;
    RgbColour backgroundColour{192, 192, 192};
    bool backgroundChanged = false;
    int32_t displayWidth = 0;
    int32_t displayHeight = 0;
    int16_t scrollX = 0;
    int16_t scrollY = 0;
    uint32_t rasterOperation = 0xCC0020;
    bool displayBitmapExists = false;  // the view holds a bitmap from a refresh
    bool pendingRefresh = false;       // a dialog asks the next paint to refresh first
    std::array<uint16_t, 256> displayHistogram{};
    // The same counts without the 16-bit limit (displayHistogram saturates at 65,535).
    std::array<uint32_t, 256> displayHistogramWide{};
    // The label dialog's text and its "Auto Date" choice (session only, never saved).
    std::string labelText;
    bool labelAutoDate = false;

    // ---- interaction modes ----
    bool photometryMode = false;
    bool rowPlotMode = false;
    bool mergingMode = false;
    bool mergeSecondPoint = false;
    bool pickGuideStarMode = false;
    bool focusCentrePickMode = false;
    bool snapToStar = false;
    int32_t measureBoxHalfSize = 0;
    char photometryTarget = 'o';
    int16_t guideStarPicked = 0;
    bool guideStarFound = false;  // snap pass 3 in pick mode marked a star for the guider
    int32_t guideStarX = 0;
    int32_t guideStarY = 0;
    int32_t focusWindowX = kFullWidth / 2 - 64;
    int32_t focusWindowY = kFullHeight / 2 - 64;
    bool smallFrameDisplay = false;
    // Set by the guider while its 128 x 128 guide window is shown: the view then writes and
    // shows the small-frame bitmap, as with smallFrameDisplay.
    bool guideFrameDisplay = false;
    int32_t selectedRow = 0;     // the row shown by the row profile
    bool histogramOpen = false;  // "Histogram of Current Image" is open
    bool plot3DOpen = false;     // "3-D Intensity Plot" is open

    // ---- file and calibration identity ----
    std::string currentFileName = "(Untitled)";
    std::string darkFrameFileName;
    std::string flatFieldFileName;
    bool darkFrameOn = false;
    bool flatFieldOn = false;
    std::array<std::array<char, kHistoryLineBytes>, kHistoryEntries> historyLines{};

    // ---- camera, capture and telescope state shared across subsystems ----
    bool interruptMaskingPermitted = false;
    int32_t abortRequested = 0;
    int16_t seriesCount = 0;
    int32_t continuousRunning = 0;
    bool continuousCapture = false;    // the continuous-capture setting of the camera dialog
    bool autoSaveImage = false;        // "Auto Save Image" of the camera control dialog
    bool applyAutoProcessing = false;  // "Apply Auto-Processing" of the camera control dialog
    uint32_t exposureDeadlineMs = 0;   // end of the running exposure wait (millisecond clock)
    CameraState camera;                // the camera's own settings and sequence state

    // ---- fields owned by processing, files and capture ----
    uint16_t dialogValue1 = 0;
    uint16_t dialogValue2 = 0;
    double powerLawExponent = 0.0;
    std::array<uint16_t, 32768> stretchTable{};
    std::string pendingProgressTitle;
    bool progressTitlePending = false;
    bool autoProcessingRunning = false;
    bool mergeAverage = false;
    bool mergeSuperimpose = false;
    int32_t mergeX1 = 0, mergeY1 = 0, mergeX2 = 0, mergeY2 = 0;
    int mergeFirstGeometryMode = 0;  // geometry of the first image kept in workImage
    int32_t starCentreX = 0, starCentreY = 0, starTenthsX = 0, starTenthsY = 0;
    bool subPixelCentring = false;  // autoguiding with small drift not ignored
    int32_t objectTotal = 0, comparisonTotal = 0, skyTotal = 0;
    int32_t objectX = 0, objectY = 0, comparisonX = 0, comparisonY = 0, skyX = 0, skyY = 0;
    bool skyMeasured = false;
    int32_t cursorX = 0, cursorY = 0, cursorValue = 0;
    std::string fitsDate;
    std::string fitsTime;
    double exposureSeconds = 0.0;
    double pixelWidth = 0.0074;
    double pixelHeight = 0.0074;
    bool eightBitFits = false;
    int32_t exposureStart = 0;
    int32_t exposureEnd = 0;
    uint16_t sequenceNumber = 0;
    std::string fileDialogFolder;
    std::string fileDialogFileName;
    int16_t fileDialogFilterIndex = 3;

    // ---- settings ----
    PersistentSettings settings;
    // Session-only settings of the settings dialog.
    char commPort = '1';
    int32_t guideTrainingSeconds = 1;

    // ---- the telescope link ----
    TelescopeState telescope;
};

// The process-wide session record.
SessionState& Session();

// Recompute the geometry from geometryMode.
void ApplyGeometry();
// Put the focus window back in the middle of the image.
void ResetFocusWindow();
// Store the file name shown in the title ("(Untitled)" for none) and retitle the window.
void SetTitleFile(const std::string* name);
// The window title for the current file name.
std::string WindowTitle();
// Fill the planes with the start-up ramp: row x 63 in the first three, zero in the flat.
void FillStartupRamp();
// Colour of a window-background choice ('l', 'r', 'g'); other letters give light grey.
RgbColour BackgroundColourFor(char choice);
// True when the image carries a burnt-in label (samples 4 and 5 add up to 34).
bool ImageIsLabelled(const Plane& image);

constexpr const char* kProgramTitle = "Vexa_Q4_USB";
constexpr const char* kUntitled = "(Untitled)";

}  // namespace vexa
