// The window steering a mount on an INDI server with its own commands, as the user does it:
// "INDI Mount" chosen in "Set Program Defaults" with the server of INDI's telescope simulator
// (its own indiserver on a free port), then the Telescope Control dialog's GoTo of M42, after
// which the server's co-ordinates of the date are M42's precessed to now; a server saved later
// is the one the next command reaches. Skipped when indiserver and the simulator are not
// installed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_dispatch.h"
#include "resources/command_table.h"
#include "session/session_state.h"
#include "telescope/mount_link.h"
#include "tests/ui/window_test_support.h"
#include "ui/main_window.h"
#include "ui/t_ini_dialog.h"
#include "ui/t_mt_dialog.h"
#include "ui/window_serial_lines.h"

using namespace vexa;
using vexa::test::Find;
using vexa::test::RecordedBox;

namespace {

constexpr const char* kDevice = "Telescope Simulator";
constexpr int kServerStartMs = 10000;
// How far from M42 of the date the server's co-ordinates may be.
constexpr double kMostArcminutesOff = 3.0;

// A port nothing listens on now.
uint16_t FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    uint16_t port = 0;
    if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    if (s >= 0) close(s);
    return port;
}

// indi_getprop's value of DEVICE.PROPERTY.ELEMENT on the server at port.
std::optional<QString> Property(uint16_t port, const QString& name) {
    QProcess get;
    get.start("indi_getprop", {"-1", "-p", QString::number(port), "-t", "2", name});
    if (!get.waitForFinished(10000) || get.exitCode() != 0) return std::nullopt;
    return QString::fromLatin1(get.readAllStandardOutput()).trimmed();
}

// Arcminutes between (raHours, decDegrees) of the date and M42 (J2000 05h35m17.3s
// -05d23'28") precessed to now with the IAU 1976 angles.
double ArcminutesFromM42Now(double raHours, double decDegrees) {
    const double radian = M_PI / 180, arcsecond = radian / 3600;
    const double a = 5.5881 * 15 * radian, d = -5.3911 * radian;
    const double t = (std::time(nullptr) / 86400.0 + 2440587.5 - 2451545.0) / 36525;
    const double zeta = (2306.2181 * t + 0.30188 * t * t) * arcsecond;
    const double z = (2306.2181 * t + 1.09468 * t * t) * arcsecond;
    const double theta = (2004.3109 * t - 0.42665 * t * t) * arcsecond;
    const double A = std::cos(d) * std::sin(a + zeta);
    const double B =
        std::cos(theta) * std::cos(d) * std::cos(a + zeta) - std::sin(theta) * std::sin(d);
    const double C =
        std::sin(theta) * std::cos(d) * std::cos(a + zeta) + std::cos(theta) * std::sin(d);
    const double raNow = std::fmod((std::atan2(A, B) + z) / radian / 15 + 24, 24);
    const double decNow = std::asin(C) / radian;
    double raApart = std::fabs(raHours - raNow);
    raApart = std::min(raApart, 24 - raApart) * 15 * std::cos(decNow * radian);
    return std::hypot(raApart, decDegrees - decNow) * 60;
}

}  // namespace

class WindowIndiMountTest : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir work_;
    QProcess server_;
    uint16_t port_ = 0;
    std::vector<RecordedBox> boxes_;
    std::unique_ptr<WindowSerialLines> lines_;
    std::unique_ptr<TVEXA_Q4App> app_;

    QString BoxTexts() const {
        QStringList texts;
        for (const RecordedBox& box : boxes_) texts << QString::fromStdString(box.text);
        return texts.join(" | ");
    }
    // What the menu item does when the user chooses it; answer runs on the dialog it opens.
    template <typename Dialog>
    void Trigger(int32_t id, const std::function<void(Dialog&)>& answer) {
        bool answered = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            poll.stop();  // the answer may pump messages: it runs once
            answer(*dialog);
            answered = true;
        });
        poll.start(10);
        QVERIFY(QueryCommand(id, &lines_->Link()).enabled);
        QVERIFY(ExecuteCommand(id, app_->Devices()));
        QVERIFY2(answered, qPrintable(BoxTexts()));
    }

  private slots:
    void initTestCase() {
        test::QuietOffscreenWarnings();
        for (const char* program : {"indiserver", "indi_simulator_telescope", "indi_getprop"}) {
            if (QStandardPaths::findExecutable(program).isEmpty())
                QSKIP("indiserver is not installed (scripts/install-deps installs indi-bin)");
        }
        port_ = FreePort();
        QVERIFY(port_ != 0);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("INDICONFIG", work_.filePath("indi-config.xml"));
        server_.setProcessEnvironment(environment);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start("indiserver", {"-v", "-r", "0", "-p", QString::number(port_), "-u",
                                     work_.filePath("indi.sock"), "indi_simulator_telescope"});
        QVERIFY(server_.waitForStarted());
        QVERIFY2(
            QTest::qWaitFor(
                [this] {
                    return Property(port_, QString(kDevice) + ".CONNECTION.CONNECT").has_value();
                },
                kServerStartMs),
            server_.readAll().constData());

        test::ResetSession();
        SetDriveRoot(work_.filePath("root").toStdString());
        app_ = std::make_unique<TVEXA_Q4App>(std::make_unique<test::RecordingUiServices>(&boxes_));
        lines_ = std::make_unique<WindowSerialLines>(SerialLineOptions(), false);
        app_->Devices().mount = &lines_->Link();
        app_->Start();
        QVERIFY(QTest::qWaitForWindowExposed(app_->Frame()));
    }
    void cleanupTestCase() {
        app_.reset();
        lines_.reset();
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(5000)) server_.kill();
            server_.waitForFinished(5000);
        }
    }

    void gotoFromTheTelescopeDialogPointsTheServersMount() {
        Trigger<TINIDialog>(cmd::kSetProgramDefaults, [this](TINIDialog& dialog) {
            Find<QRadioButton>(dialog, "INDI Mount")->click();
            for (const auto& [label, text] :
                 {std::pair("Host", QString("127.0.0.1")), {"Port", QString::number(port_)}}) {
                QLabel* edit = Find<QLabel>(dialog, label);
                QVERIFY(edit);
                qobject_cast<QLineEdit*>(edit->buddy())->setText(text);
            }
            Find<QPushButton>(dialog, "Save Changes")->click();
        });
        QCOMPARE(Session().settings.telescopeType, TelescopeType::Indi);

        // The dialog opens once the server's mount is connected; GoTo returns when it is there.
        Trigger<TMTDialog>(cmd::kTelescopeControl, [](TMTDialog& dialog) {
            dialog.MessierEdit()->setText("42");
            dialog.GotoObjectButton()->click();
            Find<QPushButton>(dialog, "Finished")->click();
        });
        QVERIFY2(boxes_.empty(), qPrintable(BoxTexts()));
        QVERIFY(lines_->Link().Connected());

        const std::optional<QString> ra =
            Property(port_, QString(kDevice) + ".EQUATORIAL_EOD_COORD.RA");
        const std::optional<QString> dec =
            Property(port_, QString(kDevice) + ".EQUATORIAL_EOD_COORD.DEC");
        QVERIFY(ra && dec);
        const double apart = ArcminutesFromM42Now(ra->toDouble(), dec->toDouble());
        QVERIFY2(
            apart < kMostArcminutesOff,
            qPrintable(
                QString("the mount is at RA %1 Dec %2, %3' from M42").arg(*ra, *dec).arg(apart)));
    }

    // Another server saved while the first is still connected: the next telescope command
    // goes to the new one (here nobody answers: the message with its reason, no dialog).
    void aServerSavedLaterIsTheOneTheNextCommandReaches() {
        const uint16_t nobody = FreePort();
        Trigger<TINIDialog>(cmd::kSetProgramDefaults, [nobody](TINIDialog& dialog) {
            qobject_cast<QLineEdit*>(Find<QLabel>(dialog, "Port")->buddy())
                ->setText(QString::number(nobody));
            Find<QPushButton>(dialog, "Save Changes")->click();
        });
        boxes_.clear();
        bool dialogOpened = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&dialogOpened] {
            if (auto* dialog = qobject_cast<TMTDialog*>(QApplication::activeModalWidget())) {
                dialogOpened = true;
                dialog->reject();
            }
        });
        poll.start(10);
        QVERIFY(ExecuteCommand(cmd::kTelescopeControl, app_->Devices()));
        QVERIFY(!dialogOpened);
        QCOMPARE(boxes_.size(), size_t{1});
        QVERIFY2(boxes_[0].text.starts_with("Sorry. No Connection to Telescope") &&
                     boxes_[0].text.find(std::to_string(nobody)) != std::string::npos,
                 boxes_[0].text.c_str());
    }
};

QTEST_MAIN(WindowIndiMountTest)
#include "window_indi_mount_test.moc"
