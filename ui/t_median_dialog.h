// The "Median Filter" dialog: bars for the radius (1 to 3) and the power in tenths (0.1 to
// 1.0), read-only edits that show them, OK, Cancel and Help. exec() returns Accepted on OK.
#pragma once

#include <QDialog>

#include "processing/filter_dialog_models.h"

class QLineEdit;
class QScrollBar;

namespace vexa {

class TMedianDialog : public QDialog {
    Q_OBJECT
  public:
    TMedianDialog(MedianDialogModel& model, QWidget* parent = nullptr);

    QLineEdit* RadiusEdit() const { return radiusEdit_; }  // control 101
    QLineEdit* PowerEdit() const { return powerEdit_; }    // control 102
    QScrollBar* RadiusBar() const { return radiusBar_; }   // control 103
    QScrollBar* PowerBar() const { return powerBar_; }     // control 104

  private:
    MedianDialogModel& model_;
    QLineEdit* radiusEdit_ = nullptr;
    QLineEdit* powerEdit_ = nullptr;
    QScrollBar* radiusBar_ = nullptr;
    QScrollBar* powerBar_ = nullptr;
};

}  // namespace vexa
