// Windows kept on the screen: the opening geometry of the main window and the place beside the
// image for a measuring dialog, computed for given screens, and on a wide screen the
// "PHOTOMETRY" dialog opening clear of the image.
#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <memory>

#include "app/command_dispatch.h"
#include "resources/command_table.h"
#include "tests/ui/screen_test_support.h"
#include "tests/ui/window_test_support.h"
#include "ui/main_window.h"
#include "ui/screen_fit.h"
#include "ui/t_ph_dialog.h"

using namespace vexa;

class ScreenFitTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { vexa::test::QuietOffscreenWarnings(); }

    void openingGeometryKeepsTheDescribedSizeWhereItFits() {
        const QSize described(1330, 1110);
        const struct {
            QRect available;
            QRect expected;
        } cases[] = {
            {QRect(0, 0, 1920, 1200), QRect(0, 0, 1330, 1110)},        // room enough
            {QRect(0, 0, 1366, 768), QRect(0, 0, 1330, 768)},          // laptop: the area's height
            {QRect(0, 27, 1280, 997), QRect(0, 27, 1280, 997)},        // a panel along the top
            {QRect(1920, 0, 2560, 1440), QRect(1920, 0, 1330, 1110)},  // a second screen
            {QRect(), QRect(0, 0, 1330, 1110)},                        // no screen known
        };
        for (const auto& c : cases) {
            QCOMPARE(OpeningFrameGeometry(QPoint(0, 0), described, c.available), c.expected);
        }
    }

    void keptOnScreenMovesThenCuts() {
        const QRect screen(0, 0, 1366, 768);
        QCOMPARE(KeptOnScreen(QRect(100, 100, 400, 300), screen), QRect(100, 100, 400, 300));
        QCOMPARE(KeptOnScreen(QRect(1200, 600, 400, 300), screen), QRect(966, 468, 400, 300));
        QCOMPARE(KeptOnScreen(QRect(-50, -20, 400, 300), screen), QRect(0, 0, 400, 300));
        QCOMPARE(KeptOnScreen(QRect(10, 10, 900, 900), screen), QRect(10, 0, 900, 768));
    }

    void besideAreaPrefersRightThenLeftThenBelowThenAbove() {
        const QSize dialog(300, 200);
        const QRect screen(0, 0, 1920, 1200);
        const struct {
            QRect area;
            QPoint expected;
        } cases[] = {
            {QRect(0, 0, 1300, 1030), QPoint(1304, 0)},      // right of the image
            {QRect(700, 100, 1200, 900), QPoint(396, 100)},  // no room right: left
            {QRect(0, 0, 1900, 900), QPoint(0, 904)},        // below
            {QRect(0, 300, 1900, 900), QPoint(0, 96)},       // above
            {QRect(0, 0, 1920, 1200), QPoint(1620, 1000)},   // nowhere: the far corner
        };
        for (const auto& c : cases) QCOMPARE(BesideArea(c.area, dialog, screen), c.expected);
    }

    void photometryOpensClearOfTheImage() {
        vexa::test::StartedWindow w;
        QVERIFY(QTest::qWaitForWindowExposed(w.app->Frame()));
        QVERIFY(w.WaitForOpeningSize());
        QVERIFY(ExecuteCommand(cmd::kPhotometry));
        TPHDialog* dialog = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<TPHDialog*>(top); d && d->isVisible()) dialog = d;
        }
        QVERIFY(dialog);
        QVERIFY(!dialog->frameGeometry().intersects(w.app->View()->ShownImageArea()));
        QVERIFY(dialog->screen()->availableGeometry().contains(dialog->frameGeometry()));
        dialog->FinishedButton()->click();
    }
};

VEXA_QTEST_MAIN_ON_SCREEN(ScreenFitTest, 1920, 1200)
#include "screen_fit_test.moc"
