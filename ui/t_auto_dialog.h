// The "Auto-Processing Choices" dialog: the stretch choice, the background, high-pass and
// unsharp switches, and three number edits that Save checks (a refused number beeps and
// reverts). exec() returns Accepted when Save took all three numbers.
#pragma once

#include <QDialog>

#include "processing/auto_processing.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vexa {

class TAutoDialog : public QDialog {
    Q_OBJECT
  public:
    TAutoDialog(AutoDialogModel& model, QWidget* parent = nullptr);

    QButtonGroup* StretchGroup() const { return stretch_; }
    QCheckBox* RemoveBackgroundBox() const { return removeBackground_; }
    QCheckBox* HighPassBox() const { return highPass_; }
    QCheckBox* UnsharpBox() const { return unsharp_; }
    QLineEdit* UserLevelEdit() const { return userLevel_; }
    QLineEdit* DiameterEdit() const { return diameter_; }
    QLineEdit* PowerEdit() const { return power_; }
    QPushButton* SaveButton() const { return save_; }

  private:
    void OnSave();
    void ShowChoices();
    void ShowNumbers();

    AutoDialogModel& model_;
    QButtonGroup* stretch_ = nullptr;
    QCheckBox* removeBackground_ = nullptr;
    QCheckBox* highPass_ = nullptr;
    QCheckBox* unsharp_ = nullptr;
    QLineEdit* userLevel_ = nullptr;
    QLineEdit* diameter_ = nullptr;
    QLineEdit* power_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace vexa
