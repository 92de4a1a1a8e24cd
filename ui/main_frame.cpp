#include "ui/main_frame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QStringList>
#include <QTimer>

#include "session/long_operation.h"
#include "session/message_pump.h"
#include "ui/command_menu.h"
#include "ui/main_window.h"
#include "app/front_end_devices.h"
#include "ui/screen_fit.h"

namespace vexa {

namespace {
constexpr const char* kIconFileName = "vexa_q4.png";
// How long to look for the window manager's decorations: 20 looks, 50 ms apart.
constexpr int kFitIntervalMs = 50;
constexpr int kFitAttempts = 20;
}  // namespace

TVEXA_Q4Frame::TVEXA_Q4Frame(QtUiServices& services, const FrontEndDevices& devices) {
    // The view's construction reads the settings and sets the title.
    view_ = new TVEXA_Q4Window(services, devices, this);
    setCentralWidget(view_);
    BuildCommandMenu(menuBar(), devices);
    setWindowIcon(LoadProgramIcon());
    const QScreen* shownOn = screen();
    opening_ = OpeningFrameGeometry(QPoint(0, 0), QSize(kFrameWidth, kFrameHeight),
                                    shownOn ? shownOn->availableGeometry() : QRect());
    move(opening_.topLeft());
    resize(opening_.size());
    fitTimer_.setInterval(kFitIntervalMs);
    connect(&fitTimer_, &QTimer::timeout, this, &TVEXA_Q4Frame::FitFrameToOpeningSize);
    SetLongOperationListener([this] { LongOperationChanged(); });
}

TVEXA_Q4Frame::~TVEXA_Q4Frame() {
    SetLongOperationListener(nullptr);
}

void TVEXA_Q4Frame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (fitStarted_) return;
    fitStarted_ = true;
    fitTimer_.start();
}

void TVEXA_Q4Frame::FitFrameToOpeningSize() {
    const QSize decorations = frameGeometry().size() - geometry().size();
    if (decorations.width() > 0 || decorations.height() > 0) {
        resize(opening_.size() - decorations);
        move(opening_.topLeft());
        fitTimer_.stop();
    } else if (++fitAttempts_ >= kFitAttempts) {
        fitTimer_.stop();  // no window manager, or one without decorations
    }
}

void TVEXA_Q4Frame::closeEvent(QCloseEvent* event) {
    if (LongOperationRunning()) {
        PerformAbort(1);
        closePending_ = true;
        event->ignore();
        return;
    }
    closePending_ = false;
    QMainWindow::closeEvent(event);
}

void TVEXA_Q4Frame::LongOperationChanged() {
    UpdateCommandStates(menuBar());
    if (closePending_ && !LongOperationRunning()) {
        // The operation's command is still unwinding: close once it has returned.
        QTimer::singleShot(0, this, [this] {
            if (closePending_ && !LongOperationRunning()) close();
        });
    }
}

QIcon LoadProgramIcon() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QStringList candidates{
        exeDir + "/" + kIconFileName,
        exeDir + "/resources/" + kIconFileName,
        exeDir + "/../resources/" + kIconFileName,
        exeDir + "/../share/vexa_q4/" + kIconFileName,
        QStringLiteral(VEXA_SOURCE_DIR) + "/resources/" + kIconFileName,
    };
    for (const QString& path : candidates) {
        if (QFile::exists(path)) {
            QIcon icon(path);
            if (!icon.isNull()) return icon;
        }
    }
    return QIcon();
}

}  // namespace vexa
