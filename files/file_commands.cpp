#include "files/file_commands.h"
#include "files/file_dialog_services.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "files/autosave.h"
#include "files/file_dialog_request.h"
#include "files/file_names.h"
#include "files/fits_details_model.h"
#include "files/fits_file.h"
#include "files/tiff_file.h"
#include "files/tq_file.h"
#include "session/clock.h"
#include "session/message_catalogue.h"
#include "session/safe_file_writer.h"
#include "session/settings_file.h"
#include "session/ui_services.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace {

constexpr size_t kShortestFullDate = 8;  // "DD/MM/YY"

enum class SaveFormat { Tq, Tiff, Fits };

int FilterIndexForName(const std::string& bareName) {
    return bareName.find('~') != std::string::npos ? kTqFilterIndex : kAllFilesFilterIndex;
}

void RunSaveDialog(SaveFormat format) {
    SessionState& s = Session();
    FileDialogRequest request;
    request.folder = s.fileDialogFolder;
    request.askBeforeOverwrite = true;
    switch (format) {
        case SaveFormat::Tq:
            request.filter = kSaveTqFilter;
            request.filterIndex = s.fileDialogFilterIndex;
            break;
        case SaveFormat::Tiff:
            request.filter = kSaveTiffFilter;
            request.defaultExtension = kTiffExtension;
            request.offeredName = kTiffOfferedName;
            break;
        case SaveFormat::Fits:
            request.filter = kSaveFitsFilter;
            request.defaultExtension = kFitsExtension;
            request.offeredName = kFitsOfferedName;
            break;
    }
    const std::optional<std::string> chosen = FileDialogs().SaveFileDialog(request);
    if (!chosen || chosen->empty()) return;

    // The title shows the name as it is written, letter case and all.
    const std::string bare = BareName(*chosen);
    SetTitleFile(&bare);
    s.fileDialogFilterIndex = static_cast<int16_t>(
        format == SaveFormat::Fits ? kFitsFilterIndex : FilterIndexForName(bare));
    // The chosen folder is where the bare name is written.
    s.fileDialogFolder = FolderOf(*chosen);

    // The command decides the format, whatever filter the user picked.
    if (format == SaveFormat::Tq) {
        SaveTqFile(bare);
        return;
    }
    bool written = false;
    {
        WaitCursor wait;
        written = format == SaveFormat::Tiff ? WriteTiffFile(bare, s.currentImage)
                                             : WriteFitsFile(bare, s.currentImage, s.eightBitFits);
    }
    if (!written) ShowMessageWithReason(MessageCode::CreateFileFailed, WriteFailureReason());
}

// Open the details dialog; Continue copies its edits into the session.
bool RunFitsDetails() {
    FitsDetailsDialogModel model;
    if (!FileDialogs().RunFitsDetailsDialog(model)) {
        model.Abort();
        return false;
    }
    model.Continue();
    return true;
}

void ChooseReference(std::string SessionState::*field, const char* title) {
    const std::optional<ChosenFile> chosen = RunChooseDialog(title);
    if (chosen) Session().*field = chosen->fullPath;  // nothing is read now
}

}  // namespace

std::string LocalDateStamp() {
    const std::time_t now = TheClock().CalendarNow();
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", local.tm_mday, local.tm_mon + 1,
                  (local.tm_year % 100 + 100) % 100);
    return text;
}

std::optional<ChosenFile> RunChooseDialog(const std::string& title) {
    SessionState& s = Session();
    FileDialogRequest request;
    request.title = title;
    request.filter = kChooseFilter;
    request.filterIndex = s.fileDialogFilterIndex;
    request.folder = s.fileDialogFolder;
    request.mustExist = true;
    const std::optional<std::string> path = FileDialogs().OpenFileDialog(request);
    if (!path || path->empty()) return std::nullopt;
    ChosenFile chosen{*path, FolderOf(*path), BareName(*path)};
    s.fileDialogFilterIndex = static_cast<int16_t>(FilterIndexForName(chosen.bareName));
    return chosen;
}

void RememberChosenFolder(const ChosenFile& chosen) {
    Session().fileDialogFolder = chosen.folder;
}

std::optional<std::string> RunOpenDialog() {
    SessionState& s = Session();
    FileDialogRequest request;
    request.filter = kOpenFilter;
    request.filterIndex = s.fileDialogFilterIndex;
    request.folder = s.fileDialogFolder;
    request.offeredName = s.fileDialogFileName;
    request.mustExist = true;
    const std::optional<std::string> path = FileDialogs().OpenFileDialog(request);
    if (!path || path->empty()) return std::nullopt;

    // The name as it is on disk (a typed name may differ in letter case): offered again by
    // the next Open, it names a file that exists.
    const std::string bare = BareName(NameAsOnDisk(*path));
    s.fileDialogFilterIndex = static_cast<int16_t>(FilterIndexForName(bare));
    s.fileDialogFileName = bare;
    s.fileDialogFolder = FolderOf(*path);
    return bare;
}

void OpenChosenImage(const std::string& bareName) {
    // The load sets the title from the file's name once the image is shown.
    LoadImageFile(bareName);
}

void CmdSave() {
    RunSaveDialog(SaveFormat::Tq);
}

void CmdSaveTiff() {
    RunSaveDialog(SaveFormat::Tiff);
}

void CmdSaveFits() {
    SessionState& s = Session();
    s.eightBitFits = false;
    if (s.fitsDate.size() < kShortestFullDate) s.fitsDate = LocalDateStamp();
    if (!RunFitsDetails()) return;
    RunSaveDialog(SaveFormat::Fits);
}

void CmdQuickSave() {
    if (!AutosaveFits(Session().currentImage)) {
        ShowMessageWithReason(MessageCode::CreateFileFailed, WriteFailureReason());
    }
}

void CmdLoadNextAutosaved() {
    LoadNextAutosaved();
}

void CmdDeleteFile() {
    const std::optional<ChosenFile> chosen = RunChooseDialog(kDeleteChooserTitle);
    if (!chosen) return;
    ConfirmDialogRequest request{kDeleteDialogTitle, kDeleteDialogText, chosen->fullPath};
    if (!FileDialogs().RunConfirmDialog(request)) return;
    // Only a file is deleted, never a folder; a failure gives no message.
    (void)::unlink(chosen->fullPath.c_str());
}

void CmdEditAutosaveFitsText() {
    if (LoadSettings() != 0) ShowMessage(MessageCode::SettingsLoadFailed);
    Session().eightBitFits = false;
    if (!RunFitsDetails()) return;
    if (SaveSettings() != 0) {
        ShowMessageWithReason(MessageCode::SettingsSaveFailed, WriteFailureReason());
    }
}

void CmdSelectDarkFrame() {
    ChooseReference(&SessionState::darkFrameFileName, kDarkFrameChooserTitle);
}

void CmdSelectFlatField() {
    ChooseReference(&SessionState::flatFieldFileName, kFlatFieldChooserTitle);
}

void CmdShowFitsDetails() {
    RunFitsDetails();
}

}  // namespace vexa
