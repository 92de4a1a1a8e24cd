// The "&File" menu's commands around the image files: the open and save dialogs with their
// remembered folder, name and filter, the FITS details commands, quick save, stepping
// through autosaved files, deleting a file and choosing the dark and flat references.
//
// Folders: a dialog answers with a full host path. Its folder becomes fileDialogFolder
// (the original program's current directory) and the bare name is passed on to the loader
// or writer, which finds it in that folder (see ResolveUserPath).
#pragma once

#include <optional>
#include <string>

namespace vexa {

// Command ids: 24332 Open, 24333 Save, 24334 Save as Tiff, 24335 Save as FITS, 24336 Quick
// Save, 24337 Load next Autosaved, 13 Delete File, 19 Load/Edit AutoSave FITS text,
// 104 Select Dark Frame, 122 Select Flatfield File, 20 Show/Edit FITS details.
void CmdSave();
void CmdSaveTiff();
void CmdSaveFits();
void CmdQuickSave();
void CmdLoadNextAutosaved();
void CmdDeleteFile();
void CmdEditAutosaveFitsText();
void CmdSelectDarkFrame();
void CmdSelectFlatField();
void CmdShowFitsDetails();

// The two halves of "&Open...": the open dialog, which records the chosen folder, name and
// filter and answers with the bare name (nothing on Cancel); and the load of that name with
// the title set from it. The command itself (app/) puts a merge's first image aside between.
std::optional<std::string> RunOpenDialog();
void OpenChosenImage(const std::string& bareName);

// A file picked with the choose dialog.
struct ChosenFile {
    std::string fullPath;  // host path
    std::string folder;    // its folder
    std::string bareName;  // its name without the folder
};

// The choose dialog shared by Delete File, the reference choosers and the Merging menu's
// dark-frame and flat-field commands, titled for the command: the open-file dialog with the
// TQ save filter, an existing file required, starting in fileDialogFolder with
// fileDialogFilterIndex. After OK fileDialogFilterIndex becomes 1 for a name containing "~",
// else 3; fileDialogFolder is not changed here. Nothing on Cancel.
// The Merging commands load chosen->fullPath with LoadTqReference and, when that succeeds
// and the reference is applied, call RememberChosenFolder.
std::optional<ChosenFile> RunChooseDialog(const std::string& title);
void RememberChosenFolder(const ChosenFile& chosen);

// The date "DD/MM/YY" of the computer's local calendar now.
std::string LocalDateStamp();

}  // namespace vexa
