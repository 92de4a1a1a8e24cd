// The "Unsharp Mask Filter" dialog: bars for the radius and the power (1 to 7), read-only
// edits that show them, OK, Cancel and Help. exec() returns Accepted on OK.
#pragma once

#include <QDialog>

#include "processing/filter_dialog_models.h"

class QLineEdit;
class QScrollBar;

namespace vexa {

class TUnsharpDialog : public QDialog {
    Q_OBJECT
  public:
    TUnsharpDialog(UnsharpDialogModel& model, QWidget* parent = nullptr);

    QScrollBar* RadiusBar() const { return radiusBar_; }   // control 101
    QScrollBar* PowerBar() const { return powerBar_; }     // control 102
    QLineEdit* RadiusEdit() const { return radiusEdit_; }  // control 103
    QLineEdit* PowerEdit() const { return powerEdit_; }    // control 104

  private:
    UnsharpDialogModel& model_;
    QScrollBar* radiusBar_ = nullptr;
    QScrollBar* powerBar_ = nullptr;
    QLineEdit* radiusEdit_ = nullptr;
    QLineEdit* powerEdit_ = nullptr;
};

}  // namespace vexa
