// The "Set Program Defaults" dialog: renders SettingsDialogModel and drives it. Every click
// writes its session setting at once and all controls are redisplayed from the model; exec()
// returns Accepted on "Save Changes" (refused with a message, the dialog left open, while the
// INDI type is chosen and its server edits cannot be taken).
#pragma once

#include <QDialog>
#include <array>

#include "app/settings_dialog_model.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace vexa {

class TINIDialog : public QDialog {
    Q_OBJECT
  public:
    TINIDialog(SettingsDialogModel& model, QWidget* parent = nullptr);

  private:
    void Redisplay();
    void ShowSlewValues();
    void ShowIndiServer();
    void SaveChanges();
    // Check the button whose id is value; none when no button has it.
    static void CheckById(QButtonGroup* group, int value);

    SettingsDialogModel& model_;
    QButtonGroup* maskRadius_ = nullptr;
    QButtonGroup* delayAdjustment_ = nullptr;
    QButtonGroup* commPort_ = nullptr;
    QButtonGroup* trainingTime_ = nullptr;
    QButtonGroup* background_ = nullptr;
    QButtonGroup* telescope_ = nullptr;
    QCheckBox* focusDelay_ = nullptr;
    QCheckBox* ignoreDrift_ = nullptr;
    QCheckBox* disableInterrupts_ = nullptr;
    QCheckBox* swapNorthSouth_ = nullptr;
    QCheckBox* swapEastWest_ = nullptr;
    QCheckBox* unsignedFits_ = nullptr;
    QCheckBox* interfaceDetails_ = nullptr;
    std::array<QLineEdit*, kSlewEditCount> slewEdits_{};
    QWidget* indiServer_ = nullptr;
    QLineEdit* indiHost_ = nullptr;
    QLineEdit* indiPort_ = nullptr;
    QLineEdit* indiDevice_ = nullptr;
};

}  // namespace vexa
