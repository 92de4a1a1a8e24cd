// The camera control dialog on the offscreen platform: its controls, each control acting on
// the session, Take Photo and Cancel, Help, and focus mode on the simulated camera with the
// window's own message pump.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/display_refresh.h"
#include "camera/camera.h"
#include "camera/camera_dialog_model.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "simulator/simulated_camera.h"
#include "simulator/sky_model.h"
#include "tests/ui/dialog_test_support.h"
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/t_cv_dialog.h"

using namespace vexa;
using test::Find;
using test::LabelTexts;

namespace {
// The window's services without a main window to show the view bitmap in; the bitmap last
// shown is written down.
class NoViewServices : public QtUiServices {
  public:
    bool LoadDisplayBitmap(const std::string& hostPath) override {
        shown = hostPath;
        return true;
    }
    std::string shown;
};

// The simulated camera found on a private drive root, with the window's services (message
// boxes written down) and display refresh installed.
struct SimulatedCameraRig {
    QTemporaryDir root;
    NoViewServices services;
    std::vector<std::string> boxes;
    SkyModel sky;
    SimulatedCamera camera{sky};
    Camera device{camera};

    SimulatedCameraRig() {
        SetDriveRoot(root.path().toStdString());
        services.SetMessageBoxHook([this](const std::string&, const std::string& text) {
            boxes.push_back(text);
            return 1;
        });
        SetUi(&services);
        InstallDisplayRefresh();
        Session().settings.showInterfaceDetails = false;
        DeviceTable table{};
        (void)device.OpenUSBdevices(table);
    }
    ~SimulatedCameraRig() { SetUi(nullptr); }
    QByteArray File(const char* name) const {
        QFile file(root.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};
}  // namespace

class TCVDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { test::QuietOffscreenWarnings(); }
    void init() {
        test::ResetSession();
        Session().seriesCount = 1;
    }

    void showsTheControls() {
        CameraDialogModel model;
        TCVDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("TQ Control Interface"));
        for (const char* radio : {"Hundredth's", "Tenth's", "Seconds", "Minutes"})
            QVERIFY2(Find<QRadioButton>(dialog, radio), radio);
        for (const char* button : {"Take Photo", "Cancel", "Help", "Start", "Stop"})
            QVERIFY2(Find<QPushButton>(dialog, button), button);
        const QStringList labels = LabelTexts(dialog);
        for (const char* label :
             {"Exposure Value", "No of Exposures", "Delay between exposures (mins)", "Stretch",
              "12 bit", "16 bit", "Max Value", "Last file no.", "Focus Window"})
            QVERIFY2(labels.contains(label), label);
        QCOMPARE(dialog.findChildren<QCheckBox*>().size(), 11);
        QVERIFY(Find<QRadioButton>(dialog, "Seconds")->isChecked());
        QCOMPARE(dialog.ExposureEdit()->text(), QString("1"));
        QCOMPARE(dialog.CountEdit()->text(), QString("1"));
        QCOMPARE(dialog.PauseEdit()->text(), QString("0"));
        QCOMPARE(dialog.StretchEdit()->text(), QString("14"));
        QCOMPARE(dialog.ExposureArrows()->maximum(), 300);
        QVERIFY(dialog.ExposureEdit()->isReadOnly());
        QCOMPARE(dialog.FocusWindow()->size(), QSize(128, 128));
    }

    void controlsActOnTheSession() {
        Session().darkFrameFileName = "c:\\dark.def";
        Session().settings.autosaveNumber = 12;
        CameraDialogModel model;
        TCVDialog dialog(model);
        QCOMPARE(dialog.DarkNameEdit()->text(), QString("c:\\dark.def"));
        QCOMPARE(dialog.LastFileEdit()->text(), QString("12"));

        Find<QRadioButton>(dialog, "Hundredth's")->click();
        QCOMPARE(Session().camera.exposureUnit, 'h');
        QCOMPARE(dialog.ExposureEdit()->text(), QString("10"));
        QCOMPARE(dialog.ExposureArrows()->maximum(), 500);

        // The down arrow raises the value, the up arrow lowers it.
        dialog.ExposureArrows()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(dialog.ExposureEdit()->text(), QString("11"));
        dialog.ExposureArrows()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        dialog.ExposureArrows()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(Session().camera.exposureValue, uint16_t{9});
        dialog.CountArrows()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(dialog.CountEdit()->text(), QString("2"));
        dialog.PauseArrows()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(dialog.PauseEdit()->text(), QString("0"));
        dialog.PauseArrows()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(Session().camera.pauseMinutes, int16_t{1});

        dialog.StretchBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(Session().paletteStretchBits, 12);
        QCOMPARE(dialog.StretchEdit()->text(), QString("12"));
        dialog.StretchBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(dialog.StretchBar()->value(), 13);

        dialog.OptionBox(CameraOption::Continuous)->click();
        QVERIFY(Session().continuousCapture);
        QVERIFY(dialog.OptionBox(CameraOption::Continuous)->isChecked());
        QCOMPARE(dialog.OptionBox(CameraOption::BinImage)->text(), QString("Bin Image 2X2"));
        dialog.OptionBox(CameraOption::BinImage)->click();
        QVERIFY(Session().camera.binImage);
    }

    void takePhotoAcceptsAndCancelRejects() {
        CameraDialogModel model;
        {
            TCVDialog dialog(model);
            test::PressLater(dialog.TakePhotoButton());
            QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        }
        {
            TCVDialog dialog(model);
            test::PressLater(Find<QPushButton>(dialog, "Cancel"));
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        }
    }

    void helpShowsTheWholeText() {
        QtUiServices services;
        std::string shown;
        services.SetMessageBoxHook([&shown](const std::string&, const std::string& text) {
            shown = text;
            return 1;
        });
        SetUi(&services);
        CameraDialogModel model;
        TCVDialog dialog(model);
        Find<QPushButton>(dialog, "Help")->click();
        SetUi(nullptr);
        QCOMPARE(shown, std::string(kCameraHelpText));
    }

    void focusModeShowsFramesUntilStop() {
        SimulatedCameraRig rig;
        CameraDialogModel model(&rig.device);
        TCVDialog dialog(model);
        dialog.show();
        Find<QRadioButton>(dialog, "Tenth's")->click();
        QTimer::singleShot(700, dialog.StopButton(), [&dialog] { dialog.StopButton()->click(); });
        dialog.StartButton()->click();  // returns when Stop has been pressed

        QVERIFY(rig.boxes.empty());
        QVERIFY(Session().camera.focusFrames >= 2);
        QVERIFY(!model.FocusRunning());
        QVERIFY(dialog.MaxValueEdit()->text().toInt() > 300);  // a star above the bias
        QCOMPARE(dialog.MaxValueEdit()->text().toStdString(), model.MaxValueText());
        bool isNumber = false;
        const double hfd = dialog.HalfFluxEdit()->text().toDouble(&isNumber);
        QVERIFY(isNumber);
        QVERIFY(hfd > 1.0 && hfd < 8.0);
        QVERIFY(!dialog.FocusWindow()->pixmap().isNull());
        QCOMPARE(dialog.FocusWindow()->pixmap().size(), QSize(128, 128));
    }

    // However focus mode ends, the image and its picture on screen are what they were before:
    // no focus frame, no brightened band in the first rows.
    void focusFramesNeverStayInTheImage() {
        for (const char* ending : {"Stop", "Cancel"}) {
            SimulatedCameraRig rig;
            SessionState& s = Session();
            for (size_t i = 0; i < s.currentImage.size(); ++i) s.currentImage[i] = uint16_t(i * 37);
            RefreshDisplay();
            const auto image = std::make_unique<Plane>(s.currentImage);
            const QByteArray picture = rig.File("VEXAQ4.bmp");
            const std::string shown = rig.services.shown;

            CameraDialogModel model(&rig.device);
            TCVDialog dialog(model);
            dialog.show();
            Find<QRadioButton>(dialog, "Tenth's")->click();
            QPushButton* end = Find<QPushButton>(dialog, ending);
            QTimer::singleShot(700, end, [end] { end->click(); });
            dialog.StartButton()->click();

            QVERIFY2(s.camera.focusFrames >= 2, ending);
            QVERIFY2(!s.smallFrameDisplay, ending);
            QVERIFY2(s.currentImage == *image, ending);
            QCOMPARE(rig.File("VEXAQ4.bmp"), picture);
            QCOMPARE(rig.services.shown, shown);
            QVERIFY(rig.boxes.empty());
        }
    }
};

QTEST_MAIN(TCVDialogTest)
#include "t_cv_dialog_test.moc"
