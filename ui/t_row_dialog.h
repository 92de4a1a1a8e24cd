// The modeless "INTENSITY PROFILE OF ONE ROW" dialog: the selected row's number and the
// profile of RowDialogModel, redrawn at every paint and after every row click.
#pragma once

#include <QDialog>
#include <QWidget>

#include "processing/analysis_displays.h"

class QLineEdit;
class QPushButton;

namespace vexa {

class RowCanvas : public QWidget {
    Q_OBJECT
  public:
    RowCanvas(RowDialogModel& model, QWidget* parent);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    RowDialogModel& model_;
};

class TRowDialog : public QDialog {
    Q_OBJECT
  public:
    TRowDialog(RowDialogModel& model, QWidget* parent = nullptr);

    // Show the selected row again and repaint its profile (after a row click).
    void Redraw();

    QLineEdit* RowEdit() const { return rowEdit_; }
    RowCanvas* Canvas() const { return canvas_; }
    QPushButton* FinishedButton() const { return finished_; }
    QPushButton* HelpButton() const { return help_; }

  public slots:
    // The close box and Escape act as "Finished".
    void reject() override;

  private:
    RowDialogModel& model_;
    QLineEdit* rowEdit_ = nullptr;
    RowCanvas* canvas_ = nullptr;
    QPushButton* finished_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace vexa
