// The modeless "3-D Intensity Plot" dialog: the stacked row profiles of Plot3DDialogModel,
// drawn once, line by line, into an off-screen image that later paints copy to the window.
#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>

#include "processing/analysis_displays.h"

class QPushButton;
class QTimer;

namespace vexa {

class Plot3DCanvas : public QWidget {
    Q_OBJECT
  public:
    Plot3DCanvas(Plot3DDialogModel& model, QWidget* parent);
    QSize sizeHint() const override;

    // The picture so far (null before the first paint), white where nothing is drawn.
    const QImage& Picture() const { return picture_; }
    bool Complete() const { return next_ >= kPlot3DLineCount; }
    // Draw every line still missing at once.
    void DrawRemainingLines();
    // The model has taken a new image: draw the plot again from its first line.
    void Rebuild();

  signals:
    void completed();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void StartPicture();
    void DrawNextLine();

    Plot3DDialogModel& model_;
    QImage picture_;
    QTimer* builder_ = nullptr;
    int next_ = 0;  // index of the next line to draw, back to front
};

class TPlot3DDialog : public QDialog {
    Q_OBJECT
  public:
    TPlot3DDialog(Plot3DDialogModel& model, QWidget* parent = nullptr);

    Plot3DCanvas* Canvas() const { return canvas_; }
    QPushButton* FinishedButton() const { return finished_; }
    QPushButton* HelpButton() const { return help_; }

  public slots:
    // The close box and Escape act as "Finished".
    void reject() override;

  private:
    Plot3DDialogModel& model_;
    Plot3DCanvas* canvas_ = nullptr;
    QPushButton* finished_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace vexa
