// The menu bar, every menu item in menu order and the accelerator keys, kept as plain data so
// that the Qt window builds its menus from it and the core dispatches by the same ids.
#include "resources/command_table.h"

#include <array>

namespace vexa {

namespace {

// Folders whose code carries out a command.
constexpr std::string_view kApp = "app";
constexpr std::string_view kFiles = "files";
constexpr std::string_view kProcessing = "processing";
constexpr std::string_view kCamera = "camera";
constexpr std::string_view kTelescope = "telescope";

constexpr std::array kMenuBar{
    MenuEntry{MenuId::File, "&File", 0},
    MenuEntry{MenuId::Edit, "&Edit", 0},
    MenuEntry{MenuId::View, "&View", 0},
    MenuEntry{MenuId::Label, "&Label", cmd::kLabel},
    MenuEntry{MenuId::Contrast, "&Contrast", 0},
    MenuEntry{MenuId::Filters, "Filter&s ", 0},
    MenuEntry{MenuId::Merging, "&Merging", 0},
    MenuEntry{MenuId::Histogram, "&Histogram", cmd::kHistogram},
    MenuEntry{MenuId::Help, "Help", 0},
};

constexpr bool kSep = true;
constexpr bool kNoSep = false;

constexpr std::array kCommands{
    // ---- File: files, references, settings, camera, guiding, printing, exit ----
    CommandEntry{cmd::kOpen, "&Open...", MenuId::File, kNoSep, kFiles},
    CommandEntry{cmd::kSave, "&Save...", MenuId::File, kNoSep, kFiles},
    CommandEntry{cmd::kSaveTiff, "Save as &Tiff file...", MenuId::File, kNoSep, kFiles},
    CommandEntry{cmd::kSaveFits, "S&ave as FITS file...", MenuId::File, kNoSep, kFiles},
    CommandEntry{cmd::kQuickSave, "&Quick Save as FITS...\tCtl+Q ", MenuId::File, kNoSep, kFiles},
    CommandEntry{cmd::kLoadNextAutosaved, "Load next &Autosaved File  \tCtl+A ", MenuId::File,
                 kNoSep, kFiles},
    CommandEntry{cmd::kDeleteFile, "&Delete File...", MenuId::File, kSep, kFiles},
    CommandEntry{cmd::kEditAutosaveFitsText, "&Load/Edit AutoSave FITS text", MenuId::File, kNoSep,
                 kFiles},
    CommandEntry{cmd::kSelectDarkFrame, "Select Dark &Frame...", MenuId::File, kSep, kProcessing},
    CommandEntry{cmd::kSelectFlatField, "Select Flatfield File...", MenuId::File, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kSetProgramDefaults, "Set Program Defa&ults", MenuId::File, kSep, kApp},
    CommandEntry{cmd::kCameraInterface, "TQ4 Camera &Interface\tCTL+Z", MenuId::File, kSep,
                 kCamera},
    CommandEntry{cmd::kPickGuideStar, "Pic&k Guide Star\tCTL+K", MenuId::File, kNoSep, kApp},
    CommandEntry{cmd::kFocusFrameCentre, "Focus Frame Centre", MenuId::File, kNoSep, kApp},
    CommandEntry{cmd::kDefaultFocusFrameCentre, "Default Focus Frame Centre", MenuId::File, kNoSep,
                 kApp},
    CommandEntry{cmd::kStartAutoGuiding, "Start Auto-Guiding", MenuId::File, kSep, kTelescope},
    CommandEntry{cmd::kTrainAutoGuiding, "Train Auto-Guiding", MenuId::File, kNoSep, kTelescope},
    CommandEntry{cmd::kTelescopeControl, "Telescope &Control", MenuId::File, kNoSep, kTelescope},
    CommandEntry{cmd::kPrintSetup, "P&rint setup...", MenuId::File, kSep, kApp},
    CommandEntry{cmd::kPrint, "&Print...", MenuId::File, kNoSep, kApp},
    CommandEntry{cmd::kExit, "E&xit", MenuId::File, kSep, kApp},
    // ---- Edit ----
    CommandEntry{cmd::kUndo, "&Undo Last Filter", MenuId::Edit, kNoSep, kProcessing},
    CommandEntry{cmd::kCopy, "&Copy\tShift+Ins", MenuId::Edit, kNoSep, kApp},
    CommandEntry{cmd::kSetAutoProcessing, "Set Auto &Processing", MenuId::Edit, kSep, kProcessing},
    // ---- View: presentation toggles, then the analysis displays ----
    CommandEntry{cmd::kFitToWindow, "&Fit to window", MenuId::View, kNoSep, kApp},
    CommandEntry{cmd::kCentreImage, "&Centre Image", MenuId::View, kNoSep, kApp},
    CommandEntry{cmd::kFalseColour, "False Colour P&alette", MenuId::View, kNoSep, kApp},
    CommandEntry{cmd::kAutoContrast, "&Auto contrast stretch image", MenuId::View, kNoSep, kApp},
    CommandEntry{cmd::kMaxPaletteStretch, "Max Palette Stretch", MenuId::View, kNoSep, kApp},
    CommandEntry{cmd::kMirrorImage, "&Mirror Image", MenuId::View, kNoSep, kApp},
    CommandEntry{cmd::kPhotometry, "&Photometry of Image", MenuId::View, kSep, kProcessing},
    CommandEntry{cmd::kIntensityPlot3D, "3-D &Intensity Plot", MenuId::View, kNoSep, kProcessing},
    CommandEntry{cmd::kRowPlot, "Intensity Plot of Current R&ow", MenuId::View, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kProcessingHistory, "Processing &History", MenuId::View, kNoSep, kProcessing},
    CommandEntry{cmd::kFitsDetails, "&Show/Edit Current Image FITS details", MenuId::View, kSep,
                 kFiles},
    // ---- Label (a top-level item) ----
    CommandEntry{cmd::kLabel, "&Label", MenuId::Label, kNoSep, kApp},
    // ---- Contrast ----
    CommandEntry{cmd::kNormalStretch, "&Normal Stretch", MenuId::Contrast, kNoSep, kProcessing},
    CommandEntry{cmd::kPowerLawStretch, "&Power Law Stretch", MenuId::Contrast, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kSineLawStretch, "&Sine Law Stretch", MenuId::Contrast, kNoSep, kProcessing},
    CommandEntry{cmd::kRemoveBackground, "&Remove Background ", MenuId::Contrast, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kNonLinearStretch, "N&on-Linear Stretch", MenuId::Contrast, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kLogStretch, "&Logarithmic Stretch", MenuId::Contrast, kSep, kProcessing},
    CommandEntry{cmd::kAntilogStretch, "&Antilogarithmic Stretch", MenuId::Contrast, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kInvert, "&Invert image to Negative", MenuId::Contrast, kSep, kProcessing},
    // ---- Filters ----
    CommandEntry{cmd::kUnsharp, "&Unsharp masking HPF", MenuId::Filters, kNoSep, kProcessing},
    CommandEntry{cmd::kHighPassLow, "&High Pass, Low Power", MenuId::Filters, kNoSep, kProcessing},
    CommandEntry{cmd::kHighPassHigh, "High Pass, High &Power", MenuId::Filters, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kSmootherSharper, "&Smoother/Sharper Filter", MenuId::Filters, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kMedian, "&Median Filter - Noise Reduction", MenuId::Filters, kSep,
                 kProcessing},
    CommandEntry{cmd::kGaussian, "&Gaussian Smoother Filter", MenuId::Filters, kNoSep, kProcessing},
    CommandEntry{cmd::kLowPass, "Low Pass &Weighted Mean &Smoother", MenuId::Filters, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kBasRelief, "&Bas Relief Generator", MenuId::Filters, kSep, kProcessing},
    CommandEntry{cmd::kGradient, "Gradient &Filter", MenuId::Filters, kNoSep, kProcessing},
    // ---- Merging ----
    CommandEntry{cmd::kSubtractDark, "&Subtract Image (Dark Frame)", MenuId::Merging, kNoSep,
                 kProcessing},
    CommandEntry{cmd::kFlatField, "Apply &Flat Field", MenuId::Merging, kNoSep, kProcessing},
    CommandEntry{cmd::kMerge, "Merge two Images &together", MenuId::Merging, kSep, kProcessing},
    // ---- Histogram (a top-level item) ----
    CommandEntry{cmd::kHistogram, "&Histogram", MenuId::Histogram, kNoSep, kProcessing},
    // ---- Help ----
    CommandEntry{cmd::kHelp, "Help in using Vexa_Q4_USB", MenuId::Help, kNoSep, kApp},
    CommandEntry{cmd::kAbout, "About Vexa_Q4_USB", MenuId::Help, kNoSep, kApp},
};

constexpr std::array kAccelerators{
    AcceleratorEntry{KeyModifier::Ctrl, 'Z', cmd::kCameraInterface},
    AcceleratorEntry{KeyModifier::Alt, 'X', cmd::kExit},
    AcceleratorEntry{KeyModifier::Ctrl, 'H', cmd::kHistogram},
    AcceleratorEntry{KeyModifier::Ctrl, 'L', cmd::kLabel},
    AcceleratorEntry{KeyModifier::Ctrl, 'Q', cmd::kQuickSave},
    AcceleratorEntry{KeyModifier::Ctrl, 'A', cmd::kLoadNextAutosaved},
    // The menu text shows "CTL+K"; Ctrl+K is our binding for it.
    AcceleratorEntry{KeyModifier::Ctrl, 'K', cmd::kPickGuideStar},
};

constexpr char UpperCase(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

}  // namespace

std::span<const MenuEntry> MenuBar() {
    return kMenuBar;
}
std::span<const CommandEntry> CommandTable() {
    return kCommands;
}
std::span<const AcceleratorEntry> AcceleratorTable() {
    return kAccelerators;
}

const CommandEntry* FindCommand(int32_t id) {
    for (const CommandEntry& entry : kCommands) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

const AcceleratorEntry* FindAccelerator(KeyModifier modifier, char key) {
    const char upper = UpperCase(key);
    for (const AcceleratorEntry& entry : kAccelerators) {
        if (entry.modifier == modifier && entry.key == upper) return &entry;
    }
    return nullptr;
}

}  // namespace vexa
