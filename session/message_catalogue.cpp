#include "session/message_catalogue.h"

#include "session/ui_services.h"

namespace vexa {

namespace {
constexpr const char* kIniLoadFailed = "Unable to load INI file, please delete and try again";
constexpr const char* kIniSaveFailed = "Unable to save INI file, please check disk space";
constexpr const char* kCreateFailed = "Unable to create file, check disk space";
constexpr const char* kFitsForeign = "Unable to load FITS file, File was not saved by this program";

// The catalogue: each code's text; codes not listed (41, 50 and every code outside the
// table) have none.
struct CatalogueEntry {
    int16_t code;
    const char* text;
};
constexpr CatalogueEntry kCatalogue[] = {
    {1, "Warning!\nNo INI file found, please set defaults..."},
    {2, "Sorry, outside Image area - try again"},
    {3,
     "TQ Interface not found.\n\nPort set to default.\n\nIf you have a TQ Camera make sure "
     "all the cables are plugged in and it is switched on. "},
    {4,
     "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has "
     "different intensity to previous reading (+/-5%)"},
    {5,
     "Sorry. Cannot find suitable guide star\n\nStar must be at least +/-5% of next "
     "brightest."},
    {6, kCreateFailed},
    {7, "Failed to Open Darkframe TQ File"},
    {8, "Failed to create temp bitmap"},
    {9, "Unable to create temp bitmap file header"},
    {10, "Unable to create temp bitmap file"},
    {11, "Failed to Open TQ File"},
    {12, "You didn't choose a valid TQ or suitable FITs File"},
    {13, "Unable to load FITS file"},
    {14, kFitsForeign},
    {15, kFitsForeign},
    {16, "Sorry, you didn't choose a TQ File"},
    {17, "Failed to Save TQ File"},
    {18, "Unable to create/overwrite TQ File"},
    {19, "Unable to create/overwrite RQ File"},
    {20, kIniLoadFailed},
    {21, kIniSaveFailed},
    {22, "Sorry, chosen Darkframe is not an TQ File"},
    {23, kIniLoadFailed},
    {24, kIniSaveFailed},
    {25, "Failed to Open Flatfield TQ File"},
    {26, "Sorry, chosen Flatfield is not a TQ File"},
    {27, kIniLoadFailed},
    {28, kIniSaveFailed},
    {29, kCreateFailed},
    {30,
     "Sorry, Merging only available in standard Geometry. Ensure Image is not "
     "stretched to fit window or in RQ geometry."},
    {31, "Sorry, you are already in Merging mode."},
    {32, "Cannot open bitmap file"},
    {33, "Sorry. Cannot Pick Star in ths display mode"},
    {34, "Sorry. No Connection to Telescope"},
    {35, "Sorry, you cannot run Photometry, Row Plot and Merging at the same time"},
    {36,
     "Sorry, Photometry only available in standard Geometry. Ensure Image is not "
     "stretched to fit window or in TQ geometry."},
    {37,
     "Sorry, you are already in Photometry mode. Click left Mouse button when on "
     "object you wish to measure"},
    {38,
     "Sorry, Row Plot only available in standard Geometry. Ensure Image is not "
     "stretched to fit window or in TQ geometry."},
    {39, "Cannot access bitmap resource"},
    {40,
     "Sorry, you must first load an autosaved file to start the sequence, or there "
     "are no more files"},
    {51, "AutoGuiding Terminated"},
    {66, "Got Here OK"},
    {67, "Even Got Here OK"},
};

}  // namespace

std::string CatalogueText(int16_t code) {
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.code == code) return entry.text;
    }
    return std::string();
}

int ShowMessage(int16_t code, const std::string& text) {
    // The text buffer holds 256 bytes: a caller's text keeps at most 255 characters.
    const std::string shown = code == static_cast<int16_t>(MessageCode::CallerText)
                                  ? text.substr(0, 255)
                                  : CatalogueText(code);
    return Ui().MessageBox(kMessageCaption, shown);
}

std::string TextWithReason(MessageCode code, const std::string& reason) {
    std::string text = CatalogueText(code);
    if (!reason.empty()) text.append("\n\n").append(reason);
    return text;
}

int ShowMessageWithReason(MessageCode code, const std::string& reason) {
    return Ui().MessageBox(kMessageCaption, TextWithReason(code, reason));
}

}  // namespace vexa
