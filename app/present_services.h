// What the settings, view and present commands ask of the user interface: the settings and
// stretch-palette dialogs, the label dialog, the clipboard, printing, help and the about box.
// A front end implements it and installs it with SetPresentUi; until one does, every dialog
// answers as cancelled and nothing can be copied, printed or shown.
#pragma once

#include <string>

namespace vexa {

class SettingsDialogModel;
class StretchPaletteDialogModel;
class LabelDialogModel;

class PresentServices {
  public:
    virtual ~PresentServices() = default;

    // Modal dialogs: each renders and drives its core model; true when confirmed (OK).
    virtual bool RunSettingsDialog(SettingsDialogModel&) { return false; }
    virtual bool RunStretchPaletteDialog(StretchPaletteDialogModel&) { return false; }
    // "Label Current Image": modal; true on OK.
    virtual bool RunLabelDialog(LabelDialogModel&) { return false; }
    // Put the view's bitmap with its colour table on the system clipboard; false when the
    // view holds no bitmap.
    virtual bool CopyViewToClipboard() { return false; }
    // Printing of a whole-image view bitmap file, and the printer set-up.
    enum class PrintStatus { Done, Cancelled, NoPrinter, UnreadableFile, Failed };
    virtual PrintStatus PrintBitmapFile(const std::string&) { return PrintStatus::NoPrinter; }
    virtual PrintStatus PrintSetup() { return PrintStatus::NoPrinter; }
    // Open the program's help pages at their contents; false when they cannot be opened.
    virtual bool ShowHelp() { return false; }
    // The modal about box "Help About Vexa_Q4_USB".
    virtual void RunAboutDialog() {}
};

// The installed implementation (a front end's), else one that cancels everything.
PresentServices& PresentUi();
void SetPresentUi(PresentServices* services);

}  // namespace vexa
