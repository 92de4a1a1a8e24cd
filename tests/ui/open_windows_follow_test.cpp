// Open analysis windows follow the image: after a command changes it (Invert image to
// Negative), the histogram, the row profile and the 3-D plot show the image as it now is,
// without being closed, clicked or reopened.
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QtTest>
#include <memory>

#include "app/command_dispatch.h"
#include "processing/analysis_displays.h"
#include "resources/command_table.h"
#include "tests/ui/screen_test_support.h"
#include "tests/ui/window_test_support.h"
#include "ui/main_window.h"
#include "ui/t_hist_dialog.h"
#include "ui/t_plot3d_dialog.h"
#include "ui/t_row_dialog.h"

using namespace vexa;
using vexa::test::StartedWindow;

namespace {

// The one open window of type D, or null.
template <typename D>
D* OpenWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<D*>(w); d && d->isVisible()) return d;
    }
    return nullptr;
}

QImage Shot(QWidget* canvas) {
    return canvas->grab().toImage();
}

// Counts the paints a widget receives: a window that is not told of a change is not painted
// again until something else covers and uncovers it.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

class OpenWindowsFollowTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<StartedWindow> w;

    // Invert the image through the command table, as the menu does.
    void Invert() { QVERIFY(ExecuteCommand(cmd::kInvert)); }

  private slots:
    void initTestCase() { vexa::test::QuietOffscreenWarnings(); }
    void init() {
        w = std::make_unique<StartedWindow>();
        QVERIFY(QTest::qWaitForWindowExposed(w->app->Frame()));
    }
    void cleanup() { w.reset(); }

    void histogramShowsTheImageAfterAnInvert() {
        QVERIFY(ExecuteCommand(cmd::kHistogram));
        THistDialog* dialog = OpenWindow<THistDialog>();
        QVERIFY(dialog);
        const QImage before = Shot(dialog->Canvas());
        PaintCounter counter(dialog->Canvas());
        Invert();
        QTRY_VERIFY(counter.paints > 0);  // the open window redraws by itself
        const QImage after = Shot(dialog->Canvas());
        QVERIFY(after != before);
        // What a histogram opened now on the inverted image shows.
        HistogramDialogModel fresh;
        fresh.Recount();
        THistDialog reference(fresh);
        QCOMPARE(after, Shot(reference.Canvas()));
        // Hidden and shown again, it still shows the inverted image.
        dialog->hide();
        dialog->show();
        QCOMPARE(Shot(dialog->Canvas()), after);
        QVERIFY(w->boxes.empty());
    }

    void rowProfileShowsTheRowAsItNowIs() {
        QVERIFY(ExecuteCommand(cmd::kRowPlot));
        TRowDialog* dialog = OpenWindow<TRowDialog>();
        QVERIFY(dialog);
        // The ramp's row 250 holds 15,750: 41 pixels above the base line at 198.
        QCOMPARE(QColor(Shot(dialog->Canvas()).pixel(100, 198 - 41)), QColor(0, 0, 0));
        PaintCounter counter(dialog->Canvas());
        Invert();
        QTRY_VERIFY(counter.paints > 0);  // the open window redraws by itself
        const QImage after = Shot(dialog->Canvas());
        const int height = Session().currentImage[250 * 1300 + 190] / kPlotUnitsPerPixel;
        QVERIFY(height != 41);
        QCOMPARE(QColor(after.pixel(100, 198 - height)), QColor(0, 0, 0));
        QCOMPARE(QColor(after.pixel(100, 198 - 41)), QColor(255, 255, 255));
        QCOMPARE(dialog->RowEdit()->text(), QString("250"));
    }

    void plot3DIsRebuiltFromTheNewImage() {
        QVERIFY(ExecuteCommand(cmd::kIntensityPlot3D));
        TPlot3DDialog* dialog = OpenWindow<TPlot3DDialog>();
        QVERIFY(dialog);
        Plot3DCanvas* canvas = dialog->Canvas();
        QTRY_VERIFY(canvas->Complete());
        const QImage before = canvas->Picture();
        Invert();
        QTRY_VERIFY(canvas->Complete());
        const QImage after = canvas->Picture();
        QVERIFY(after != before);
        // The same picture as a plot opened now on the inverted image.
        Plot3DDialogModel fresh;
        fresh.Take(Session().currentImage);
        TPlot3DDialog reference(fresh);
        reference.Canvas()->DrawRemainingLines();
        QCOMPARE(after, reference.Canvas()->Picture());
    }
};

VEXA_QTEST_MAIN_ON_SCREEN(OpenWindowsFollowTest, 1920, 1200)
#include "open_windows_follow_test.moc"
