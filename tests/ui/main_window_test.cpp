// The main window on the offscreen platform: start-up order and its files, title, frame
// geometry, the menu built from the command table with its states, accelerators, the view's
// painting and scrolling, and clicks reaching the click dispatch.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/command_dispatch.h"
#include "camera/capture_sequence.h"
#include "resources/command_table.h"
#include "session/long_operation.h"
#include "session/message_pump.h"
#include "session/settings_file.h"
#include "tests/ui/screen_test_support.h"
#include "tests/ui/window_test_support.h"
#include "ui/command_menu.h"
#include "ui/main_frame.h"
#include "ui/main_window.h"
#include "ui/t_ini_dialog.h"
#include "ui/t_max_dialog.h"

using namespace vexa;
using vexa::test::StartedWindow;

namespace {

QMenu* MenuNamed(QMenuBar* bar, const QString& text) {
    for (QAction* a : bar->actions()) {
        if (a->text() == text && a->menu()) return a->menu();
    }
    return nullptr;
}

QAction* ActionFor(QMenuBar* bar, int32_t id) {
    for (QAction* top : bar->actions()) {
        if (top->data().toInt() == id && !top->menu()) return top;
        if (QMenu* m = top->menu()) {
            for (QAction* a : m->actions()) {
                if (!a->isSeparator() && a->data().toInt() == id) return a;
            }
        }
    }
    return nullptr;
}

// Open a menu the way the user does, so that its states are brought up to date.
void OpenAndClose(QMenu* menu) {
    menu->popup(QPoint(0, 0));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    menu->hide();
}

QRgb PixelAt(TVEXA_Q4Window* view, int x, int y) {
    return view->viewport()->grab().toImage().pixel(x, y);
}

constexpr QRgb kLightGrey = 0xFFC0C0C0;  // (192, 192, 192), the default background

QRgb Grey(int level) {
    return qRgb(level, level, level);
}

// Answers the next modal dialog of type D: act runs on it while it is open, then it closes
// with accept or reject. Records that it was seen and the parent it had.
template <typename D>
class DialogAnswer {
  public:
    DialogAnswer(bool accept, std::function<void(D*)> act) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, accept, act] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            if (!dialog) return;
            timer_.stop();
            parent = dialog->parentWidget();
            seen = true;
            if (act) act(dialog);
            accept ? dialog->accept() : dialog->reject();
        });
        timer_.start();
    }
    bool seen = false;
    QWidget* parent = nullptr;

  private:
    QTimer timer_;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<StartedWindow> w;
    TVEXA_Q4Frame* Frame() { return w->app->Frame(); }
    TVEXA_Q4Window* View() { return w->app->View(); }
    QMenuBar* Bar() { return Frame()->menuBar(); }

  private slots:
    void initTestCase() { vexa::test::QuietOffscreenWarnings(); }
    void init() {
        w = std::make_unique<StartedWindow>();
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
        QVERIFY(w->WaitForOpeningSize());
    }
    void cleanup() { w.reset(); }

    void startupTitleFrameAndIcon() {
        QCOMPARE(Frame()->windowTitle(), QString("Vexa_Q4_USB - (Untitled)"));
        QCOMPARE(QCoreApplication::applicationName(), QString("Vexa_Q4_USB"));
        QTRY_COMPARE(Frame()->frameGeometry(), QRect(0, 0, 1330, 1110));
        QVERIFY(!Frame()->windowIcon().isNull());
        QCOMPARE(Frame()->centralWidget(), static_cast<QWidget*>(View()));
        QVERIFY(w->boxes.empty());
    }

    void startupWritesDefaultSettingsAndShowsTheRamp() {
        const std::string ini = w->RootPath("autosave/Vexa_Q4.ini");
        QVERIFY(std::filesystem::exists(ini));
        QCOMPARE(std::filesystem::file_size(ini), uintmax_t{1183});
        // The first refresh ran: the whole-image bitmap is on disk and in the view.
        QCOMPARE(std::filesystem::file_size(w->RootPath("VEXAQ4.bmp")), uintmax_t{1340078});
        const SessionState& s = Session();
        QCOMPARE(s.currentImage[1029 * 1300 + 7], uint16_t{64827});
        QCOMPARE(s.flatReferenceImage[500], uint16_t{0});
        QCOMPARE(View()->DisplayImage().format(), QImage::Format_Indexed8);
        QCOMPARE(View()->DisplayImage().size(), QSize(1300, 1030));
        QCOMPARE(View()->DisplayImage().colorCount(), 256);
        // Row 100 holds 6300, display level 24; right of the 1300 columns is background.
        QCOMPARE(PixelAt(View(), 10, 100), Grey(24));
        QCOMPARE(PixelAt(View(), 1299, 1029), Grey(253));
        QCOMPARE(PixelAt(View(), 1310, 10), kLightGrey);
        QCOMPARE(PixelAt(View(), 10, 1035), kLightGrey);
        // The client is big enough for the whole image: no scrolling.
        QCOMPARE(View()->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(View()->verticalScrollBar()->maximum(), 0);
    }

    void startupReadsBackgroundFromSettingsFile() {
        w.reset();
        // A settings file choosing the red background, in a root of its own.
        QTemporaryDir root;
        SetDriveRoot(root.path().toStdString());
        vexa::test::ResetSession();
        Session().settings.backgroundChoice = 'r';
        std::filesystem::create_directory(root.path().toStdString() + "/autosave");
        QCOMPARE(SaveSettings(), int16_t{0});
        w = std::make_unique<StartedWindow>(root.path().toStdString());
        QVERIFY(w->WaitForOpeningSize());
        QCOMPARE(View()->BackgroundColour(), QColor(120, 40, 40));
        QCOMPARE(PixelAt(View(), 1310, 10), qRgb(120, 40, 40));
    }

    void beforeTheFirstRefreshOnlyBackground() {
        w.reset();
        vexa::test::ResetSession();
        QTemporaryDir root;
        SetDriveRoot(root.path().toStdString());
        std::vector<vexa::test::RecordedBox> boxes;
        TVEXA_Q4App app(std::make_unique<vexa::test::RecordingUiServices>(&boxes));
        // The frame and view as built, without Start's refresh.
        TVEXA_Q4Frame frame(app.Services(), app.Devices());
        QCOMPARE(frame.windowTitle(), QString("Vexa_Q4_USB - (Untitled)"));
        QCOMPARE(frame.View()->horizontalScrollBar()->maximum(), 400);
        QCOMPARE(frame.View()->verticalScrollBar()->maximum(), 400);
        QCOMPARE(frame.pos(), QPoint(0, 0));
        frame.View()->SetupWindow();
        QCOMPARE(Session().currentImage[1029 * 1300], uint16_t{64827});
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QImage shot = frame.View()->viewport()->grab().toImage();
        QCOMPARE(shot.pixel(10, 100), kLightGrey);
        QCOMPARE(shot.pixel(shot.width() - 1, shot.height() - 1), kLightGrey);
        QVERIFY(boxes.empty());
    }

    void unwritableRootKeepsRunningOnDefaults() {
        w.reset();
        // A root below a plain file can never be created, not even by the superuser.
        QTemporaryDir dir;
        const std::string blocker = dir.path().toStdString() + "/file";
        std::ofstream(blocker) << "x";
        w = std::make_unique<StartedWindow>(blocker + "/root");
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
        QVERIFY(w->WaitForOpeningSize());
        QCOMPARE(Frame()->windowTitle(), QString("Vexa_Q4_USB - (Untitled)"));
        QCOMPARE(Session().settings.guideStarMaskRadius, int16_t{8});
        // Only the refresh's bitmap complaint; the settings read reports nothing.
        QCOMPARE(w->boxes.size(), size_t{1});
        const QStringList bitmapFailures{"Failed to create temp bitmap",
                                         "Unable to create temp bitmap file header",
                                         "Unable to create temp bitmap file"};
        QVERIFY(bitmapFailures.contains(QString::fromStdString(w->boxes[0].text)));
        QCOMPARE(w->boxes[0].caption, std::string("VEXA_Q4_USB"));
        // No bitmap: the view is all background.
        QCOMPARE(PixelAt(View(), 10, 10), kLightGrey);
    }

    void menuBarFollowsTheCommandTable() {
        const QStringList topTexts{"&File",     "&Edit",    "&View",      "&Label", "&Contrast",
                                   "Filter&s ", "&Merging", "&Histogram", "Help"};
        const QList<QAction*> tops = Bar()->actions();
        QCOMPARE(tops.size(), topTexts.size());
        for (int i = 0; i < tops.size(); ++i) QCOMPARE(tops[i]->text(), topTexts[i]);
        // "&Label" and "&Histogram" are commands themselves, not menus.
        QVERIFY(!tops[3]->menu());
        QCOMPARE(tops[3]->data().toInt(), 8);
        QVERIFY(!tops[7]->menu());
        QCOMPARE(tops[7]->data().toInt(), 6);

        // Every menu lists its commands in table order, separators where the table has them.
        int menuIndex = 0;
        for (const MenuEntry& entry : MenuBar()) {
            QAction* top = tops[menuIndex++];
            if (entry.commandId != 0) continue;
            QStringList expected, actual;
            for (const CommandEntry& c : CommandTable()) {
                if (c.menu != entry.id) continue;
                if (c.separatorBefore) expected << "-";
                expected << QString::fromUtf8(c.menuText.data(), c.menuText.size()) + "=" +
                                QString::number(c.id);
            }
            for (QAction* a : top->menu()->actions()) {
                actual << (a->isSeparator() ? QString("-")
                                            : a->text() + "=" + QString::number(a->data().toInt()));
            }
            QCOMPARE(actual, expected);
        }

        // A few items spelled out, key hints and odd spacing included.
        const QList<QAction*> file = MenuNamed(Bar(), "&File")->actions();
        QCOMPARE(file[0]->text(), QString("&Open..."));
        QCOMPARE(file[4]->text(), QString("&Quick Save as FITS...\tCtl+Q "));
        QCOMPARE(file[4]->data().toInt(), 24336);
        QCOMPARE(file[5]->text(), QString("Load next &Autosaved File  \tCtl+A "));
        QCOMPARE(file.last()->text(), QString("E&xit"));
        QCOMPARE(file.last()->data().toInt(), 24310);
        const QList<QAction*> edit = MenuNamed(Bar(), "&Edit")->actions();
        QCOMPARE(edit[1]->text(), QString("&Copy\tShift+Ins"));
        QCOMPARE(edit[1]->data().toInt(), 17999);
        const QList<QAction*> help = MenuNamed(Bar(), "Help")->actions();
        QCOMPARE(help.size(), 2);
        QCOMPARE(help[1]->text(), QString("About Vexa_Q4_USB"));

        // The key hints are text only: no action claims a key.
        for (QAction* a : Bar()->findChildren<QAction*>()) QVERIFY(a->shortcut().isEmpty());
    }

    void menuStatesComeFromTheCommandStatus() {
        QMenu* file = MenuNamed(Bar(), "&File");
        QCOMPARE(Session().settings.telescopeType, TelescopeType::None);
        OpenAndClose(file);
        for (int32_t id : {22, 23, 24}) QVERIFY(!ActionFor(Bar(), id)->isEnabled());
        QVERIFY(ActionFor(Bar(), cmd::kExit)->isEnabled());

        Session().settings.telescopeType = TelescopeType::Lx200;
        OpenAndClose(file);
        for (int32_t id : {22, 23, 24}) {
            QCOMPARE(ActionFor(Bar(), id)->isEnabled(), CommandImplemented(id));
        }

        // Every item, top-level ones included, shows what the command status says; an item
        // whose operation is not in this build is greyed.
        for (QAction* top : Bar()->actions()) {
            if (top->menu()) OpenAndClose(top->menu());
        }
        for (const CommandEntry& c : CommandTable()) {
            QAction* a = ActionFor(Bar(), c.id);
            QVERIFY2(a, c.menuText.data());
            QCOMPARE(a->isEnabled(), QueryCommand(c.id).enabled);
            if (!CommandImplemented(c.id)) QVERIFY(!a->isEnabled());
        }
        // Copy is allowed once a display bitmap exists (the start-up refresh made one).
        QCOMPARE(ActionFor(Bar(), cmd::kCopy)->isEnabled(), CommandImplemented(cmd::kCopy));
    }

    // A click on a menu title during an exposure aborts it and opens the menu: the menu shows
    // what may run meanwhile (Exit always), and once the operation has ended every item, the
    // open menu's and the top-level Label and Histogram, shows its state again.
    void menusShowTheirTrueStatesDuringAndAfterALongOperation() {
        QMenu* file = MenuNamed(Bar(), "&File");
        const QPoint title = Bar()->actionGeometry(Bar()->actions()[0]).center();
        Session().abortRequested = 0;
        {
            const LongOperation capture(LongOperationKind::Capture);
            const CaptureAbortScope captureAbort;
            QCoreApplication::postEvent(
                Bar(), new QMouseEvent(QEvent::MouseButtonPress, QPointF(title),
                                       Bar()->mapToGlobal(QPointF(title)), Qt::LeftButton,
                                       Qt::LeftButton, Qt::NoModifier));
            PumpMessages(1);
            QCOMPARE(Session().abortRequested, 1);
            QTRY_VERIFY(file->isVisible());
            for (int32_t id : {cmd::kExit, cmd::kFitToWindow})
                QVERIFY(ActionFor(Bar(), id)->isEnabled());
            for (int32_t id : {cmd::kOpen, cmd::kQuickSave, cmd::kLabel, cmd::kHistogram}) {
                QVERIFY(!ActionFor(Bar(), id)->isEnabled());
            }
        }
        QVERIFY(file->isVisible());
        for (const CommandEntry& c : CommandTable()) {
            QCOMPARE(ActionFor(Bar(), c.id)->isEnabled(), QueryCommand(c.id).enabled);
        }
        QVERIFY(ActionFor(Bar(), cmd::kLabel)->isEnabled());
        QVERIFY(ActionFor(Bar(), cmd::kHistogram)->isEnabled());
        file->hide();
    }

    // Exit during a long operation stops it; the window closes once it has ended.
    void exitDuringALongOperationStopsItThenCloses() {
        Session().abortRequested = 0;
        {
            const LongOperation capture(LongOperationKind::Capture);
            const CaptureAbortScope captureAbort;
            ActionFor(Bar(), cmd::kExit)->trigger();
            QCOMPARE(Session().abortRequested, 1);
            QTest::qWait(50);
            QVERIFY(Frame()->isVisible());
        }
        QTRY_VERIFY(!Frame()->isVisible());
    }

    void viewTogglesShowTheirCheckMarks() {
        QMenu* view = MenuNamed(Bar(), "&View");
        for (int32_t id : {301, 303, 118, 119}) QVERIFY(ActionFor(Bar(), id)->isCheckable());
        QVERIFY(!ActionFor(Bar(), cmd::kMirrorImage)->isCheckable());

        ActionFor(Bar(), cmd::kFitToWindow)->trigger();
        QVERIFY(Session().fitToWindow);
        OpenAndClose(view);
        QVERIFY(ActionFor(Bar(), cmd::kFitToWindow)->isChecked());
        QVERIFY(!ActionFor(Bar(), cmd::kCentreImage)->isChecked());

        ActionFor(Bar(), cmd::kCentreImage)->trigger();  // clears fit to window
        OpenAndClose(view);
        QVERIFY(!ActionFor(Bar(), cmd::kFitToWindow)->isChecked());
        QVERIFY(ActionFor(Bar(), cmd::kCentreImage)->isChecked());

        ActionFor(Bar(), cmd::kFalseColour)->trigger();
        OpenAndClose(view);
        QVERIFY(ActionFor(Bar(), cmd::kFalseColour)->isChecked());
        // The false-colour table reached the view: level 0 is (red 0, green 0, blue 1).
        QCOMPARE(View()->DisplayImage().color(0), qRgb(0, 0, 1));
        QCOMPARE(View()->DisplayImage().color(128), qRgb(128, 64, 64));
    }

    void settingsDialogSavesOnlyWhenConfirmed() {
        const std::string ini = w->RootPath("autosave/Vexa_Q4.ini");
        auto backgroundByte = [&ini] {
            std::ifstream in(ini, std::ios::binary);
            in.seekg(11);  // field 7, the background choice
            return in.get();
        };
        // Cancel: the choice stays for the session, the file keeps the old one.
        {
            DialogAnswer<TINIDialog> answer(
                false, [](TINIDialog*) { Session().settings.backgroundChoice = 'r'; });
            ActionFor(Bar(), cmd::kSetProgramDefaults)->trigger();
            QVERIFY(answer.seen);
            QCOMPARE(answer.parent, static_cast<QWidget*>(Frame()));
        }
        QCOMPARE(backgroundByte(), int('l'));
        // Save Changes: the file is written and the new background shows at once.
        {
            DialogAnswer<TINIDialog> answer(true, [](TINIDialog*) {
                SessionState& s = Session();
                s.settings.backgroundChoice = 'g';
                s.backgroundColour = BackgroundColourFor('g');
                s.backgroundChanged = true;
            });
            ActionFor(Bar(), cmd::kSetProgramDefaults)->trigger();
            QVERIFY(answer.seen);
        }
        QCOMPARE(backgroundByte(), int('g'));
        QCOMPARE(PixelAt(View(), 1310, 10), qRgb(90, 90, 90));
        QVERIFY(w->boxes.empty());
    }

    void stretchPaletteDialogRefreshesOnOk() {
        DialogAnswer<TMaxDialog> answer(true, [](TMaxDialog* dialog) {
            dialog->BitsBar()->triggerAction(QAbstractSlider::SliderPageStepSub);  // page left: 12
            if (!dialog->AllImagesBox()->isChecked()) dialog->AllImagesBox()->click();
        });
        ActionFor(Bar(), cmd::kMaxPaletteStretch)->trigger();
        QVERIFY(answer.seen);
        QVERIFY(Session().paletteStretch);
        // 12 bits multiply levels by 16: row 40 (level 9) shows 144, row 100 (level 24) 255.
        QCOMPARE(View()->DisplayImage().color(9), qRgb(144, 144, 144));
        QCOMPARE(PixelAt(View(), 10, 40), Grey(144));
        QCOMPARE(PixelAt(View(), 10, 100), Grey(255));
    }

    void unimplementedCommandsDoNothing() {
        for (const CommandEntry& c : CommandTable()) {
            if (CommandImplemented(c.id)) continue;
            RunMenuCommand(c.id);
        }
        QVERIFY(w->boxes.empty());
        QVERIFY(Frame()->isVisible());
    }

    void mirrorImageThroughTheMenu() {
        // Columns rising left to right, so that the mirror shows.
        SessionState& s = Session();
        for (int row = 0; row < 1030; ++row) {
            for (int c = 0; c < 1300; ++c) s.currentImage[row * 1300 + c] = uint16_t(c * 50);
        }
        std::filesystem::remove(w->RootPath("VEXAQ4.bmp"));
        QMenu* view = MenuNamed(Bar(), "&View");
        view->popup(QPoint(0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTest::keyClick(view, Qt::Key_M);  // the "&Mirror Image" mnemonic
        QTRY_VERIFY(!view->isVisible());

        QCOMPARE(s.currentImage[0], uint16_t{1299 * 50});
        QCOMPARE(s.currentImage[500 * 1300 + 1299], uint16_t{0});
        QCOMPARE(s.currentImage[500 * 1300 + 1000], uint16_t{299 * 50});
        QCOMPARE(std::filesystem::file_size(w->RootPath("VEXAQ4.bmp")), uintmax_t{1340078});
        // The view shows the mirrored levels: 64,950 >> 8 = 253 at the left edge.
        QCOMPARE(View()->DisplayImage().pixelIndex(0, 0), 253);
        QCOMPARE(PixelAt(View(), 0, 0), Grey(253));
        QCOMPARE(PixelAt(View(), 1299, 0), Grey(0));
        QCOMPARE(Frame()->windowTitle(), QString("Vexa_Q4_USB - (Untitled)"));
    }

    void acceleratorsResolveToTheirCommands() {
        const QList<QPair<QKeySequence, int>> expected{
            {QKeySequence("Ctrl+Z"), 12},         {QKeySequence("Alt+X"), 24310},
            {QKeySequence("Alt+Shift+X"), 24310}, {QKeySequence("Ctrl+H"), 6},
            {QKeySequence("Ctrl+L"), 8},          {QKeySequence("Ctrl+Q"), 24336},
            {QKeySequence("Ctrl+A"), 24337},      {QKeySequence("Ctrl+K"), 21},
        };
        const QList<QShortcut*> shortcuts = Frame()->findChildren<QShortcut*>();
        QCOMPARE(shortcuts.size(), expected.size());
        for (const auto& [keys, id] : expected) {
            int found = 0;
            for (QShortcut* sc : shortcuts) {
                if (sc->key() != keys) continue;
                ++found;
                QCOMPARE(sc->property(kCommandIdProperty).toInt(), id);
                QCOMPARE(sc->context(), Qt::ApplicationShortcut);
            }
            QCOMPARE(found, 1);
        }
    }

    void acceleratorKeysRunCommands() {
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        View()->setFocus();
        QVERIFY(!Session().pickGuideStarMode);
        QTest::keyClick(View(), Qt::Key_K, Qt::ControlModifier);
        QVERIFY(Session().pickGuideStarMode);
        QTest::keyClick(View(), Qt::Key_K, Qt::ControlModifier);
        QVERIFY(!Session().pickGuideStarMode);
        // Ctrl+H: the histogram, greyed while it is not in this build, does nothing.
        QTest::keyClick(View(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(w->boxes.empty());
        QTest::keyClick(View(), Qt::Key_X, Qt::AltModifier);
        QVERIFY(!Frame()->isVisible());
    }

    void altShiftXClosesToo() {
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QTest::keyClick(Frame(), Qt::Key_X, Qt::AltModifier | Qt::ShiftModifier);
        QVERIFY(!Frame()->isVisible());
    }

    void exitThroughTheMenuClosesWithoutSaving() {
        const std::string ini = w->RootPath("autosave/Vexa_Q4.ini");
        Session().settings.guideStarMaskRadius = 13;  // changed, never saved
        const auto before = std::filesystem::last_write_time(ini);
        ActionFor(Bar(), cmd::kExit)->trigger();
        QVERIFY(!Frame()->isVisible());
        QCOMPARE(std::filesystem::last_write_time(ini), before);
        std::ifstream in(ini, std::ios::binary);
        in.seekg(7);
        QCOMPARE(in.get(), 8);  // field 5, the mask radius, still the default
    }

    void focusCentreClickShowsThePosition() {
        ActionFor(Bar(), cmd::kFocusFrameCentre)->trigger();
        QVERIFY(Session().focusCentrePickMode);
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(w->boxes.size(), size_t{1});
        QCOMPARE(w->boxes[0].caption, std::string("VEXA_Q4_USB"));
        QCOMPARE(w->boxes[0].text, std::string("x position =    67\ny position =    65"));
        QCOMPARE(Session().focusWindowX, 3);
        QCOMPARE(Session().focusWindowY, 1);
        QVERIFY(!Session().focusCentrePickMode);
    }

    void clicksAndMovesUseViewportPixels() {
        SessionState& s = Session();
        s.photometryMode = true;
        s.measureBoxHalfSize = 4;  // as the photometry command sets it
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(0, 40));
        QCOMPARE(w->boxes.size(), size_t{1});
        QCOMPARE(w->boxes[0].text, std::string("Sorry, outside Image area - try again"));
        QTest::mouseClick(View()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(0, 40));
        QCOMPARE(w->boxes.size(), size_t{2});
        QVERIFY(s.snapToStar);  // a right click snaps before it measures
        // A move over the image reads the sample under the pointer: row 200 holds 12,600.
        QTest::mouseMove(View()->viewport(), QPoint(100, 200));
        QTRY_COMPARE(s.cursorX, 100);
        QCOMPARE(s.cursorY, 200);
        QCOMPARE(s.cursorValue, 12600);
        s.photometryMode = false;
    }

    void guideStarCrossIsDrawnAndArmsTheSnap() {
        SessionState& s = Session();
        s.pickGuideStarMode = true;
        s.guideStarFound = true;
        s.guideStarX = 100;
        s.guideStarY = 200;
        s.snapToStar = false;
        s.measureBoxHalfSize = 0;
        s.backgroundLevel = -1;
        const QImage shot = View()->viewport()->grab().toImage();
        const QRgb green = qRgb(0, 255, 0);
        QCOMPARE(shot.pixel(100, 180), green);
        QCOMPARE(shot.pixel(100, 220), green);
        QCOMPARE(shot.pixel(80, 200), green);
        QCOMPARE(shot.pixel(120, 200), green);
        QCOMPARE(shot.pixel(100, 177), Grey(177 * 63 >> 8));
        QCOMPARE(shot.pixel(110, 190), Grey(190 * 63 >> 8));
        QVERIFY(s.snapToStar);
        QCOMPARE(s.measureBoxHalfSize, 8);
        // Each paint ends with a new background estimate.
        QVERIFY(s.backgroundLevel >= 0 && s.backgroundLevel <= 255);

        // Pick mode over: no cross, and the photometry box keeps its own size.
        s.pickGuideStarMode = false;
        s.measureBoxHalfSize = 4;
        s.snapToStar = false;
        const QImage after = View()->viewport()->grab().toImage();
        QCOMPARE(after.pixel(100, 180), Grey(180 * 63 >> 8));
        QCOMPARE(s.measureBoxHalfSize, 4);
        QVERIFY(!s.snapToStar);
        s.guideStarFound = false;
    }

    void backgroundChangeShowsAtTheNextErase() {
        SessionState& s = Session();
        s.backgroundColour = {90, 90, 90};
        s.backgroundChanged = true;
        View()->Repaint(false);
        QCOMPARE(PixelAt(View(), 1310, 10), kLightGrey);
        w->app->Services().RepaintView(true);
        QCOMPARE(PixelAt(View(), 1310, 10), qRgb(90, 90, 90));
        QVERIFY(!s.backgroundChanged);
    }

    void scrollingMovesThePicture() {
        Frame()->resize(600, 500);
        QTRY_COMPARE(View()->viewport()->width(), 600 - View()->verticalScrollBar()->width());
        const QSize client = View()->viewport()->size();
        QCOMPARE(View()->horizontalScrollBar()->maximum(), 1300 - client.width());
        QCOMPARE(View()->verticalScrollBar()->maximum(), 1030 - client.height());
        QCOMPARE(View()->horizontalScrollBar()->singleStep(), 1);

        View()->verticalScrollBar()->setValue(50);
        View()->horizontalScrollBar()->setValue(30);
        QCOMPARE(Session().scrollY, int16_t{50});
        QCOMPARE(Session().scrollX, int16_t{30});
        QCOMPARE(PixelAt(View(), 10, 0), Grey(50 * 63 >> 8));

        // A resize recomputes the ranges and goes back to the top-left corner.
        Frame()->resize(700, 600);
        QTRY_COMPARE(View()->verticalScrollBar()->value(), 0);
        QCOMPARE(Session().scrollY, int16_t{0});
        QCOMPARE(View()->verticalScrollBar()->maximum(), 1030 - View()->viewport()->height());

        // Fit to window: no scrolling, the whole bitmap stretched onto the client.
        ActionFor(Bar(), cmd::kFitToWindow)->trigger();
        QCOMPARE(View()->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(View()->verticalScrollBar()->maximum(), 0);
        const QImage shot = View()->viewport()->grab().toImage();
        QCOMPARE(shot.pixel(5, 0), Grey(0));
        QVERIFY(qGray(shot.pixel(5, shot.height() - 1)) >= 252);
        ActionFor(Bar(), cmd::kFitToWindow)->trigger();
    }

    void centredImageHasEqualMargins() {
        // A 128 x 128 frame shown centred in a bigger client.
        SessionState& s = Session();
        s.smallFrameDisplay = true;
        ActionFor(Bar(), cmd::kCentreImage)->trigger();
        View()->Repaint(false);
        s.pendingRefresh = true;  // as a dialog asks: the paint refreshes first
        const QImage shot = View()->viewport()->grab().toImage();
        QVERIFY(!s.pendingRefresh);
        QCOMPARE(View()->DisplayImage().size(), QSize(128, 128));
        const int left = (shot.width() - 128) / 2;
        QCOMPARE(shot.pixel(left - 1, shot.height() / 2), kLightGrey);
        QVERIFY(shot.pixel(left, shot.height() / 2) != kLightGrey);
        QVERIFY(shot.pixel(left + 127, shot.height() / 2) != kLightGrey);
        QCOMPARE(shot.pixel(left + 128, shot.height() / 2), kLightGrey);
        s.smallFrameDisplay = false;
    }
};

// A screen with room for the window at its described size.
VEXA_QTEST_MAIN_ON_SCREEN(MainWindowTest, 1920, 1200)
#include "main_window_test.moc"
