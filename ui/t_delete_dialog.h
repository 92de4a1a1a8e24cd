// The "DELETE FILE DIALOG": asks "Delete this file?" over a read-only edit showing the file's
// full path, with OK and Cancel. exec() returns Accepted on OK.
#pragma once

#include <QDialog>

#include "files/file_dialog_request.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vexa {

class TDeleteDialog : public QDialog {
    Q_OBJECT
  public:
    TDeleteDialog(const ConfirmDialogRequest& request, QWidget* parent = nullptr);

    QLabel* Question() const { return question_; }
    QLineEdit* PathEdit() const { return pathEdit_; }  // control 101
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    QLabel* question_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// Run the dialog modally over parent; true on OK. An empty title or text in the request gives
// the delete dialog's own.
bool RunDeleteDialog(const ConfirmDialogRequest& request, QWidget* parent);

}  // namespace vexa
