#include "session/message_catalogue.h"

#include "session/ui_services.h"

namespace vexa {

namespace {
constexpr const char* kIniLoadFailed = "Unable to load INI file, please delete and try again";
constexpr const char* kIniSaveFailed = "Unable to save INI file, please check disk space";
constexpr const char* kCreateFailed = "Unable to create file, check disk space";
constexpr const char* kFitsForeign = "Unable to load FITS file, File was not saved by this program";
}  // namespace

std::string CatalogueText(int16_t code) {
    switch (code) {
        case 1:
            return "Warning!\nNo INI file found, please set defaults...";
        case 2:
            return "Sorry, outside Image area - try again";
        case 3:
            return "TQ Interface not found.\n\nPort set to default.\n\nIf you have a TQ Camera "
                   "make "
                   "sure all the cables are plugged in and it is switched on. ";
        case 4:
            return "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has "
                   "different intensity to previous reading (+/-5%)";
        case 5:
            return "Sorry. Cannot find suitable guide star\n\nStar must be at least +/-5% of next "
                   "brightest.";
        case 6:
            return kCreateFailed;
        case 7:
            return "Failed to Open Darkframe TQ File";
        case 8:
            return "Failed to create temp bitmap";
        case 9:
            return "Unable to create temp bitmap file header";
        case 10:
            return "Unable to create temp bitmap file";
        case 11:
            return "Failed to Open TQ File";
        case 12:
            return "You didn't choose a valid TQ or suitable FITs File";
        case 13:
            return "Unable to load FITS file";
        case 14:
            return kFitsForeign;
        case 15:
            return kFitsForeign;
        case 16:
            return "Sorry, you didn't choose a TQ File";
        case 17:
            return "Failed to Save TQ File";
        case 18:
            return "Unable to create/overwrite TQ File";
        case 19:
            return "Unable to create/overwrite RQ File";
        case 20:
            return kIniLoadFailed;
        case 21:
            return kIniSaveFailed;
        case 22:
            return "Sorry, chosen Darkframe is not an TQ File";
        case 23:
            return kIniLoadFailed;
        case 24:
            return kIniSaveFailed;
        case 25:
            return "Failed to Open Flatfield TQ File";
        case 26:
            return "Sorry, chosen Flatfield is not a TQ File";
        case 27:
            return kIniLoadFailed;
        case 28:
            return kIniSaveFailed;
        case 29:
            return kCreateFailed;
        case 30:
            return "Sorry, Merging only available in standard Geometry. Ensure Image is not "
                   "stretched to fit window or in RQ geometry.";
        case 31:
            return "Sorry, you are already in Merging mode.";
        case 32:
            return "Cannot open bitmap file";
        case 33:
            return "Sorry. Cannot Pick Star in ths display mode";
        case 34:
            return "Sorry. No Connection to Telescope";
        case 35:
            return "Sorry, you cannot run Photometry, Row Plot and Merging at the same time";
        case 36:
            return "Sorry, Photometry only available in standard Geometry. Ensure Image is not "
                   "stretched to fit window or in TQ geometry.";
        case 37:
            return "Sorry, you are already in Photometry mode. Click left Mouse button when on "
                   "object you wish to measure";
        case 38:
            return "Sorry, Row Plot only available in standard Geometry. Ensure Image is not "
                   "stretched to fit window or in TQ geometry.";
        case 39:
            return "Cannot access bitmap resource";
        case 40:
            return "Sorry, you must first load an autosaved file to start the sequence, or there "
                   "are no more files";
        case 51:
            return "AutoGuiding Terminated";
        case 66:
            return "Got Here OK";
        case 67:
            return "Even Got Here OK";
        default:
            return std::string();  // 41, 50 and every code outside the table
    }
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
