// What the file commands ask of the open-file, save-file and confirmation dialogs. The front
// ends render these; the core builds them and reads back only the chosen path or the answer.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexa {

// One open-file or save-file dialog.
struct FileDialogRequest {
    std::string title;  // the dialog's caption; empty: the dialog's own ("Open", "Save As")
    // The program's filter text: pairs of "Name|pattern|", kept literally ("~*.*" lists names
    // that begin with a tilde; the tilde is never replaced).
    std::string filter;
    int filterIndex = 1;              // the filter offered first, counted from 1
    std::string folder;               // the starting folder (a host path); empty: current directory
    std::string offeredName;          // the text in the name box ("*.TIF"), empty for none
    std::string defaultExtension;     // added by a save dialog to a typed name without one
    bool mustExist = false;           // open: only an existing file may be chosen
    bool askBeforeOverwrite = false;  // save: confirm before choosing an existing file
    bool hideReadOnly = true;         // the read-only box is never shown
};

// A modal question with OK and Cancel, showing a read-only text (the file path) in an edit.
struct ConfirmDialogRequest {
    std::string title;
    std::string text;
    std::string editText;
};

// The filter text split into (name, pattern) pairs; a trailing name without a pattern is
// dropped.
inline std::vector<std::pair<std::string, std::string>> ParseFileFilter(std::string_view filter) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (from < filter.size()) {
        const size_t bar = filter.find('|', from);
        const size_t end = bar == std::string_view::npos ? filter.size() : bar;
        parts.emplace_back(filter.substr(from, end - from));
        from = end + 1;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

// The filters and texts of the file commands.
constexpr const char* kOpenFilter = "Corvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|";
constexpr const char* kSaveTqFilter = "Corvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|";
constexpr const char* kChooseFilter = kSaveTqFilter;
constexpr const char* kSaveTiffFilter = "Tiff file (*.TIF)|*.TIF|All Files(*.*)|*.*|";
constexpr const char* kSaveFitsFilter = "FITS file (*.FIT)|*.FIT|All Files(*.*)|*.*|";
constexpr const char* kTiffExtension = "TIF";
constexpr const char* kFitsExtension = "FIT";
constexpr const char* kTiffOfferedName = "*.TIF";
constexpr const char* kFitsOfferedName = "*.FIT";
constexpr const char* kDeleteDialogTitle = "DELETE FILE DIALOG";
// The choose dialog's caption names the command it chooses for.
constexpr const char* kDeleteChooserTitle = "Delete File";
constexpr const char* kDarkFrameChooserTitle = "Select Dark Frame";
constexpr const char* kFlatFieldChooserTitle = "Select Flatfield File";
constexpr const char* kSubtractDarkChooserTitle = "Subtract Image (Dark Frame)";
constexpr const char* kApplyFlatChooserTitle = "Apply Flat Field";
constexpr const char* kDeleteDialogText = "Delete this file?";

// fileDialogFilterIndex values.
constexpr int kTqFilterIndex = 1;
constexpr int kFitsFilterIndex = 2;
constexpr int kAllFilesFilterIndex = 3;

}  // namespace vexa
