// The camera control dialog "TQ Control Interface": exposure unit, value, number and pause
// with their scroll arrows, the "Stretch" bar, the capture options with the reference file
// names, the last autosave number, and focus mode with its "Max Value", half-flux diameter and
// "Focus Window". exec() returns Accepted for "Take Photo".
#pragma once

#include <QDialog>
#include <map>

#include "camera/camera_dialog_model.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace vexa {

class TCVDialog : public QDialog {
    Q_OBJECT
  public:
    TCVDialog(CameraDialogModel& model, QWidget* parent = nullptr);
    ~TCVDialog() override;

    QButtonGroup* UnitGroup() const { return units_; }
    QScrollBar* ExposureArrows() const { return exposureArrows_; }
    QScrollBar* CountArrows() const { return countArrows_; }
    QScrollBar* PauseArrows() const { return pauseArrows_; }
    QScrollBar* StretchBar() const { return stretchBar_; }
    QLineEdit* ExposureEdit() const { return exposureEdit_; }
    QLineEdit* CountEdit() const { return countEdit_; }
    QLineEdit* PauseEdit() const { return pauseEdit_; }
    QLineEdit* StretchEdit() const { return stretchEdit_; }
    QLineEdit* MaxValueEdit() const { return maxValueEdit_; }
    QLineEdit* HalfFluxEdit() const { return halfFluxEdit_; }
    QLineEdit* LastFileEdit() const { return lastFileEdit_; }
    QLineEdit* DarkNameEdit() const { return darkName_; }
    QLineEdit* FlatNameEdit() const { return flatName_; }
    QLabel* FocusWindow() const { return focusWindow_; }
    QCheckBox* OptionBox(CameraOption option) const { return options_.at(option); }
    QPushButton* TakePhotoButton() const { return takePhoto_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* StopButton() const { return stop_; }

    // Every control shown again from the session.
    void ShowModel();

  protected:
    void reject() override;

  private:
    void OnStretchAction(int action);
    void ShowFocusFrame();

    CameraDialogModel& model_;
    QButtonGroup* units_ = nullptr;
    QScrollBar* exposureArrows_ = nullptr;
    QScrollBar* countArrows_ = nullptr;
    QScrollBar* pauseArrows_ = nullptr;
    QScrollBar* stretchBar_ = nullptr;
    QLineEdit* exposureEdit_ = nullptr;
    QLineEdit* countEdit_ = nullptr;
    QLineEdit* pauseEdit_ = nullptr;
    QLineEdit* stretchEdit_ = nullptr;
    QLineEdit* maxValueEdit_ = nullptr;
    QLineEdit* halfFluxEdit_ = nullptr;
    QLineEdit* lastFileEdit_ = nullptr;
    QLineEdit* darkName_ = nullptr;
    QLineEdit* flatName_ = nullptr;
    QLabel* focusWindow_ = nullptr;
    std::map<CameraOption, QCheckBox*> options_;
    QPushButton* takePhoto_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
};

}  // namespace vexa
