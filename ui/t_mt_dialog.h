// "Vexa_Q4_USB Move Telescope": the LX200 dialog. Renders MoveTelescopeDialogModel and drives
// it: catalogue, planet and co-ordinate GoTo, the slew rates, the arrows (press starts a move,
// release stops it), the focuser, help and the scope's information. Modal, ended by "Finished".
#pragma once

#include <QDialog>
#include <array>

#include "telescope/telescope_dialog_models.h"

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace vexa {

class TMTDialog : public QDialog {
    Q_OBJECT
  public:
    TMTDialog(MoveTelescopeDialogModel& model, QWidget* parent = nullptr);

    QLineEdit* MessierEdit() const { return messier_; }
    QLineEdit* CngcEdit() const { return cngc_; }
    std::array<QLineEdit*, 4> CoordinateEdits() const {
        return {raHours_, raMinutes_, decDegrees_, decMinutes_};
    }
    QPushButton* GotoObjectButton() const { return gotoObject_; }
    QPushButton* GotoCoordinatesButton() const { return gotoCoordinates_; }
    QPushButton* PlanetButton(Planet planet) const { return planets_[static_cast<int>(planet)]; }
    QButtonGroup* SlewRates() const { return slewRates_; }
    QButtonGroup* FocusSpeeds() const { return focusSpeeds_; }
    QScrollBar* EastWestBar() const { return eastWest_; }
    QScrollBar* NorthSouthBar() const { return northSouth_; }
    QScrollBar* FocusBar() const { return focus_; }
    QLineEdit* InfoEdit() const { return info_; }

  private:
    // The edits into the model, before a GoTo reads them.
    void TakeEdits();
    // The radio buttons from the stored commands, the information text and the title.
    void Redisplay();

    MoveTelescopeDialogModel& model_;
    QLineEdit* messier_ = nullptr;
    QLineEdit* cngc_ = nullptr;
    QLineEdit* raHours_ = nullptr;
    QLineEdit* raMinutes_ = nullptr;
    QLineEdit* decDegrees_ = nullptr;
    QLineEdit* decMinutes_ = nullptr;
    QPushButton* gotoObject_ = nullptr;
    QPushButton* gotoCoordinates_ = nullptr;
    std::array<QPushButton*, kPlanetCount> planets_{};
    QButtonGroup* slewRates_ = nullptr;
    QButtonGroup* focusSpeeds_ = nullptr;
    QScrollBar* eastWest_ = nullptr;
    QScrollBar* northSouth_ = nullptr;
    QScrollBar* focus_ = nullptr;
    QLineEdit* info_ = nullptr;
};

}  // namespace vexa
