#include "ui/main_window.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

#include "app/click_dispatch.h"
#include "app/display_refresh.h"
#include "app/paint_layout.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "ui/command_menu.h"
#include "ui/qt_ui_services.h"

namespace vexa {

namespace {
QColor ColourOf(const RgbColour& c) {
    auto channel = [](int16_t v) { return std::clamp<int>(v, 0, 255); };
    return QColor(channel(c.red), channel(c.green), channel(c.blue));
}

QRect ToQRect(const ViewRect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

// The guide-star cross: a solid green pen one pixel wide.
const QColor kGuideCrossColour(0, 255, 0);
// The raster operation of a plain copy of the bitmap onto the view.
constexpr uint32_t kSourceCopy = 0xCC0020;
}  // namespace

TVEXA_Q4Window::TVEXA_Q4Window(QtUiServices& services, const FrontEndDevices& devices,
                               QWidget* parent)
    : QAbstractScrollArea(parent), services_(services), devices_(devices) {
    services_.AttachView(this);
    SessionState& s = Session();

    // A missing or unreadable settings file leaves the defaults in force; nothing is shown.
    LoadSettings();
    backgroundBrush_ = QBrush(ColourOf(s.backgroundColour));

    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, kInitialScrollRange);
    verticalScrollBar()->setRange(0, kInitialScrollRange);

    s.displayBitmapExists = false;
    s.rasterOperation = kSourceCopy;
    SetTitleFile(nullptr);

    // Every pixel is painted by the view itself: strips, bitmap or background.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
}

TVEXA_Q4Window::~TVEXA_Q4Window() {
    services_.DetachView(this);
}

void TVEXA_Q4Window::SetupWindow() {
    InstallAccelerators(window(), devices_);
    FillStartupRamp();
    Session().displayHistogram.fill(0);
    Session().displayHistogramWide.fill(0);
}

bool TVEXA_Q4Window::LoadDisplayBitmap(const QString& hostPath) {
    QImage image;
    if (!image.load(hostPath, "BMP") || image.isNull()) return false;
    displayImage_ = image;
    displayPixmap_ = QPixmap::fromImage(displayImage_);
    stretchedPixmap_ = QPixmap();
    return true;
}

void TVEXA_Q4Window::UpdateScrollBars() {
    // Showing or hiding a scroll bar resizes the client, which asks for new ranges: finish
    // this pass, then recompute once more with the final client size.
    if (updatingScrollBars_) {
        scrollBarsStale_ = true;
        return;
    }
    updatingScrollBars_ = true;
    constexpr int kMaxPasses = 4;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        scrollBarsStale_ = false;
        const QSize client = viewport()->size();
        const ScrollRanges ranges = ComputeScrollRanges(client.width(), client.height());
        horizontalScrollBar()->setRange(0, ranges.horizontal);
        verticalScrollBar()->setRange(0, ranges.vertical);
        horizontalScrollBar()->setPageStep(std::max(1, client.width()));
        verticalScrollBar()->setPageStep(std::max(1, client.height()));
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
        if (!scrollBarsStale_) break;
    }
    updatingScrollBars_ = false;
    Session().scrollX = 0;
    Session().scrollY = 0;
    viewport()->update();
}

QRect TVEXA_Q4Window::ShownImageArea() const {
    const QRect client = viewport()->rect();
    const PaintLayout layout = ComputePaintLayout(client.width(), client.height(), false);
    QRect area = client;
    if (layout.hasBitmap && !displayPixmap_.isNull()) area &= ToQRect(layout.target);
    return QRect(viewport()->mapToGlobal(area.topLeft()), area.size());
}

void TVEXA_Q4Window::Repaint(bool erase) {
    if (erase) erasePending_ = true;
    viewport()->update();
}

void TVEXA_Q4Window::SetViewCursor(Qt::CursorShape shape) {
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

bool TVEXA_Q4Window::Minimized() const {
    return window()->isMinimized();
}

void TVEXA_Q4Window::paintEvent(QPaintEvent* event) {
    SessionState& s = Session();
    if (s.pendingRefresh) {
        s.pendingRefresh = false;
        RefreshDisplay();
    }
    QPainter painter(viewport());
    if (erasePending_) {
        EraseBackground(painter);
        if (event->rect() != viewport()->rect()) viewport()->update();
    }

    const bool minimized = Minimized();
    if (!minimized) {
        s.scrollX = static_cast<int16_t>(horizontalScrollBar()->value());
        s.scrollY = static_cast<int16_t>(verticalScrollBar()->value());
    }
    const QSize client = viewport()->size();
    const PaintLayout layout = ComputePaintLayout(client.width(), client.height(), minimized);
    if (!layout.hasBitmap || displayPixmap_.isNull()) {
        painter.fillRect(viewport()->rect(), backgroundBrush_);
    } else {
        DrawBitmap(painter, ToQRect(layout.source), ToQRect(layout.target));
        for (const ViewRect& strip : layout.backgroundStrips) {
            painter.fillRect(ToQRect(strip), backgroundBrush_);
        }
    }

    if (!s.photometryMode && !s.pickGuideStarMode) SetViewCursor(Qt::ArrowCursor);
    // The cross marks the pick while pick mode lasts; afterwards the photometry box and
    // snapping belong to photometry again.
    if (s.guideStarFound && s.pickGuideStarMode) {
        DrawGuideStarCross(painter);
        s.snapToStar = true;
        s.measureBoxHalfSize = s.settings.guideStarMaskRadius;
    }
    painter.end();
    EstimateBackgroundLevel();
}

void TVEXA_Q4Window::EraseBackground(QPainter& painter) {
    SessionState& s = Session();
    if (s.backgroundChanged) {
        backgroundBrush_ = QBrush(ColourOf(s.backgroundColour));
        s.backgroundChanged = false;
    }
    painter.fillRect(viewport()->rect(), backgroundBrush_);
    erasePending_ = false;
}

void TVEXA_Q4Window::DrawBitmap(QPainter& painter, const QRect& source, const QRect& target) {
    if (source.isEmpty() || target.isEmpty()) return;
    if (source.size() == target.size()) {
        painter.drawPixmap(target.topLeft(), displayPixmap_, source);
        return;
    }
    // Stretching picks whole pixels and drops the rows and columns that do not fit; no
    // blending, so display levels stay exact.
    if (stretchedPixmap_.isNull() || stretchedSource_ != source ||
        stretchedSize_ != target.size()) {
        stretchedPixmap_ = displayPixmap_.copy(source).scaled(target.size(), Qt::IgnoreAspectRatio,
                                                              Qt::FastTransformation);
        stretchedSource_ = source;
        stretchedSize_ = target.size();
    }
    painter.drawPixmap(target.topLeft(), stretchedPixmap_);
}

void TVEXA_Q4Window::DrawGuideStarCross(QPainter& painter) {
    const SessionState& s = Session();
    QPen pen(kGuideCrossColour);
    pen.setWidth(1);
    pen.setStyle(Qt::SolidLine);
    painter.setPen(pen);
    const int x = s.guideStarX;
    const int y = s.guideStarY;
    painter.drawLine(x, y - kGuideCrossArm, x, y + kGuideCrossArm);
    painter.drawLine(x - kGuideCrossArm, y, x + kGuideCrossArm, y);
}

void TVEXA_Q4Window::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (Minimized()) return;
    UpdateScrollBars();
    viewport()->update();
}

void TVEXA_Q4Window::scrollContentsBy(int, int) {
    Session().scrollX = static_cast<int16_t>(horizontalScrollBar()->value());
    Session().scrollY = static_cast<int16_t>(verticalScrollBar()->value());
    viewport()->update();
}

void TVEXA_Q4Window::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        OnLeftButtonUp(p.x(), p.y());
    } else if (event->button() == Qt::RightButton) {
        OnRightButtonUp(p.x(), p.y());
    }
}

void TVEXA_Q4Window::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    OnMouseMove(p.x(), p.y());
}

void TVEXA_Q4Window::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TVEXA_Q4Window::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) viewport()->update();
}

}  // namespace vexa
