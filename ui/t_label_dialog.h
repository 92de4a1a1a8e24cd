// The "Label Current Image" dialog: the label text under "Enter the Label text" (at most 30
// characters) and the "Auto Date" check box, which acts on the session at each click.
#pragma once

#include <QDialog>

#include "app/label.h"

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;

namespace vexa {

class TLabelDialog : public QDialog {
    Q_OBJECT
  public:
    TLabelDialog(LabelDialogModel& model, QWidget* parent = nullptr);

    QLineEdit* TextEdit() const { return edit_; }
    QCheckBox* AutoDateBox() const { return autoDate_; }
    QDialogButtonBox* Buttons() const { return buttons_; }

  private:
    LabelDialogModel& model_;
    QLineEdit* edit_ = nullptr;
    QCheckBox* autoDate_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

// Run the dialog modally; on OK the edit box's text is in the model. True on OK.
bool RunLabelDialog(LabelDialogModel& model, QWidget* parent);

}  // namespace vexa
