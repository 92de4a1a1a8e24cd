// The menu and accelerator tables: every command id, its menu text (with "&" mnemonics and
// "\t" key hints), the menu it sits in, its place in menu order and the part of the program
// that owns its operation.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vexa {

// Top-level menus in menu-bar order. "&Label" and "&Histogram" are top-level items that
// start a command themselves.
enum class MenuId { File, Edit, View, Label, Contrast, Filters, Merging, Histogram, Help };

struct MenuEntry {
    MenuId id;
    std::string_view text;  // "&File", ..., "Filter&s ", "Help"
    int32_t commandId;      // for the top-level items "&Label" and "&Histogram"; 0 otherwise
};

struct CommandEntry {
    int32_t id;
    std::string_view menuText;
    MenuId menu;
    bool separatorBefore;    // a separator line is drawn above the item
    std::string_view owner;  // the folder whose code carries out the command
};

enum class KeyModifier { Ctrl, Alt };

struct AcceleratorEntry {
    KeyModifier modifier;
    char key;  // upper-case letter; letter case does not matter
    int32_t commandId;
};

std::span<const MenuEntry> MenuBar();
// Every command in menu order (top-level items included at their menu's place).
std::span<const CommandEntry> CommandTable();
std::span<const AcceleratorEntry> AcceleratorTable();
const CommandEntry* FindCommand(int32_t id);
// The accelerator bound to a modifier and letter (either letter case); none when unbound.
const AcceleratorEntry* FindAccelerator(KeyModifier modifier, char key);

namespace cmd {
constexpr int32_t kOpen = 24332, kSave = 24333, kSaveTiff = 24334, kSaveFits = 24335,
                  kQuickSave = 24336, kLoadNextAutosaved = 24337, kDeleteFile = 13,
                  kEditAutosaveFitsText = 19, kSelectDarkFrame = 104, kSelectFlatField = 122,
                  kSetProgramDefaults = 121, kCameraInterface = 12, kPickGuideStar = 21,
                  kFocusFrameCentre = 25, kDefaultFocusFrameCentre = 26, kStartAutoGuiding = 22,
                  kTrainAutoGuiding = 23, kTelescopeControl = 24, kPrintSetup = 114, kPrint = 116,
                  kExit = 24310, kUndo = 9, kCopy = 17999, kSetAutoProcessing = 24324,
                  kFitToWindow = 301, kCentreImage = 303, kFalseColour = 118, kAutoContrast = 119,
                  kMaxPaletteStretch = 123, kMirrorImage = 302, kPhotometry = 14,
                  kIntensityPlot3D = 15, kRowPlot = 16, kProcessingHistory = 17, kFitsDetails = 20,
                  kLabel = 8, kNormalStretch = 1, kPowerLawStretch = 2, kSineLawStretch = 101,
                  kRemoveBackground = 120, kNonLinearStretch = 117, kLogStretch = 102,
                  kAntilogStretch = 103, kInvert = 105, kUnsharp = 106, kHighPassLow = 107,
                  kHighPassHigh = 108, kSmootherSharper = 109, kMedian = 3, kGaussian = 4,
                  kLowPass = 5, kBasRelief = 7, kGradient = 18, kSubtractDark = 110,
                  kFlatField = 115, kMerge = 111, kHistogram = 6, kHelp = 112, kAbout = 113;
}  // namespace cmd

}  // namespace vexa
