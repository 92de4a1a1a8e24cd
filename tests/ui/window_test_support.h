// Shared set-up for the window's QtTest executables: a fresh session record, a private drive
// root, and Qt services that record message boxes instead of showing them modally.
#pragma once

#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>
#include <memory>
#include <string>
#include <vector>

#include "session/host_paths.h"
#include "session/session_state.h"
#include "tests/ui/dialog_test_support.h"
#include "ui/main_frame.h"
#include "ui/qt_ui_services.h"
#include "ui/vexa_app.h"

namespace vexa::test {

struct RecordedBox {
    std::string caption;
    std::string text;
};

// Qt services whose message boxes are written down and answered OK at once.
class RecordingUiServices : public QtUiServices {
  public:
    explicit RecordingUiServices(std::vector<RecordedBox>* boxes) {
        SetMessageBoxHook([boxes](const std::string& caption, const std::string& text) {
            boxes->push_back({caption, text});
            return 1;
        });
    }
};

// A started program on its own empty drive root.
struct StartedWindow {
    QTemporaryDir rootDir;
    std::vector<RecordedBox> boxes;
    std::unique_ptr<TVEXA_Q4App> app;

    // root overrides the temporary folder (e.g. a root that cannot be created).
    explicit StartedWindow(const std::string& root = std::string()) {
        ResetSession();
        SetDriveRoot(root.empty() ? rootDir.path().toStdString() : root);
        app = std::make_unique<TVEXA_Q4App>(std::make_unique<RecordingUiServices>(&boxes));
        app->Start();
    }
    // The frame shrinks its client once the decorations are known; wait for that, so that
    // no resize comes in the middle of a test.
    bool WaitForOpeningSize() const {
        return QTest::qWaitFor(
            [this] { return app->Frame()->frameGeometry() == app->Frame()->OpeningGeometry(); });
    }
    std::string RootPath(const std::string& name) const {
        return rootDir.path().toStdString() + "/" + name;
    }
};

}  // namespace vexa::test
