// The "FITS DETAILS" dialog: an edit for each FITS text and number (cut to its limit as it is
// typed; the multi-line ones show the room left), the time-difference scroll bar with its value,
// the two format check boxes that act on the session at once, Continue and Abort. exec() returns
// Accepted on Continue.
#pragma once

#include <QDialog>
#include <map>

#include "files/fits_details_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

namespace vexa {

class TFITSDialog : public QDialog {
    Q_OBJECT
  public:
    TFITSDialog(FitsDetailsDialogModel& model, QWidget* parent = nullptr);

    // The one-line edit or the multi-line edit of a control id, nullptr for other ids.
    QLineEdit* LineEdit(int id) const;
    QPlainTextEdit* TextEdit(int id) const;
    // The "n of 254 characters" line under a multi-line edit.
    QLabel* TextCounter(int id) const;
    QScrollBar* UtBar() const { return utBar_; }          // control 111
    QLineEdit* UtEdit() const { return utEdit_; }         // control 112
    QCheckBox* EightBitBox() const { return eightBit_; }  // control 108
    QCheckBox* UnsignedBox() const { return unsigned_; }  // control 117
    QPushButton* ContinueButton() const { return continue_; }
    QPushButton* AbortButton() const { return abort_; }

    // Show the scroll bar, its value and both check boxes afresh from the model.
    void ShowModel();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void AddLineEdit(const FitsEditControl& control);
    void AddTextEdit(const FitsEditControl& control);
    void OnBarAction(int sliderAction);

    FitsDetailsDialogModel& model_;
    std::map<int, QLineEdit*> lineEdits_;
    std::map<int, QPlainTextEdit*> textEdits_;
    std::map<int, QLabel*> textCounters_;
    QScrollBar* utBar_ = nullptr;
    QLineEdit* utEdit_ = nullptr;
    QCheckBox* eightBit_ = nullptr;
    QCheckBox* unsigned_ = nullptr;
    QPushButton* continue_ = nullptr;
    QPushButton* abort_ = nullptr;
};

// Run the dialog modally over parent; true on Continue. The edits are left in the model,
// which the caller applies.
bool RunFitsDialog(FitsDetailsDialogModel& model, QWidget* parent);

}  // namespace vexa
