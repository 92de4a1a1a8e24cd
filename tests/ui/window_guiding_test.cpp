// Guiding from the window on the simulated camera and mount, driven as the user drives it: a
// photo from the camera dialog, the guide star picked with a click, Train Auto-Guiding, then
// Start Auto-Guiding until a key press ends it after 30 guide frames, with the progress window
// of every guide frame beside "Guiding Info", not over it. The pair is set up as
// `vexaq4 --simulator` sets it up, on a virtual clock so that the exposures take no real time.
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/command_dispatch.h"
#include "resources/command_table.h"
#include "session/clock.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "simulator/simulated_camera.h"
#include "simulator/simulated_pair.h"
#include "simulator/simulator_sky.h"
#include "telescope/guider.h"
#include "tests/ui/window_test_support.h"
#include "ui/main_frame.h"
#include "ui/main_window.h"
#include "ui/t_cv_dialog.h"
#include "ui/t_guide_dialog.h"
#include "ui/t_progress_dialog.h"
#include "ui/window_serial_lines.h"

using namespace vexa;
using vexa::test::RecordedBox;

namespace {

constexpr int kGuideFrames = 30;
// Real time after which a run that has not ended is stopped by the test.
constexpr int kWatchdogMs = 120000;
// Stars this close to an edge are not picked: the guide window must fit around them.
constexpr int kPickMargin = 80;

// The window's services on a virtual clock: a pump pass lets the clock move on by its idle
// wait instead of sleeping, so exposures and the pause between guide frames pass at once.
// Message boxes are written down and answered OK.
class VirtualTimeServices : public QtUiServices {
  public:
    VirtualTimeServices(VirtualClock& clock, std::vector<RecordedBox>* boxes) : clock_(clock) {
        SetMessageBoxHook([boxes](const std::string& caption, const std::string& text) {
            boxes->push_back({caption, text});
            return 1;
        });
    }
    void ProcessPendingEvents(const std::function<void()>& onAbortInput,
                              uint32_t idleWaitMs) override {
        QtUiServices::ProcessPendingEvents(onAbortInput, 0);
        clock_.Advance(idleWaitMs);
    }

  private:
    VirtualClock& clock_;
};

// The brightest sample of the current image away from its edges: the brightest star.
QPoint BrightestStar() {
    const SessionState& s = Session();
    QPoint found;
    uint16_t best = 0;
    for (int y = kPickMargin; y < s.geometry.height - kPickMargin; ++y) {
        for (int x = kPickMargin; x < s.geometry.width - kPickMargin; ++x) {
            const uint16_t sample = s.currentImage[y * s.geometry.width + x];
            if (sample > best) std::tie(best, found) = std::pair(sample, QPoint(x, y));
        }
    }
    return found;
}

}  // namespace

class WindowGuidingTest : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir root_;
    VirtualClock clock_;
    std::vector<RecordedBox> boxes_;
    std::unique_ptr<TVEXA_Q4App> app_;
    std::unique_ptr<WindowSerialLines> lines_;

    const std::string& LastBox() const { return boxes_.back().text; }
    // What the menu item does when the user chooses it.
    void Trigger(int32_t id) {
        QVERIFY(QueryCommand(id).enabled);
        QVERIFY(ExecuteCommand(id, app_->Devices()));
    }

  private slots:
    void initTestCase() {
        test::QuietOffscreenWarnings();
        test::ResetSession();
        SetDriveRoot(root_.path().toStdString());
        // As `vexaq4-cli settings --set telescopeType=l --set ignoreSmallDrift=false` leaves it.
        QCOMPARE(LoadSettings(), int16_t{0});
        Session().settings.telescopeType = TelescopeType::Lx200;
        Session().settings.ignoreSmallDrift = false;
        QCOMPARE(SaveSettings(), int16_t{0});

        app_ =
            std::make_unique<TVEXA_Q4App>(std::make_unique<VirtualTimeServices>(clock_, &boxes_));
        clock_.SetStepPerReading(1);
        SetClock(&clock_);
        lines_ = std::make_unique<WindowSerialLines>(SerialLineOptions(), true);
        QVERIFY(lines_->SetupStatus().ok());
        app_->Devices().mount = &lines_->Link();
        QVERIFY(app_->UseCamera(std::make_unique<SimulatedCamera>(SimulatorSky()), ""));
        app_->Start();
        QVERIFY(QTest::qWaitForWindowExposed(app_->Frame()));
    }
    void cleanupTestCase() {
        app_.reset();
        lines_.reset();
        SetClock(nullptr);
    }

    void trainsTheSimulatorsRatesAndHoldsTheStar() {
        bool watchdogFired = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [&] {
            watchdogFired = true;
            QTest::keyClick(app_->Frame(), Qt::Key_Escape);
        });
        watchdog.start(kWatchdogMs);

        // A one-second photo from the camera dialog, once the camera has been found.
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&answer] {
            auto* dialog = qobject_cast<TCVDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            answer.stop();
            QCOMPARE(dialog->ExposureEdit()->text(), QString("1"));
            dialog->TakePhotoButton()->click();
        });
        answer.start(10);
        Trigger(cmd::kCameraInterface);

        // Pick mode and a click on the brightest star.
        Trigger(cmd::kPickGuideStar);
        const QPoint star = BrightestStar();
        const QPoint at(star.x() - Session().scrollX, star.y() - Session().scrollY);
        QWidget* viewport = app_->View()->viewport();
        QVERIFY(viewport->rect().contains(at));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(Session().guideStarPicked, int16_t{1});
        QVERIFY((QPoint(Session().guideStarX, Session().guideStarY) - star).manhattanLength() <= 3);

        Trigger(cmd::kTrainAutoGuiding);
        int rateX = 0, rateY = 0, backlashX = 0, backlashY = 0;
        QCOMPARE(std::sscanf(LastBox().c_str(),
                             "slewx = %d, slewy = %d\nbacklashx = %d, "
                             "backlashy = %d",
                             &rateX, &rateY, &backlashX, &backlashY),
                 4);
        for (int rate : {rateX, rateY})
            QVERIFY2(std::abs(rate - kSimulatedPairPixelsPerTrainingPulse) <= 1, LastBox().c_str());
        QCOMPARE(Session().settings.raPixelsPerSecond, int16_t(rateX));
        QCOMPARE(Session().settings.decPixelsPerSecond, int16_t(rateY));

        // While guiding, the progress window of each frame and "Guiding Info" stand apart. The
        // user's key press ends the run once it has guided on 30 frames.
        int framesSeenTogether = 0;
        int framesCovered = 0;
        int lastFrameSeen = -1;
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, this, [&] {
            const QWidget* info = app_->Services().GuidingInfoDialog();
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* progress = qobject_cast<TProgressDialog*>(w);
                if (!progress || !progress->isVisible() || !info || !info->isVisible() ||
                    app_->Services().ShownGuidingInfo().frames == lastFrameSeen) {
                    continue;
                }
                lastFrameSeen = app_->Services().ShownGuidingInfo().frames;
                ++framesSeenTogether;
                if (progress->frameGeometry().intersects(info->frameGeometry())) ++framesCovered;
            }
            if (app_->Services().ShownGuidingInfo().frames < kGuideFrames) return;
            stopper.stop();
            QTest::keyClick(app_->Frame(), Qt::Key_Escape);
        });
        stopper.start(1);
        const size_t boxesBefore = boxes_.size();
        Trigger(cmd::kStartAutoGuiding);
        QVERIFY(!watchdogFired);

        const GuidingInfo info = app_->Services().ShownGuidingInfo();
        QCOMPARE(info.frames, kGuideFrames);
        QVERIFY2(info.rmsTotalPx < 1.0, std::to_string(info.rmsTotalPx).c_str());
        QCOMPARE(boxes_.size(), boxesBefore + 1);
        QCOMPARE(LastBox(), std::string("AutoGuiding Terminated"));
        QVERIFY(framesSeenTogether >= kGuideFrames - 1);
        QCOMPARE(framesCovered, 0);
    }
};

QTEST_MAIN(WindowGuidingTest)
#include "window_guiding_test.moc"
