// What the File menu's commands ask of the user interface: the file dialogs, the FITS
// details dialog and confirmations. A front end implements it and installs it with
// SetFileDialogs; until one does, every dialog answers as cancelled.
#pragma once

#include <optional>
#include <string>

#include "files/file_dialog_request.h"

namespace vexa {

class FitsDetailsDialogModel;

class FileDialogServices {
  public:
    virtual ~FileDialogServices() = default;

    // "FITS DETAILS": the dialog shows and edits the model (the check boxes act through it at
    // once); true on Continue, false on Abort or close. The core then applies Continue.
    virtual bool RunFitsDetailsDialog(FitsDetailsDialogModel&) { return false; }
    // The system's file dialogs: the chosen file's full host path, or nothing on Cancel.
    virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest&) {
        return std::nullopt;
    }
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest&) {
        return std::nullopt;
    }
    // A confirmation such as "DELETE FILE DIALOG": true on OK.
    virtual bool RunConfirmDialog(const ConfirmDialogRequest&) { return false; }
};

// The installed implementation (a front end's), else one that cancels everything.
FileDialogServices& FileDialogs();
void SetFileDialogs(FileDialogServices* services);

}  // namespace vexa
