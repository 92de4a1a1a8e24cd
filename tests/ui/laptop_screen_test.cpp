// The window on a 1366 x 768 laptop screen: it opens at the screen's available size instead
// of running below the screen, the image scrolls, every dialog opens inside the screen, and
// the photometry dialog leaves the middle of the image free.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/command_dispatch.h"
#include "resources/command_table.h"
#include "tests/ui/screen_test_support.h"
#include "tests/ui/window_test_support.h"
#include "ui/main_window.h"
#include "ui/t_ph_dialog.h"

using namespace vexa;
using vexa::test::StartedWindow;

namespace {

constexpr QSize kLaptopScreen(1366, 768);

QRect Available(const QWidget* w) {
    return w->screen()->availableGeometry();
}

}  // namespace

class LaptopScreenTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<StartedWindow> w;
    TVEXA_Q4Frame* Frame() { return w->app->Frame(); }

  private slots:
    void initTestCase() { vexa::test::QuietOffscreenWarnings(); }
    void init() {
        w = std::make_unique<StartedWindow>();
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
        QVERIFY(w->WaitForOpeningSize());
    }
    void cleanup() { w.reset(); }

    void windowOpensAtTheAvailableSize() {
        QCOMPARE(Available(Frame()).size(), kLaptopScreen);
        // As wide as described (the screen is wider), as high as the screen.
        QCOMPARE(Frame()->frameGeometry(), QRect(0, 0, 1330, kLaptopScreen.height()));
        // The rest of the image is reached by scrolling.
        TVEXA_Q4Window* view = w->app->View();
        QVERIFY(view->verticalScrollBar()->maximum() > 0);
        QCOMPARE(view->verticalScrollBar()->maximum() + view->viewport()->height(), 1030);
    }

    void everyDialogOpensInsideTheScreen() {
        // Each command's dialogs, modal ones answered with Cancel as soon as they are seen.
        const int32_t commands[] = {
            cmd::kFitsDetails,
            cmd::kEditAutosaveFitsText,
            cmd::kSetProgramDefaults,
            cmd::kSetAutoProcessing,
            cmd::kMaxPaletteStretch,
            cmd::kNormalStretch,
            cmd::kPowerLawStretch,
            cmd::kNonLinearStretch,
            cmd::kUnsharp,
            cmd::kMedian,
            cmd::kLabel,
            cmd::kAbout,
            cmd::kOpen,
            cmd::kSave,
            cmd::kDeleteFile,
            cmd::kHistogram,
            cmd::kIntensityPlot3D,
            cmd::kMerge,
        };
        for (int32_t id : commands) {
            QStringList outside;
            int seen = 0;
            const auto check = [&outside, &seen](const QWidget* dialog) {
                ++seen;
                if (!Available(dialog).contains(dialog->frameGeometry()))
                    outside << dialog->windowTitle();
            };
            QTimer answer;
            answer.setInterval(10);
            connect(&answer, &QTimer::timeout, [&check] {
                if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    check(modal);
                    modal->reject();
                }
            });
            answer.start();
            QVERIFY(ExecuteCommand(id));
            answer.stop();
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(top);
                if (!dialog || !dialog->isVisible()) continue;
                check(dialog);
                dialog->reject();
            }
            QVERIFY2(seen > 0, qPrintable(QString::number(id)));
            QVERIFY2(outside.isEmpty(),
                     qPrintable(QString::number(id) + ": " + outside.join(", ")));
        }
    }

    void photometryLeavesTheMiddleOfTheImageFree() {
        QVERIFY(ExecuteCommand(cmd::kPhotometry));
        TPHDialog* dialog = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<TPHDialog*>(top); d && d->isVisible()) dialog = d;
        }
        QVERIFY(dialog);
        QVERIFY(Available(dialog).contains(dialog->frameGeometry()));
        const QRect image = w->app->View()->ShownImageArea();
        QVERIFY(!dialog->frameGeometry().contains(image.center()));
        dialog->FinishedButton()->click();
    }
};

VEXA_QTEST_MAIN_ON_SCREEN(LaptopScreenTest, 1366, 768)
#include "laptop_screen_test.moc"
