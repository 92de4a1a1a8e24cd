// The image view, the program's main window client: reads the settings when it is built,
// paints the display bitmap as the paint layout decides, scrolls, and passes mouse clicks and
// moves on to the click dispatch.
#pragma once

#include <QAbstractScrollArea>
#include <QBrush>
#include <QImage>
#include <QPixmap>
#include <QRect>

namespace vexa {

class QtUiServices;
struct FrontEndDevices;

class TVEXA_Q4Window : public QAbstractScrollArea {
    Q_OBJECT
  public:
    // Reads the settings file, makes the background brush, sets the initial scroll ranges
    // and the "(Untitled)" title. The view registers itself with services.
    TVEXA_Q4Window(QtUiServices& services, const FrontEndDevices& devices, QWidget* parent);
    ~TVEXA_Q4Window() override;

    // Set-up once the window exists: the accelerators, the start-up ramp in the planes and
    // a cleared display histogram.
    void SetupWindow();

    // Read the display bitmap file; on failure the previous bitmap stays and false returns.
    bool LoadDisplayBitmap(const QString& hostPath);
    // Scroll ranges from the display bitmap and the client size, scrolled to (0, 0).
    void UpdateScrollBars();
    void Repaint(bool erase);
    void SetViewCursor(Qt::CursorShape shape);

    // The part of the screen where the image shows now, in global coordinates (the whole
    // client area before the first refresh).
    QRect ShownImageArea() const;

    // The bitmap as read, with its colour table (empty before the first refresh).
    const QImage& DisplayImage() const { return displayImage_; }
    QColor BackgroundColour() const { return backgroundBrush_.color(); }

    static constexpr int kInitialScrollRange = 400;
    static constexpr int kGuideCrossArm = 20;  // half length of the guide-star cross

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void EraseBackground(QPainter& painter);
    void DrawBitmap(QPainter& painter, const QRect& source, const QRect& target);
    void DrawGuideStarCross(QPainter& painter);
    bool Minimized() const;

    QtUiServices& services_;
    const FrontEndDevices& devices_;
    QImage displayImage_;  // Indexed8 with the colour table the refresh wrote
    QPixmap displayPixmap_;
    // The last stretched copy for fit-to-window, reused while nothing changes.
    QPixmap stretchedPixmap_;
    QRect stretchedSource_;
    QSize stretchedSize_;
    QBrush backgroundBrush_;
    bool erasePending_ = true;
    bool updatingScrollBars_ = false;
    bool scrollBarsStale_ = false;
};

}  // namespace vexa
