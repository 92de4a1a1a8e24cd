// The open-file and save-file dialogs of the file commands, rendered with Qt's own (non-native)
// file dialog so that they behave the same on every desktop: the caption, the program's filters
// with their patterns taken literally, the first filter offered, folder, offered name, default
// extension, must-exist and ask-before-overwrite; the detail list shows its columns whole.
#pragma once

#include <QFileDialog>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

#include "files/file_dialog_request.h"

namespace vexa {

// The program's filter text ("Name|pattern|Name|pattern|") as Qt name filters, one per pair,
// in order. Each keeps its name and its patterns as written ("~*.*" stays "~*.*": the tilde
// is a plain character); ";" between patterns becomes a blank, and a pattern ending in ".*"
// also lists names without an extension, as "*.*" lists every file.
QStringList QtNameFilters(std::string_view filter);

// The dialog of a request, set up but not shown. A name typed with "*" or "?" is not taken as
// a file: it lists the folder's files matching it instead.
class VexaFileDialog : public QFileDialog {
    Q_OBJECT
  public:
    enum class Kind { Open, Save };
    VexaFileDialog(const FileDialogRequest& request, Kind kind, QWidget* parent = nullptr);

    // The filter now selected, counted from 1 as in the request.
    int ChosenFilterIndex() const;
    // The chosen file's full path, empty before OK.
    QString ChosenPath() const;

  public slots:
    void accept() override;

  private:
    void ShowColumnsWhole();

    QStringList filters_;
    QStringList names_;  // the filters' own names, as the dialog shows them
};

// Run the dialog modally; the chosen file's full host path, or nothing on Cancel. When
// chosenFilterIndex is given it receives the filter selected at OK (from 1).
std::optional<std::string> RunOpenFileDialog(const FileDialogRequest& request, QWidget* parent,
                                             int* chosenFilterIndex = nullptr);
std::optional<std::string> RunSaveFileDialog(const FileDialogRequest& request, QWidget* parent,
                                             int* chosenFilterIndex = nullptr);

}  // namespace vexa
