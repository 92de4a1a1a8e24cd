#include "ui/file_dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>

namespace vexa {

namespace {

constexpr const char* kAnyExtension = ".*";
// Room for a long file name, its size, type and date on one line.
constexpr int kFileDialogWidth = 900;
constexpr int kFileDialogHeight = 540;

bool HasWildcard(const QString& name) {
    return name.contains(u'*') || name.contains(u'?');
}

std::optional<std::string> RunDialog(const FileDialogRequest& request, VexaFileDialog::Kind kind,
                                     QWidget* parent, int* chosenFilterIndex) {
    VexaFileDialog dialog(request, kind, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QString path = dialog.ChosenPath();
    if (path.isEmpty()) return std::nullopt;
    if (chosenFilterIndex) *chosenFilterIndex = dialog.ChosenFilterIndex();
    return path.toStdString();
}

}  // namespace

QStringList QtNameFilters(std::string_view filter) {
    QStringList filters;
    for (const auto& [name, patternText] : ParseFileFilter(filter)) {
        QStringList patterns;
        for (QString pattern :
             QString::fromStdString(patternText).split(u';', Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            if (pattern.isEmpty()) continue;
            patterns << pattern;
            // "~*.*" lists "~M42" as well as "~M42.raw"; Qt's wildcard needs the dot.
            if (pattern.endsWith(kAnyExtension) && pattern.size() > 2) {
                const QString bare = pattern.chopped(2);
                if (!patterns.contains(bare)) patterns << bare;
            }
        }
        if (patterns.isEmpty()) continue;
        // Qt reads the patterns from the last parenthesised group, so a name that holds
        // parentheses of its own ("Corvane (~*.)") keeps them.
        filters << QString::fromStdString(name) + " (" + patterns.join(u' ') + ")";
    }
    return filters;
}

VexaFileDialog::VexaFileDialog(const FileDialogRequest& request, Kind kind, QWidget* parent)
    : QFileDialog(parent), filters_(QtNameFilters(request.filter)) {
    for (const auto& pair : ParseFileFilter(request.filter)) {
        names_ << QString::fromStdString(pair.first).trimmed();
    }
    setOption(QFileDialog::DontUseNativeDialog, true);
    // The user sees the filter names as the program gives them, not Qt's pattern lists.
    setOption(QFileDialog::HideNameFilterDetails, true);
    setAcceptMode(kind == Kind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    setFileMode(kind == Kind::Open && request.mustExist ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    setOption(QFileDialog::DontConfirmOverwrite, !request.askBeforeOverwrite);
    // Qt's dialog has no read-only box, so hideReadOnly needs nothing.

    QString folder = QString::fromStdString(request.folder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::currentPath();
    setDirectory(folder);

    if (!filters_.isEmpty()) {
        setNameFilters(filters_);
        const int index = request.filterIndex;
        selectNameFilter(filters_.at(index >= 1 && index <= filters_.size() ? index - 1 : 0));
    }
    if (!request.defaultExtension.empty()) {
        setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    }
    if (!request.offeredName.empty()) selectFile(QString::fromStdString(request.offeredName));
    if (!request.title.empty()) setWindowTitle(QString::fromStdString(request.title));
    ShowColumnsWhole();
}

void VexaFileDialog::ShowColumnsWhole() {
    // The detail list with every column as wide as what it shows (name, size, type, date),
    // in a dialog wide enough for the usual names; the screen keeper shrinks it on a small
    // screen, where the list then scrolls sideways instead of cutting the texts.
    setViewMode(QFileDialog::Detail);
    if (auto* list = findChild<QTreeView*>("treeView")) {
        QHeaderView* header = list->header();
        header->setStretchLastSection(true);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
    }
    resize(kFileDialogWidth, kFileDialogHeight);
}

int VexaFileDialog::ChosenFilterIndex() const {
    // With the details hidden Qt may answer with the shown name rather than the whole filter.
    const QString selected = selectedNameFilter();
    qsizetype at = filters_.indexOf(selected);
    if (at < 0) at = names_.indexOf(selected.trimmed());
    return at < 0 ? 1 : static_cast<int>(at) + 1;
}

QString VexaFileDialog::ChosenPath() const {
    if (result() != QDialog::Accepted) return {};
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void VexaFileDialog::accept() {
    // A name with wildcards is a pattern to list by, never a file to open or create.
    const auto* nameEdit = findChild<QLineEdit*>("fileNameEdit");
    const QString typed = nameEdit ? nameEdit->text().trimmed() : QString();
    const QString typedName = typed.mid(typed.lastIndexOf(u'/') + 1);
    if (HasWildcard(typedName)) {
        if (auto* model = findChild<QFileSystemModel*>()) {
            model->setNameFilters(QStringList{typedName});
        }
        return;
    }
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && HasWildcard(QFileInfo(files.first()).fileName())) return;
    QFileDialog::accept();
}

std::optional<std::string> RunOpenFileDialog(const FileDialogRequest& request, QWidget* parent,
                                             int* chosenFilterIndex) {
    return RunDialog(request, VexaFileDialog::Kind::Open, parent, chosenFilterIndex);
}

std::optional<std::string> RunSaveFileDialog(const FileDialogRequest& request, QWidget* parent,
                                             int* chosenFilterIndex) {
    return RunDialog(request, VexaFileDialog::Kind::Save, parent, chosenFilterIndex);
}

}  // namespace vexa
