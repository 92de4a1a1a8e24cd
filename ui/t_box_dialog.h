// "Move Telescope": the control box's dialog. Two arrow bars labelled "Up", "Down", "Left" and
// "Right": pressing an arrow starts a move, releasing it stops it. Modal, ended by "Finished".
#pragma once

#include <QDialog>

#include "telescope/telescope_dialog_models.h"

class QScrollBar;

namespace vexa {

class TBoxDialog : public QDialog {
    Q_OBJECT
  public:
    TBoxDialog(ControlBoxDialogModel& model, QWidget* parent = nullptr);

    QScrollBar* EastWestBar() const { return eastWest_; }
    QScrollBar* NorthSouthBar() const { return northSouth_; }

  private:
    void Redisplay();

    ControlBoxDialogModel& model_;
    QScrollBar* eastWest_ = nullptr;
    QScrollBar* northSouth_ = nullptr;
};

}  // namespace vexa
