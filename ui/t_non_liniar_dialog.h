// The "Non-Linear Stretch" dialog: a bar whose arrows move the power from 2 to 50, an edit that
// shows it, and a note on its use. exec() returns Accepted on OK.
#pragma once

#include <QDialog>

#include "processing/stretch_dialog_models.h"

class QLineEdit;
class QScrollBar;

namespace vexa {

class TNonLiniarDialog : public QDialog {
    Q_OBJECT
  public:
    TNonLiniarDialog(NonLinearDialogModel& model, QWidget* parent = nullptr);

    QScrollBar* PowerBar() const { return bar_; }
    QLineEdit* PowerEdit() const { return edit_; }

  private:
    void ShowModel();

    NonLinearDialogModel& model_;
    QScrollBar* bar_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

}  // namespace vexa
