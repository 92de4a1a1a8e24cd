// The modeless "Histogram of Current Image" dialog: draws HistogramDialogModel's picture of
// the display histogram at each paint, with "Close" and "Help". Also the two pens that the
// analysis dialogs draw with.
#pragma once

#include <QColor>
#include <QDialog>
#include <QWidget>

#include "processing/analysis_displays.h"

class QPainter;
class QPushButton;

namespace vexa {

// First pen black; second pen red (cut histogram bars, falling plot segments).
inline QColor PlotPenColour(PlotPen pen) {
    return pen == PlotPen::First ? QColor(0, 0, 0) : QColor(255, 0, 0);
}
// Draw segments with one-pixel pens of their colours; lines of no length draw nothing.
void DrawPlotSegments(QPainter& painter, const std::vector<PlotSegment>& segments);

// The drawing area: the dialog's picture in its own pixel coordinates.
class HistogramCanvas : public QWidget {
    Q_OBJECT
  public:
    HistogramCanvas(HistogramDialogModel& model, QWidget* parent);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    HistogramDialogModel& model_;
};

class THistDialog : public QDialog {
    Q_OBJECT
  public:
    THistDialog(HistogramDialogModel& model, QWidget* parent = nullptr);

    HistogramCanvas* Canvas() const { return canvas_; }
    QPushButton* CloseButton() const { return close_; }
    QPushButton* HelpButton() const { return help_; }

  public slots:
    // The close box and Escape act as "Close".
    void reject() override;

  private:
    HistogramDialogModel& model_;
    HistogramCanvas* canvas_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace vexa
