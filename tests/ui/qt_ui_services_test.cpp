// The window's UiServices on the offscreen platform: the message pump and its abort, the
// message box, cursors, the pointer, the display bitmap and the exit request; work posted from
// another thread taken in while the window idles (another program's questions to the served
// simulated mount answered); the window program's options.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/display_refresh.h"
#include "camera/camera_guide_frames.h"
#include "camera/capture_sequence.h"
#include "session/message_catalogue.h"
#include "session/message_pump.h"
#include "session/posted_work.h"
#include "telescope/guider.h"
#include "tests/ui/screen_test_support.h"
#include "tests/ui/window_test_support.h"
#include "tests/unit/support/no_guide_pulses.h"
#include "ui/main_frame.h"
#include "ui/main_window.h"
#include "ui/message_box_fit.h"
#include "ui/t_guide_dialog.h"
#include "ui/window_serial_lines.h"

using namespace vexa;
using vexa::test::StartedWindow;

namespace {

// A widget that counts the key and button presses delivered to it.
class InputProbe : public QWidget {
  public:
    int keys = 0;
    int presses = 0;

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        ++keys;
        e->accept();
    }
    void mousePressEvent(QMouseEvent* e) override {
        ++presses;
        e->accept();
    }
};

QKeyEvent* KeyPress(Qt::Key key) {
    return new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier);
}

QMouseEvent* ButtonPress(Qt::MouseButton button, QPoint at = QPoint(20, 20)) {
    return new QMouseEvent(QEvent::MouseButtonPress, QPointF(at), QPointF(at), button, button,
                           Qt::NoModifier);
}

}  // namespace

class QtUiServicesTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<StartedWindow> w;
    QtUiServices& Services() { return w->app->Services(); }
    TVEXA_Q4Window* View() { return w->app->View(); }

    // Pump once and tell how many times the abort ran.
    int AbortsDuringPump() {
        int aborts = 0;
        Services().ProcessPendingEvents([&aborts] { ++aborts; }, 0);
        return aborts;
    }

  private slots:
    void initTestCase() { vexa::test::QuietOffscreenWarnings(); }
    void init() {
        w = std::make_unique<StartedWindow>();
        QVERIFY(QTest::qWaitForWindowExposed(w->app->Frame()));
        QVERIFY(w->WaitForOpeningSize());
    }
    void cleanup() { w.reset(); }

    void keyPressDuringPumpAbortsTheSeries() {
        SessionState& s = Session();
        CaptureGuideFrames frames(nullptr, GuideFrameKind::Guiding);
        vexa::test::NoGuidePulses pulses;
        GuideRun guiding(frames, pulses);
        guiding.BeginGuiding(0);
        s.seriesCount = 7;
        s.abortRequested = 0;
        s.continuousRunning = 1;
        s.continuousCapture = true;
        s.focusWindowX = 10;
        const CaptureAbortScope capture;
        QCoreApplication::postEvent(View(), KeyPress(Qt::Key_Space));
        PumpMessages(1);
        QCOMPARE(s.seriesCount, int16_t{1});
        QCOMPARE(s.abortRequested, 1);
        QCOMPARE(s.continuousRunning, 0);
        QVERIFY(guiding.State() == GuideState::Stopped);
        QVERIFY(!s.continuousCapture);
        QCOMPARE(s.focusWindowX, 586);  // back in the middle of the Full image
    }

    void abortWithoutStopSeriesClearsTheCount() {
        SessionState& s = Session();
        s.seriesCount = 7;
        s.abortRequested = 0;
        const CaptureAbortScope capture;
        QCoreApplication::postEvent(View()->viewport(), ButtonPress(Qt::RightButton));
        PumpMessages(0);
        QCOMPARE(s.seriesCount, int16_t{0});
        QCOMPARE(s.abortRequested, 0);
    }

    void quietPumpChangesNothing() {
        SessionState& s = Session();
        s.seriesCount = 7;
        QCoreApplication::postEvent(View(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_A, {}));
        QCoreApplication::postEvent(View()->viewport(), ButtonPress(Qt::MiddleButton));
        PumpMessages(1);
        QCOMPARE(s.seriesCount, int16_t{7});
        QCOMPARE(s.abortRequested, 0);
    }

    void abortRunsFirstThenTheInputIsDelivered() {
        InputProbe probe;
        probe.resize(50, 50);
        probe.show();
        QVERIFY(QTest::qWaitForWindowExposed(&probe));
        bool deliveredBeforeAbort = true;
        QCoreApplication::postEvent(&probe, KeyPress(Qt::Key_Q));
        Services().ProcessPendingEvents([&] { deliveredBeforeAbort = probe.keys > 0; }, 0);
        QCOMPARE(probe.keys, 1);
        QVERIFY(!deliveredBeforeAbort);

        QCoreApplication::postEvent(&probe, ButtonPress(Qt::LeftButton));
        QCOMPARE(AbortsDuringPump(), 1);
        QCOMPARE(probe.presses, 1);
    }

    void oneInputAbortsOnce() {
        // Input from the window system reaches the window, then the view, then (ignored
        // there) the frame: one abort all the same.
        QWindow* window = w->app->Frame()->windowHandle();
        View()->setFocus();
        QCoreApplication::postEvent(window, KeyPress(Qt::Key_A));
        QCOMPARE(AbortsDuringPump(), 1);
        const QPoint inView = View()->viewport()->mapTo(w->app->Frame(), QPoint(30, 30));
        QCoreApplication::postEvent(window, ButtonPress(Qt::LeftButton, inView));
        QCOMPARE(AbortsDuringPump(), 1);
        QCoreApplication::postEvent(window, ButtonPress(Qt::MiddleButton, inView));
        QCOMPARE(AbortsDuringPump(), 0);
        // Two inputs, two aborts.
        QCoreApplication::postEvent(View(), KeyPress(Qt::Key_B));
        QCoreApplication::postEvent(View(), KeyPress(Qt::Key_C));
        QCOMPARE(AbortsDuringPump(), 2);
        // Outside a pump nothing aborts.
        SessionState& s = Session();
        s.seriesCount = 3;
        QCoreApplication::postEvent(View(), KeyPress(Qt::Key_D));
        QCoreApplication::processEvents();
        QCOMPARE(s.seriesCount, int16_t{3});
    }

    void messageBoxHasCaptionTextAndOneOkButton() {
        QtUiServices plain;  // no recording hook: a real box
        QString title, text;
        int buttons = -1;
        bool hasOwner = true;
        QMessageBox::Icon icon = QMessageBox::Warning;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            text = box->text();
            buttons = int(box->buttons().size());
            hasOwner = box->parentWidget() != nullptr;
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        poll.start();
        const int result = plain.MessageBox("VEXA_Q4_USB", "Sorry, outside Image area - try again");
        poll.stop();
        QCOMPARE(result, 1);
        QCOMPARE(title, QString("VEXA_Q4_USB"));
        QCOMPARE(text, QString("Sorry, outside Image area - try again"));
        QCOMPARE(buttons, 1);
        QVERIFY(!hasOwner);
        QCOMPARE(icon, QMessageBox::NoIcon);
    }

    // A box with a short text is still wide enough for its whole caption in the title bar.
    void messageBoxesFitTheirCaption() {
        const struct {
            const char* caption;
            const char* text;
            bool stop;
        } cases[] = {
            {"VEXA_Q4_USB", "x position =    67\ny position =    65", false},
            {"Vexa_Q4_USB  - Find Centre", "Find centre failed - outside image area", false},
            {"VEXA_Q4", "WinHelp failed!", true},
        };
        QtUiServices plain;  // no recording hook: a real box
        for (const auto& c : cases) {
            int width = 0;
            QTimer poll;
            poll.setInterval(10);
            connect(&poll, &QTimer::timeout, [&width] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box || !box->isVisible()) return;
                width = box->width();
                box->button(QMessageBox::Ok)->click();
            });
            poll.start();
            if (c.stop) {
                plain.StopMessageBox(c.caption, c.text);
            } else {
                plain.MessageBox(c.caption, c.text);
            }
            QVERIFY2(width >= CaptionFitWidth(c.caption), c.caption);
        }
        // Room for more than the caption's text: the title bar's buttons.
        QFont bold = QApplication::font("QMdiSubWindowTitleBar");
        bold.setBold(true);
        QVERIFY(CaptionFitWidth("VEXA_Q4_USB") >
                QFontMetrics(bold).horizontalAdvance("VEXA_Q4_USB") + 100);
    }

    void catalogueMessagesGoThroughTheServices() {
        ShowMessage(99);
        ShowMessage(50, "x position =    67");
        QCOMPARE(w->boxes.size(), size_t{2});
        QCOMPARE(w->boxes[0].caption, std::string("VEXA_Q4_USB"));
        QCOMPARE(w->boxes[0].text, std::string());
        QCOMPARE(w->boxes[1].text, std::string("x position =    67"));
    }

    void cursors() {
        Services().SetCursor(CursorKind::Wait);
        Services().SetCursor(CursorKind::Wait);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        Services().SetCursor(CursorKind::Cross);
        QVERIFY(!QApplication::overrideCursor());  // one arrow or cross undoes any waits
        QCOMPARE(View()->viewport()->cursor().shape(), Qt::CrossCursor);
        Services().SetCursor(CursorKind::Arrow);
        QCOMPARE(View()->viewport()->cursor().shape(), Qt::ArrowCursor);
        // Photometry keeps its cross through a repaint; without a mode the paint restores
        // the arrow.
        Session().photometryMode = true;
        Services().SetCursor(CursorKind::Cross);
        View()->viewport()->grab();
        QCOMPARE(View()->viewport()->cursor().shape(), Qt::CrossCursor);
        Session().photometryMode = false;
        View()->viewport()->grab();
        QCOMPARE(View()->viewport()->cursor().shape(), Qt::ArrowCursor);
    }

    void pointerMovesByTheDistance() {
        QCursor::setPos(200, 150);
        Services().MovePointerBy(5, -3);
        QCOMPARE(QCursor::pos(), QPoint(205, 147));
    }

    void failedBitmapReadKeepsThePreviousImage() {
        const qint64 before = View()->DisplayImage().cacheKey();
        QVERIFY(!View()->DisplayImage().isNull());
        QVERIFY(!Services().LoadDisplayBitmap(w->RootPath("missing.bmp")));
        const std::string garbage = w->RootPath("garbage.bmp");
        std::ofstream(garbage, std::ios::binary) << "BM not really a bitmap";
        QVERIFY(!Services().LoadDisplayBitmap(garbage));
        QCOMPARE(View()->DisplayImage().cacheKey(), before);
        QVERIFY(Services().LoadDisplayBitmap(w->RootPath("VEXAQ4.bmp")));
    }

    void refreshWithAnUnreadableBitmapReportsAndKeepsTheView() {
        // The bitmap path taken by a folder: the write fails and the old view stays.
        const qint64 before = View()->DisplayImage().cacheKey();
        std::filesystem::remove(w->RootPath("VEXAQ4.bmp"));
        std::filesystem::create_directory(w->RootPath("VEXAQ4.bmp"));
        std::ofstream(w->RootPath("VEXAQ4.bmp/keep")) << "x";
        RefreshDisplay();
        QVERIFY(!w->boxes.empty());
        QCOMPARE(View()->DisplayImage().cacheKey(), before);
        QCOMPARE(View()->viewport()->grab().toImage().pixel(10, 100), qRgb(24, 24, 24));
    }

    void titleAndExitRequest() {
        Services().SetWindowTitle("Vexa_Q4_USB - c:\\AUTOSAVE\\IMG12.FIT");
        QCOMPARE(w->app->Frame()->windowTitle(), QString("Vexa_Q4_USB - c:\\AUTOSAVE\\IMG12.FIT"));
        Services().RequestExit();
        QVERIFY(!w->app->Frame()->isVisible());
    }

    void guidingInfoOpensShowsEachFrameAndCloses() {
        QVERIFY(!Services().GuidingInfoDialog());
        GuidingInfo info;
        info.x = "64.0";
        Services().ShowGuidingInfo(info);  // nothing open: nothing to show, no crash
        Services().OpenGuidingInfo();
        TGuideDialog* dialog = Services().GuidingInfoDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        info.dx = "1.5";
        Services().ShowGuidingInfo(info);
        QCOMPARE(dialog->DxEdit()->text(), QString("1.5"));
        Services().CloseGuidingInfo();
        QTRY_VERIFY(!Services().GuidingInfoDialog());  // deleted on close
    }

    // --help and -h ask for the usage, wherever they stand after the window's own options;
    // the usage names every option the window takes.
    // A device thread's post runs on the window's thread while the window waits in Qt's own
    // event loop (no command pumping); the window started by the test installs the wake-up,
    // and once it is gone a post waits for the next pump.
    void workPostedFromAnotherThreadRunsWhileTheWindowIdles() {
        QThread* ranOn = nullptr;
        std::thread([&ranOn] {
            PostToUiThread([&ranOn] { ranOn = QThread::currentThread(); });
        }).join();
        QVERIFY(QTest::qWaitFor([&ranOn] { return ranOn != nullptr; }, 2000));
        QCOMPARE(ranOn, QCoreApplication::instance()->thread());

        w.reset();
        bool ran = false;
        std::thread([&ran] { PostToUiThread([&ran] { ran = true; }); }).join();
        QTest::qWait(50);
        QVERIFY(!ran);
        QCOMPARE(RunPostedWork(), size_t{1});
        QVERIFY(ran);
    }

    // With --simulator --mount-link, another program (an INDI LX200 driver) that asks the
    // simulated mount for its position is answered while the window sits idle.
    void theServedMountAnswersAnotherProgramWhileTheWindowIdles() {
        QTemporaryDir dir;
        SerialLineOptions options;
        options.mountLinkPath = dir.filePath("mount").toStdString();
        WindowSerialLines lines(options, true);
        QVERIFY2(lines.SetupStatus().ok(), lines.SetupStatus().text().c_str());
        std::string reply;
        std::atomic<bool> done{false};
        std::thread client([&] {
            const int fd = ::open(options.mountLinkPath.c_str(), O_RDWR | O_NOCTTY);
            termios raw{};
            if (fd >= 0 && tcgetattr(fd, &raw) == 0) {
                cfmakeraw(&raw);
                (void)tcsetattr(fd, TCSANOW, &raw);
            }
            if (fd >= 0 && ::write(fd, ":GR#", 4) == 4) {
                pollfd wait{fd, POLLIN, 0};
                char c = 0;
                while (!reply.ends_with('#') && poll(&wait, 1, 3000) == 1 && ::read(fd, &c, 1) == 1)
                    reply.push_back(c);
            }
            if (fd >= 0) ::close(fd);
            done = true;
        });
        const bool answered = QTest::qWaitFor([&done] { return done.load(); }, 5000);
        client.join();
        QVERIFY(answered);
        QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d[.:]\\d+#$")
                     .match(QString::fromStdString(reply))
                     .hasMatch(),
                 reply.c_str());
    }

    void windowOptionsAndUsage() {
        const struct {
            std::vector<std::string> args;
            bool help;
            const char* error;
        } cases[] = {
            {{"--help"}, true, ""},
            {{"-h"}, true, ""},
            {{"--simulator", "--root", "/tmp/r", "-h", "--bogus"}, true, ""},
            {{"--bogus", "--help"}, false, "unknown argument: --bogus"},
            {{"--usb-log"}, false, "--usb-log needs a file"},
            {{"--indi", "host:99999"},
             false,
             "--indi needs HOST[:PORT][/DEVICE]: the port must be a number from 1 to 65535"},
            {{"--root=/tmp/r", "--simulator"}, false, ""},
        };
        for (const auto& c : cases) {
            std::vector<std::string> args{"vexaq4"};
            args.insert(args.end(), c.args.begin(), c.args.end());
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            std::string error;
            const WindowOptions options = ParseWindowOptions(int(argv.size()), argv.data(), error);
            QCOMPARE(options.help, c.help);
            QCOMPARE(error, std::string(c.error));
        }

        const QString usage = QString::fromStdString(WindowUsage());
        QVERIFY(usage.startsWith("usage: vexaq4 "));
        for (const char* option :
             {"--root=/tmp/r", "--simulator", "--camera=04b4:8613", "--usb-log=/tmp/u",
              "--serial-log=/tmp/s", "--com1=/dev/a", "--com2=/dev/b",
              "--indi=scope.local:7000/EQMod Mount", "--mount-link=/tmp/m", "--help", "-h"}) {
            std::string arg = option;
            char prog[] = "vexaq4";
            char* argv[] = {prog, arg.data()};
            std::string error;
            ParseWindowOptions(2, argv, error);
            QVERIFY2(error.empty(), option);
            const QString name = QString(option).section('=', 0, 0);
            QVERIFY2(usage.contains(QRegularExpression(QRegularExpression::escape(name) + "[ ,]")),
                     option);
        }
    }

    void rootOption() {
        std::string error;
        char prog[] = "vexaq4", opt[] = "--root", dir[] = "/tmp/r", joined[] = "--root=/tmp/s",
             bad[] = "--rot";
        {
            char* argv[] = {prog, opt, dir};
            QCOMPARE(ParseRootOption(3, argv, error).value_or(""), std::string("/tmp/r"));
            QVERIFY(error.empty());
        }
        {
            char* argv[] = {prog, joined};
            QCOMPARE(ParseRootOption(2, argv, error).value_or(""), std::string("/tmp/s"));
        }
        {
            char* argv[] = {prog};
            QVERIFY(!ParseRootOption(1, argv, error).has_value());
            QVERIFY(error.empty());
        }
        {
            char* argv[] = {prog, opt};
            QVERIFY(!ParseRootOption(2, argv, error).has_value());
            QVERIFY(!error.empty());
        }
        {
            char* argv[] = {prog, bad};
            ParseRootOption(2, argv, error);
            QVERIFY(!error.empty());
        }
    }
};

// A screen with room for the window at its described size.
VEXA_QTEST_MAIN_ON_SCREEN(QtUiServicesTest, 1920, 1200)
#include "qt_ui_services_test.moc"
