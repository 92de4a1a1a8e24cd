// The modeless "Guiding Info" window of autoguiding: the guide star's place in the guide
// window (x, y) and its error (dx, dy) after each guide frame, and the RMS of the errors over
// the frames of this guiding run.
#pragma once

#include <QDialog>

#include "telescope/telescope_dialog_services.h"

class QLabel;
class QLineEdit;

namespace vexa {

class TGuideDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TGuideDialog(QWidget* parent = nullptr);

    void ShowInfo(const GuidingInfo& info);

    // The fields, for the window's tests.
    QLineEdit* XEdit() const { return x_; }
    QLineEdit* YEdit() const { return y_; }
    QLineEdit* DxEdit() const { return dx_; }
    QLineEdit* DyEdit() const { return dy_; }
    QLineEdit* RmsXEdit() const { return rmsX_; }
    QLineEdit* RmsYEdit() const { return rmsY_; }
    QLineEdit* RmsTotalEdit() const { return rmsTotal_; }
    QLabel* FramesLabel() const { return frames_; }

  private:
    QLineEdit* x_ = nullptr;
    QLineEdit* y_ = nullptr;
    QLineEdit* dx_ = nullptr;
    QLineEdit* dy_ = nullptr;
    QLineEdit* rmsX_ = nullptr;
    QLineEdit* rmsY_ = nullptr;
    QLineEdit* rmsTotal_ = nullptr;
    QLabel* frames_ = nullptr;
};

}  // namespace vexa
