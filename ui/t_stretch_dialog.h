// The "Normal Stretch" dialog: the display histogram with its axes and the two level markers
// drawn over it, a white and a black bar that follow StretchDialogModel's rules, and two edits
// that show the levels. exec() returns Accepted on OK.
#pragma once

#include <QDialog>

#include "processing/stretch_dialog_models.h"

class QLineEdit;
class QScrollBar;

namespace vexa {

// The histogram, axes, ticks and markers, drawn in the model's dialog coordinates.
class StretchHistogramView : public QWidget {
    Q_OBJECT
  public:
    StretchHistogramView(const StretchDialogModel& model, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const StretchDialogModel& model_;
};

class TStretchDialog : public QDialog {
    Q_OBJECT
  public:
    TStretchDialog(StretchDialogModel& model, QWidget* parent = nullptr);

    QScrollBar* WhiteBar() const { return whiteBar_; }
    QScrollBar* BlackBar() const { return blackBar_; }
    QLineEdit* WhiteEdit() const { return whiteEdit_; }
    QLineEdit* BlackEdit() const { return blackEdit_; }
    StretchHistogramView* HistogramView() const { return view_; }

  private:
    void OnBarAction(QScrollBar* bar, int action);
    void ShowModel();

    StretchDialogModel& model_;
    StretchHistogramView* view_ = nullptr;
    QScrollBar* whiteBar_ = nullptr;
    QScrollBar* blackBar_ = nullptr;
    QLineEdit* whiteEdit_ = nullptr;
    QLineEdit* blackEdit_ = nullptr;
};

}  // namespace vexa
