// The modeless "PHOTOMETRY" dialog: renders PhotometryDialogModel (targets, mask sizes, the
// measured values, the magnitude difference and the cursor readout) and drives it.
#pragma once

#include <QDialog>
#include <QHash>

#include "processing/photometry.h"

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vexa {

class TPHDialog : public QDialog {
    Q_OBJECT
  public:
    TPHDialog(PhotometryDialogModel& model, QWidget* parent = nullptr);

    // Rewrite every value and check the target and mask buttons from the model; called
    // after each measuring click and mouse move.
    void ShowModel();

    // The controls by resource id, for the window's services and tests.
    QLineEdit* Edit(int id) const { return edits_.value(id, nullptr); }
    QRadioButton* Radio(int id) const { return radios_.value(id, nullptr); }
    QPushButton* FinishedButton() const { return finished_; }
    QPushButton* HelpButton() const { return help_; }

  public slots:
    // The close box and Escape leave photometry as "Finished" does.
    void reject() override;

  private:
    QLineEdit* AddEdit(int id, int width);
    QRadioButton* AddRadio(QButtonGroup* group, int id, const char* text);
    void OnChosen(int id);

    PhotometryDialogModel& model_;
    QHash<int, QLineEdit*> edits_;
    QHash<int, QRadioButton*> radios_;
    QButtonGroup* targets_ = nullptr;
    QButtonGroup* masks_ = nullptr;
    QPushButton* finished_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace vexa
