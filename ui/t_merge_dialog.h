// The modeless "MERGE IMAGES" dialog: the phase (first or second image) in two display-only
// radio buttons, the two marks in read-only edits, "Average" and "Superimpose", and the
// buttons Merge, Cancel and Help. It shows the session through its model; ShowModel() redraws
// it after a click or an opened image. The close box and Escape count as Cancel.
#pragma once

#include <QDialog>

#include "processing/merge.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vexa {

class TMergeDialog : public QDialog {
    Q_OBJECT
  public:
    TMergeDialog(MergeDialogModel& model, QWidget* parent = nullptr);

    void ShowModel();
    void reject() override;

    QRadioButton* OriginalRadio() const { return original_; }   // control 101
    QRadioButton* SecondRadio() const { return second_; }       // control 102
    QLineEdit* X1Edit() const { return x1_; }                   // control 104
    QLineEdit* Y1Edit() const { return y1_; }                   // control 106
    QLineEdit* X2Edit() const { return x2_; }                   // control 105
    QLineEdit* Y2Edit() const { return y2_; }                   // control 107
    QCheckBox* AverageBox() const { return average_; }          // control 103
    QCheckBox* SuperimposeBox() const { return superimpose_; }  // control 17127
    QPushButton* MergeButton() const { return merge_; }         // control 1
    QPushButton* CancelButton() const { return cancel_; }       // control 2
    QPushButton* HelpButton() const { return help_; }           // control 9

  private:
    MergeDialogModel& model_;
    QRadioButton* original_ = nullptr;
    QRadioButton* second_ = nullptr;
    QLineEdit* x1_ = nullptr;
    QLineEdit* y1_ = nullptr;
    QLineEdit* x2_ = nullptr;
    QLineEdit* y2_ = nullptr;
    QCheckBox* average_ = nullptr;
    QCheckBox* superimpose_ = nullptr;
    QPushButton* merge_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace vexa
