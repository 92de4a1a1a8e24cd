// The "Power Law Stretch" dialog: a bar labelled "Power" with its range, whose arrows move the
// exponent by tenths, and an edit that shows it. exec() returns Accepted on OK.
#pragma once

#include <QDialog>

#include "processing/stretch_dialog_models.h"

class QLineEdit;
class QScrollBar;

namespace vexa {

class TPowerDialog : public QDialog {
    Q_OBJECT
  public:
    TPowerDialog(PowerDialogModel& model, QWidget* parent = nullptr);

    QScrollBar* PowerBar() const { return bar_; }
    QLineEdit* PowerEdit() const { return edit_; }

  private:
    void ShowModel();

    PowerDialogModel& model_;
    QScrollBar* bar_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

}  // namespace vexa
