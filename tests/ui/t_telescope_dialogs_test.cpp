// The telescope dialogs on the offscreen platform, on a scripted serial line: the controls and
// captions, the arrow bars (an arrow's action starts a move, the mouse release stops it, a
// second action before the release sends nothing), the radio buttons redisplayed from the
// stored commands, GoTo from the edits, and the settings dialog's port devices.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "app/settings_dialog_model.h"
#include "session/clock.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "telescope/mount_link.h"
#include "tests/ui/dialog_test_support.h"
#include "tests/unit/support/fake_serial_line.h"
#include "ui/t_box_dialog.h"
#include "ui/t_guide_dialog.h"
#include "ui/t_ini_dialog.h"
#include "ui/t_mt_dialog.h"
#include "ui/window_serial_lines.h"

using namespace vexa;
using test::Find;

namespace {

class RecordingUi : public QuietUi {
  public:
    int MessageBox(const std::string& caption, const std::string& text) override {
        boxes.push_back(caption + ": " + text);
        return 1;
    }
    std::vector<std::string> boxes;
};

// Hands the link a line that forwards to the test's fake.
class ForwardingLine : public SerialLine {
  public:
    explicit ForwardingLine(test::FakeSerialLine& fake) : fake_(fake) {}
    Status Open(const std::string& path) override { return fake_.Open(path); }
    bool IsOpen() const override { return fake_.IsOpen(); }
    Status ApplySettings(const std::string& s) override { return fake_.ApplySettings(s); }
    Status Write(std::span<const uint8_t> bytes) override { return fake_.Write(bytes); }
    Status Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) override {
        return fake_.Read(buffer, got, timeoutMs);
    }
    Status Flush(SerialQueue queue) override { return fake_.Flush(queue); }
    Status RaiseModemLines() override { return fake_.RaiseModemLines(); }
    void Close() override { fake_.Close(); }

  private:
    test::FakeSerialLine& fake_;
};

}  // namespace

class TelescopeDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { test::QuietOffscreenWarnings(); }

    void init() {
        test::ResetSession();
        clock_.SetStepPerReading(1);
        SetClock(&clock_);
        ui_.boxes.clear();
        SetUi(&ui_);
        line_ = std::make_unique<test::FakeSerialLine>();
        link_ = std::make_unique<MountLink>(
            [this] { return std::make_unique<ForwardingLine>(*line_); });
        QVERIFY(link_->OpenLx200Line());
        line_->ClearEvents();
    }
    void cleanup() {
        link_.reset();
        SetUi(nullptr);
        SetClock(nullptr);
    }

    void showsEveryControl() {
        MoveTelescopeDialogModel model(link_->Line());
        TMTDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Vexa_Q4_USB Move Telescope"));
        for (const char* text : {"GoTo Object", "Go To ", "Mercury", "Venus", "Mars", "Jupiter",
                                 "Saturn", "Uranus", "Neptune", "Pluto", "Help", "Finished"}) {
            QVERIFY2(Find<QPushButton>(dialog, text), text);
        }
        for (const char* text : {"Slew", "Find", "Centre", "Guide", "Fast", "Slow"}) {
            QVERIFY2(Find<QRadioButton>(dialog, text), text);
        }
        for (const char* text :
             {"Messier Object", "CNGC Object", "R.A.", "Dec.", "Info from Scope"}) {
            QVERIFY2(Find<QLabel>(dialog, text), text);
        }
        QVERIFY(Find<QRadioButton>(dialog, "Slew")->isChecked());
        QVERIFY(Find<QRadioButton>(dialog, "Slow")->isChecked());
    }

    void arrowActionStartsAMoveAndTheReleaseStopsIt() {
        Session().settings.driveDirections = {'n', 's', 'w', 'e'};  // swap e/w
        MoveTelescopeDialogModel model(link_->Line());
        TMTDialog dialog(model);
        QTest::mouseClick(Find<QRadioButton>(dialog, "Find"), Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(Session().telescope.slewRateCommand, std::string("#:RM#"));
        dialog.EastWestBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        dialog.NorthSouthBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(line_->Writes(), (std::vector<std::string>{"#:RM#", "#:Mw#"}));
        QTest::mouseRelease(dialog.EastWestBar(), Qt::LeftButton);
        QCOMPARE(line_->Writes().size(), size_t{6});
        QCOMPARE(line_->Writes().back(), std::string("#:Qw#"));
        QCOMPARE(dialog.EastWestBar()->value(), 1);  // the slider stays in the middle
        QVERIFY(Find<QRadioButton>(dialog, "Find")->isChecked());
    }

    void focusBarRunsTheFocuser() {
        MoveTelescopeDialogModel model(link_->Line());
        TMTDialog dialog(model);
        QTest::mouseClick(Find<QRadioButton>(dialog, "Fast"), Qt::LeftButton, {}, QPoint(6, 6));
        dialog.FocusBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QTest::mouseRelease(dialog.FocusBar(), Qt::LeftButton);
        QCOMPARE(line_->Writes(), (std::vector<std::string>{"#:FF#", "#:F+#", "#:FQ#"}));
    }

    void gotoTakesTheEditsAndShowsTheInformation() {
        MoveTelescopeDialogModel model(link_->Line());
        TMTDialog dialog(model);
        dialog.MessierEdit()->setText("110");
        const std::string info = "M110 RA 00:40 DEC +41*41        #";
        line_->QueueReply(info + "0" + info);
        QTest::mouseClick(dialog.GotoObjectButton(), Qt::LeftButton);
        QCOMPARE(line_->Writes().front(), std::string("#:LM 0110#"));
        QCOMPARE(dialog.windowTitle(), QString("Vexa_Q4_USB Move Telescope"));
        QCOMPARE(dialog.InfoEdit()->text().toStdString(), info);

        line_->ClearEvents();
        dialog.MessierEdit()->setText("111");
        dialog.CngcEdit()->setText("7816");
        QTest::mouseClick(dialog.GotoObjectButton(), Qt::LeftButton);
        QVERIFY(line_->Writes().empty());
        QCOMPARE(ui_.boxes.back(),
                 std::string("Vexa_R4 - Control Telescope: Object out of range - try again"));

        for (QLineEdit* edit : dialog.CoordinateEdits()) edit->setText("99");
        QTest::mouseClick(dialog.GotoCoordinatesButton(), Qt::LeftButton);
        QVERIFY(ui_.boxes.back().find("Invalid Co-ordinates set.") != std::string::npos);
        // Empty fields are no R.A. 0h, Dec. 0: the same message, nothing sent.
        for (QLineEdit* edit : dialog.CoordinateEdits()) edit->clear();
        ui_.boxes.clear();
        QTest::mouseClick(dialog.GotoCoordinatesButton(), Qt::LeftButton);
        QVERIFY(line_->Writes().empty() && ui_.boxes.size() == 1 &&
                ui_.boxes[0].find("Invalid Co-ordinates set.") != std::string::npos);

        QTest::mouseClick(dialog.PlanetButton(Planet::Mars), Qt::LeftButton);
        QCOMPARE(line_->Writes().front(), std::string("#:LS 0904#"));
        QCOMPARE(dialog.windowTitle(),
                 QString("Vexa_Q4_USB Move Telescope - No reply from the telescope"));
    }

    void controlBoxDialogMovesWhileAnArrowIsHeld() {
        ControlBoxDialogModel model(link_->Line());
        TBoxDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Move Telescope"));
        for (const char* text : {"Up", "Down", "Left", "Right"})
            QVERIFY2(Find<QLabel>(dialog, text), text);
        QVERIFY(Find<QPushButton>(dialog, "Finished"));
        dialog.NorthSouthBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QTest::mouseRelease(dialog.NorthSouthBar(), Qt::LeftButton);
        QCOMPARE(line_->Writes(), (std::vector<std::string>{"\x04", "\x14", std::string(1, '\0')}));
    }

    void settingsDialogShowsThePortDevices() {
        SerialLineOptions options;
        options.com2Path = "/dev/ttyS3";
        const WindowSerialLines lines(options, false);
        SettingsDialogModel model;
        TINIDialog dialog(model);
        auto* paths = dialog.findChild<QLabel*>("commPortPaths");
        QVERIFY(paths);
        QCOMPARE(paths->text(), QString("Com1: /dev/ttyUSB0\nCom2: /dev/ttyS3"));
    }

    void guidingInfoShowsTheFrameFiguresAndTheRunsRms() {
        TGuideDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Guiding Info"));
        GuidingInfo info;
        info.x = "64.3";
        info.y = "63.0";
        info.dx = "-0.3";
        info.dy = "1.0";
        info.rmsXPx = 0.456;
        info.rmsYPx = 1.0;
        info.rmsTotalPx = 1.0990;
        info.frames = 7;
        dialog.ShowInfo(info);
        QCOMPARE(dialog.XEdit()->text(), QString("64.3"));
        QCOMPARE(dialog.YEdit()->text(), QString("63.0"));
        QCOMPARE(dialog.DxEdit()->text(), QString("-0.3"));
        QCOMPARE(dialog.DyEdit()->text(), QString("1.0"));
        QCOMPARE(dialog.RmsXEdit()->text(), QString("0.46"));
        QCOMPARE(dialog.RmsYEdit()->text(), QString("1.00"));
        QCOMPARE(dialog.RmsTotalEdit()->text(), QString("1.10"));
        QCOMPARE(dialog.FramesLabel()->text(), QString("7 frames"));
        QVERIFY(dialog.XEdit()->isReadOnly());
    }

  private:
    VirtualClock clock_;
    RecordingUi ui_;
    std::unique_ptr<test::FakeSerialLine> line_;
    std::unique_ptr<MountLink> link_;
};

QTEST_MAIN(TelescopeDialogsTest)
#include "t_telescope_dialogs_test.moc"
