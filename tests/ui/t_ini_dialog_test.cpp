// The "Set Program Defaults" dialog on the offscreen platform: its labels and group titles,
// clicks that write the session at once and redisplay every control, the slew edits taken
// only by "Set slew values" and refused with a message when a rate is out of range, the ports
// as the user knows them, the two closing buttons, and the INDI mount chosen with its server
// (kept in a file of its own, refused with a message when it cannot be reached as typed).
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "app/settings_dialog_model.h"
#include "app/ui_roles.h"
#include "session/host_paths.h"
#include "session/indi_settings.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "session/ui_services.h"
#include "simulator/simulated_mount.h"
#include "telescope/mount_link.h"
#include "tests/ui/dialog_test_support.h"
#include "ui/main_window.h"
#include "ui/qt_ui_services.h"
#include "ui/t_ini_dialog.h"
#include "ui/window_serial_lines.h"

using namespace vexa;
using test::Find;

namespace {

QGroupBox* Group(QWidget& dialog, const char* title) {
    for (QGroupBox* g : dialog.findChildren<QGroupBox*>())
        if (g->title() == QString::fromLatin1(title)) return g;
    return nullptr;
}

// The edit that a label names (labels are the edits' buddies).
QLineEdit* Edit(QWidget& dialog, const char* label) {
    QLabel* l = Find<QLabel>(dialog, label);
    return l ? qobject_cast<QLineEdit*>(l->buddy()) : nullptr;
}

// Installed while it exists; writes message boxes down.
class RecordingUi : public QuietUi {
  public:
    RecordingUi() { SetUi(this); }
    ~RecordingUi() override { SetUi(nullptr); }
    int MessageBox(const std::string& caption, const std::string& text) override {
        boxes.push_back(caption + ": " + text);
        return 1;
    }
    std::vector<std::string> boxes;
};

// Every role answered by the window's Qt services, message boxes written down, on a drive
// root of its own.
struct QtRoles {
    QTemporaryDir root;
    QtUiServices services;
    std::vector<std::string> boxes;
    QtRoles() {
        SetDriveRoot(root.path().toStdString());
        services.SetMessageBoxHook([this](const std::string& caption, const std::string& text) {
            boxes.push_back(caption + ": " + text);
            return 1;
        });
        InstallUiRoles(&services);
    }
    ~QtRoles() { RemoveUiRoles(); }
};

bool IndiFileExists() {
    return std::filesystem::exists(HostPath(kIndiSettingsPath));
}

void Click(QAbstractButton* button) {
    QVERIFY(button);
    // Near the left edge: the indicator and the start of the label, wherever the layout
    // stretches the button.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

}  // namespace

class TINIDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { test::QuietOffscreenWarnings(); }

    void init() {
        SessionState& s = Session();
        s.settings = PersistentSettings{};
        s.commPort = '1';
        s.guideTrainingSeconds = 1;
        s.backgroundColour = BackgroundColourFor('l');
        s.backgroundChanged = false;
    }

    void showsEveryControlWithItsLabel() {
        SettingsDialogModel model;
        TINIDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Set Program Defaults"));
        for (const char* title :
             {"Radius of Guide Star Mask", "Default Delay Adjustment", "Comm Port",
              "Default Guide Training Time", "Window Background", "Telescope Guiding",
              "Disable Interrupts", "Telescope Drive Direction"})
            QVERIFY2(Group(dialog, title), title);
        for (const char* radio : {"7 Pixels",
                                  "8 Pixels",
                                  "9 Pixels",
                                  "11 Pixels",
                                  "13 Pixels",
                                  "15 Pixels",
                                  "Normal",
                                  "Half",
                                  "Third",
                                  "Com1",
                                  "Com2",
                                  "1 Sec",
                                  "2 Sec",
                                  "4 Sec",
                                  "Lt Gray",
                                  "Red",
                                  "Gray",
                                  "None",
                                  "Meade LX200 (Tm)",
                                  "Via Control Box",
                                  "INDI Mount"})
            QVERIFY2(Find<QRadioButton>(dialog, radio), radio);
        for (const char* box : {"1 sec delay when focussing", "Ignore drift < 1 pixel",
                                "during Download", "Swap n/s direction", "Swap e/w direction",
                                "Unsigned Int FITs Format", "Show Interface Details"})
            QVERIFY2(Find<QCheckBox>(dialog, box), box);
        for (const char* label :
             {"RA pixels per sec", "Dec pixels per sec", "RA Backlash", "Dec Backlash",
              "Hysteresis in RA (0-10)", "Hysteresis in Dec (0-20)"})
            QVERIFY2(Edit(dialog, label), label);
        for (const char* button : {"Set slew values", "Save Changes", "Cancel"})
            QVERIFY2(Find<QPushButton>(dialog, button), button);
        QVERIFY(Find<QCheckBox>(dialog, "during Download")->parent() ==
                Group(dialog, "Disable Interrupts"));
        if (qEnvironmentVariableIsSet("VEXA_DIALOG_SHOT")) {
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.grab().save(qEnvironmentVariable("VEXA_DIALOG_SHOT"));
        }
    }

    void opensShowingTheSession() {
        Session().settings.guideStarMaskRadius = 10;  // no button: shows as 15
        Session().settings.delayAdjustment = 2;
        Session().settings.telescopeType = TelescopeType::ControlBox;
        Session().settings.driveDirections = {'s', 'n', 'e', 'w'};
        Session().settings.raBacklash = 12;
        Session().guideTrainingSeconds = 3;  // shows as 4 Sec
        Session().commPort = '9';            // neither port
        SettingsDialogModel model;
        TINIDialog dialog(model);
        QVERIFY(Find<QRadioButton>(dialog, "15 Pixels")->isChecked());
        QVERIFY(Find<QRadioButton>(dialog, "Half")->isChecked());
        QVERIFY(Find<QRadioButton>(dialog, "Via Control Box")->isChecked());
        QVERIFY(Find<QRadioButton>(dialog, "4 Sec")->isChecked());
        QVERIFY(!Find<QRadioButton>(dialog, "Com1")->isChecked());
        QVERIFY(!Find<QRadioButton>(dialog, "Com2")->isChecked());
        QVERIFY(Find<QRadioButton>(dialog, "Lt Gray")->isChecked());
        QVERIFY(Find<QCheckBox>(dialog, "Swap n/s direction")->isChecked());
        QVERIFY(!Find<QCheckBox>(dialog, "Swap e/w direction")->isChecked());
        QVERIFY(Find<QCheckBox>(dialog, "Ignore drift < 1 pixel")->isChecked());
        QVERIFY(!Find<QCheckBox>(dialog, "1 sec delay when focussing")->isChecked());
        QCOMPARE(Edit(dialog, "RA Backlash")->text(), QString("12"));
        QCOMPARE(Edit(dialog, "RA pixels per sec")->text(), QString("2"));
    }

    void clicksWriteTheSessionAtOnce() {
        SettingsDialogModel model;
        TINIDialog dialog(model);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Click(Find<QRadioButton>(dialog, "13 Pixels"));
        QCOMPARE(Session().settings.guideStarMaskRadius, int16_t(13));
        Click(Find<QRadioButton>(dialog, "Third"));
        QCOMPARE(Session().settings.delayAdjustment, int16_t(3));
        Click(Find<QRadioButton>(dialog, "Com2"));
        QCOMPARE(Session().commPort, '2');
        Click(Find<QRadioButton>(dialog, "2 Sec"));
        QCOMPARE(Session().guideTrainingSeconds, 2);
        Click(Find<QRadioButton>(dialog, "Meade LX200 (Tm)"));
        QCOMPARE(Session().settings.telescopeType, TelescopeType::Lx200);
        Click(Find<QRadioButton>(dialog, "Red"));
        QCOMPARE(Session().settings.backgroundChoice, 'r');
        QCOMPARE(Session().backgroundColour.red, int16_t(120));
        QVERIFY(Session().backgroundChanged);

        Click(Find<QCheckBox>(dialog, "1 sec delay when focussing"));
        QVERIFY(Session().settings.focusDelay);
        Click(Find<QCheckBox>(dialog, "Ignore drift < 1 pixel"));
        QVERIFY(!Session().settings.ignoreSmallDrift);
        Click(Find<QCheckBox>(dialog, "during Download"));
        QVERIFY(!Session().settings.disableInterruptsDuringDownload);
        Click(Find<QCheckBox>(dialog, "Unsigned Int FITs Format"));
        QVERIFY(Session().settings.unsignedIntFits);
        Click(Find<QCheckBox>(dialog, "Show Interface Details"));
        QVERIFY(!Session().settings.showInterfaceDetails);
        QVERIFY(!Find<QCheckBox>(dialog, "Show Interface Details")->isChecked());

        Click(Find<QCheckBox>(dialog, "Swap e/w direction"));
        QCOMPARE(Session().settings.driveDirections, (std::array<char, 4>{'n', 's', 'w', 'e'}));
        QVERIFY(Find<QCheckBox>(dialog, "Swap e/w direction")->isChecked());
        Click(Find<QCheckBox>(dialog, "Swap n/s direction"));
        QCOMPARE(Session().settings.driveDirections, (std::array<char, 4>{'s', 'n', 'w', 'e'}));
    }

    void redisplaysAfterEachChange() {
        SettingsDialogModel model;
        TINIDialog dialog(model);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // A change made behind the dialog's back shows after the next click.
        Session().settings.telescopeType = TelescopeType::ControlBox;
        Session().settings.driveDirections = {'n', 's', 'w', 'e'};
        Click(Find<QRadioButton>(dialog, "Gray"));
        QVERIFY(Find<QRadioButton>(dialog, "Via Control Box")->isChecked());
        QVERIFY(Find<QCheckBox>(dialog, "Swap e/w direction")->isChecked());
        QVERIFY(Find<QRadioButton>(dialog, "Gray")->isChecked());
        QVERIFY(!Find<QRadioButton>(dialog, "Lt Gray")->isChecked());
    }

    void slewValuesAreTakenOnlyBySetSlewValues() {
        SettingsDialogModel model;
        TINIDialog dialog(model);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit* raHysteresis = Edit(dialog, "Hysteresis in RA (0-10)");
        QLineEdit* decPixels = Edit(dialog, "Dec pixels per sec");
        raHysteresis->setText("35");
        decPixels->setText("9");
        Click(Find<QRadioButton>(dialog, "Half"));  // other clicks leave the edits alone
        QCOMPARE(Session().settings.raHysteresis, int16_t(0));
        QCOMPARE(raHysteresis->text(), QString("35"));
        Click(Find<QPushButton>(dialog, "Set slew values"));
        QCOMPARE(Session().settings.raHysteresis, int16_t(20));
        QCOMPARE(Session().settings.decPixelsPerSecond, int16_t(9));
        QCOMPARE(raHysteresis->text(), QString("20"));
        QVERIFY(dialog.isVisible());
    }

    void aRateOutOfRangeIsRefusedWithItsRangeAndNothingTaken() {
        RecordingUi ui;
        SettingsDialogModel model;
        TINIDialog dialog(model);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Edit(dialog, "RA Backlash")->setText("9");
        Edit(dialog, "Dec pixels per sec")->setText("0");
        Click(Find<QPushButton>(dialog, "Set slew values"));
        QCOMPARE(ui.boxes,
                 std::vector<std::string>{"Vexa_Q4_USB - Set Program Defaults: Dec pixels "
                                          "per sec must be a whole number from 1 to 49 - "
                                          "try again.\nNo slew value was changed."});
        QCOMPARE(Session().settings.decPixelsPerSecond, int16_t(2));
        QCOMPARE(Session().settings.raBacklash, int16_t(0));
        QCOMPARE(Edit(dialog, "Dec pixels per sec")->text(), QString("0"));
    }

    void portsServedByTheSimulatedMountAreNamedSo() {
        {
            const WindowSerialLines lines(SerialLineOptions(), true);
            QVERIFY(lines.SetupStatus().ok());
            SettingsDialogModel model;
            TINIDialog dialog(model);
            QCOMPARE(dialog.findChild<QLabel*>("commPortPaths")->text(),
                     QString("Com1: simulated mount\nCom2: simulated mount"));
            // The line still opens the mount's terminal.
            QCOMPARE(lines.Link().Ports().Path('1'), lines.Mount()->DevicePath());
        }
        SettingsDialogModel model;
        TINIDialog dialog(model);
        QCOMPARE(dialog.findChild<QLabel*>("commPortPaths")->text(),
                 QString("Com1: /dev/ttyUSB0\nCom2: /dev/ttyUSB1"));
    }

    void saveChangesAcceptsAndCancelKeepsTheChanges() {
        SettingsDialogModel model;
        {
            TINIDialog dialog(model);
            QTimer::singleShot(0, &dialog, [&] {
                Click(Find<QRadioButton>(dialog, "9 Pixels"));
                Click(Find<QPushButton>(dialog, "Save Changes"));
            });
            QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        }
        QCOMPARE(Session().settings.guideStarMaskRadius, int16_t(9));
        {
            TINIDialog dialog(model);
            QTimer::singleShot(0, &dialog, [&] {
                Click(Find<QRadioButton>(dialog, "7 Pixels"));
                Click(Find<QPushButton>(dialog, "Cancel"));
            });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        }
        QCOMPARE(Session().settings.guideStarMaskRadius, int16_t(7));
    }

    void indiServerTextsAreRefusedWithTheirReason() {
        const struct {
            IndiServerTexts typed;
            const char* refusal;  // its start; null when taken
        } cases[] = {
            {{" 127.0.0.1 ", " 7700 ", " EQMod Mount "}, nullptr},
            {{"::1", "1", ""}, nullptr},
            {{"", "7624", ""}, "INDI Host must"},
            {{"   ", "7624", ""}, "INDI Host must"},
            {{"scope pc", "7624", ""}, "INDI Host must"},
            {{"host/dev", "7624", ""}, "INDI Host must"},
            {{"host", "0", ""}, "INDI Port must"},
            {{"host", "65536", ""}, "INDI Port must"},
            {{"host", "76x4", ""}, "INDI Port must"},
            {{"host", "", ""}, "INDI Port must"},
        };
        for (const auto& c : cases) {
            SettingsDialogModel model;
            const IndiServer before = model.Indi();
            const std::string refusal = model.TakeIndiServer(c.typed);
            const std::string label = c.typed.host + "|" + c.typed.port;
            if (!c.refusal) {
                QVERIFY2(refusal.empty(), label.c_str());
                continue;
            }
            QVERIFY2(refusal.starts_with(c.refusal), (label + ": " + refusal).c_str());
            QVERIFY2(refusal.ends_with("Nothing was saved."), refusal.c_str());
            QVERIFY2(model.Indi() == before, label.c_str());
        }
        SettingsDialogModel model;
        QVERIFY(model.TakeIndiServer({" 127.0.0.1 ", " 7700 ", " EQMod Mount "}).empty());
        QCOMPARE(model.Indi(), (IndiServer{"127.0.0.1", 7700, "EQMod Mount"}));
    }

    // "INDI Mount" chosen and saved through "Set Program Defaults": the comm port greyed while
    // it is chosen, a bad port and then an empty host refused with the dialog left open and no
    // file written, then the server taken: the type's letter in the settings file (its size
    // unchanged) and the server in a file of its own, shown again when the dialog reopens.
    void indiMountIsSavedWithItsServer() {
        QtRoles roles;
        QVERIFY(!IndiFileExists());
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TINIDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QLineEdit* host = Edit(*dialog, "Host");
            QLineEdit* port = Edit(*dialog, "Port");
            QLineEdit* device = Edit(*dialog, "Device");
            QVERIFY(host && port && device);
            QCOMPARE(host->text(), QString("localhost"));
            QCOMPARE(port->text(), QString("7624"));
            QVERIFY(!host->isEnabled());
            QVERIFY(Find<QRadioButton>(*dialog, "Com1")->isEnabled());
            Click(Find<QRadioButton>(*dialog, "INDI Mount"));
            QCOMPARE(Session().settings.telescopeType, TelescopeType::Indi);
            QVERIFY(host->isEnabled() && port->isEnabled() && device->isEnabled());
            QVERIFY(!Find<QRadioButton>(*dialog, "Com1")->isEnabled());
            QVERIFY(!Find<QRadioButton>(*dialog, "Com2")->isEnabled());

            host->setText("127.0.0.1");
            port->setText("70000");
            Click(Find<QPushButton>(*dialog, "Save Changes"));
            host->setText("");
            port->setText("7700");
            Click(Find<QPushButton>(*dialog, "Save Changes"));
            QVERIFY(dialog->isVisible());
            QVERIFY(!IndiFileExists());
            QCOMPARE(port->text(), QString("7700"));  // left as typed, to be put right

            host->setText("127.0.0.1");
            device->setText("EQMod Mount");
            Click(Find<QPushButton>(*dialog, "Save Changes"));
            answered = true;
        });
        CmdSetProgramDefaults();
        QVERIFY(answered);
        QCOMPARE(roles.boxes.size(), size_t{2});
        QVERIFY2(roles.boxes[0].find("INDI Port must be a whole number from 1 to 65535") !=
                     std::string::npos,
                 roles.boxes[0].c_str());
        QVERIFY2(roles.boxes[1].find("INDI Host must") != std::string::npos,
                 roles.boxes[1].c_str());

        IndiServer saved;
        QVERIFY(LoadIndiSettings(saved));
        QCOMPARE(saved, (IndiServer{"127.0.0.1", 7700, "EQMod Mount"}));
        QCOMPARE(std::filesystem::file_size(HostPath(kSettingsPath)),
                 uintmax_t(kSettingsFileBytes));
        Session().settings.telescopeType = TelescopeType::None;
        QCOMPARE(LoadSettings(), int16_t{0});
        QCOMPARE(Session().settings.telescopeType, TelescopeType::Indi);

        // Reopened: the saved server shows; Cancel writes nothing.
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TINIDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(Edit(*dialog, "Port")->text(), QString("7700"));
            QCOMPARE(Edit(*dialog, "Device")->text(), QString("EQMod Mount"));
            Edit(*dialog, "Port")->setText("7701");
            Click(Find<QPushButton>(*dialog, "Cancel"));
        });
        CmdSetProgramDefaults();
        QVERIFY(LoadIndiSettings(saved));
        QCOMPARE(saved.port, uint16_t{7700});
    }
};

QTEST_MAIN(TINIDialogTest)
#include "t_ini_dialog_test.moc"
