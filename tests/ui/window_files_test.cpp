// The window's file commands as a user meets them on Linux: names shown and offered as they
// are on disk, a refused file that leaves the title alone, choosers titled for their command,
// and the file list wide enough for each file's name, size and date.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/command_dispatch.h"
#include "files/fits_file.h"
#include "resources/command_table.h"
#include "tests/ui/screen_test_support.h"
#include "tests/ui/window_test_support.h"
#include "ui/main_window.h"

using namespace vexa;
using vexa::test::StartedWindow;

namespace {

constexpr qint64 kHalfTqBytes = 669500;

// Runs act on the next modal file dialog once it is up; act must close it.
void AnswerFileDialog(std::function<void(QFileDialog*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

void Choose(QFileDialog* dialog, const QString& name) {
    // Typed into the name box, as a user does (selectFile leaves a focused box alone), with
    // no file left selected in the list, which would win over the typed name.
    for (QAbstractItemView* list : dialog->findChildren<QAbstractItemView*>()) {
        if (list->selectionModel()) list->selectionModel()->clearSelection();
    }
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
}

void MakeFile(const QString& path, qint64 bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(bytes));
}

}  // namespace

class WindowFilesTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<StartedWindow> w;
    QTemporaryDir folder;

    QString Title() const { return w->app->Frame()->windowTitle(); }
    QString PathOf(const char* name) const { return folder.filePath(name); }

    // Choose name in the Open dialog.
    void Open(const char* name) {
        AnswerFileDialog([name](QFileDialog* d) { Choose(d, name); });
        QVERIFY(ExecuteCommand(cmd::kOpen));
    }

  private slots:
    void initTestCase() { vexa::test::QuietOffscreenWarnings(); }
    void init() {
        w = std::make_unique<StartedWindow>();
        QVERIFY(QTest::qWaitForWindowExposed(w->app->Frame()));
        Session().fileDialogFolder = folder.path().toStdString();
    }
    void cleanup() { w.reset(); }

    void namesAreShownAndOfferedAsOnDisk() {
        MakeFile(PathOf("stars.tq"), kHalfTqBytes);
        QVERIFY(WriteFitsFile(PathOf("m42.FIT").toStdString(), Session().currentImage, false));
        for (const char* name : {"stars.tq", "m42.FIT"}) {
            Open(name);
            QCOMPARE(Title(), QString("Vexa_Q4_USB - ") + name);
            // The next Open offers that name, and it can be opened as it stands.
            QString offered;
            bool openEnabled = false;
            AnswerFileDialog([&](QFileDialog* d) {
                offered = d->findChild<QLineEdit*>("fileNameEdit")->text();
                const auto* buttons = d->findChild<QDialogButtonBox*>("buttonBox");
                openEnabled = buttons->button(QDialogButtonBox::Open)->isEnabled();
                d->reject();
            });
            QVERIFY(ExecuteCommand(cmd::kOpen));
            QCOMPARE(offered, QString(name));
            QVERIFY(openEnabled);
        }
        QVERIFY(w->boxes.empty());
    }

    void refusedFileKeepsTheTitleOfTheImageShown() {
        MakeFile(PathOf("stars.tq"), kHalfTqBytes);
        MakeFile(PathOf("notes.txt"), 3);
        Open("stars.tq");
        Open("notes.txt");
        QCOMPARE(w->boxes.size(), size_t{1});
        QCOMPARE(w->boxes[0].text,
                 std::string("You didn't choose a valid TQ or suitable FITs File"));
        QCOMPARE(Title(), QString("Vexa_Q4_USB - stars.tq"));
    }

    void choosersAreTitledForTheirCommand() {
        const std::pair<int32_t, QString> choosers[] = {
            {cmd::kDeleteFile, "Delete File"},
            {cmd::kSelectDarkFrame, "Select Dark Frame"},
            {cmd::kSelectFlatField, "Select Flatfield File"},
            {cmd::kSubtractDark, "Subtract Image (Dark Frame)"},
            {cmd::kFlatField, "Apply Flat Field"},
        };
        for (const auto& [id, title] : choosers) {
            QString shown;
            AnswerFileDialog([&shown](QFileDialog* d) {
                shown = d->windowTitle();
                d->reject();
            });
            QVERIFY(ExecuteCommand(id));
            QCOMPARE(shown, title);
        }
    }

    void fileListShowsNameSizeAndDateWhole() {
        MakeFile(PathOf("IMG65530.FIT"), 2686160);
        bool listed = false;
        bool whole = false;
        AnswerFileDialog([&](QFileDialog* d) {
            auto* list = d->findChild<QTreeView*>("treeView");
            listed = list && list->isVisible() && QTest::qWaitFor([list] {
                         return list->model()->rowCount(list->rootIndex()) > 0;
                     });
            if (listed) {
                // Once laid out, every column is at least as wide as what it shows.
                const QAbstractItemView* view = list;  // where the width hint is public
                whole = QTest::qWaitFor([list, view] {
                    for (int column = 0; column < list->header()->count(); ++column) {
                        if (list->header()->isSectionHidden(column)) continue;
                        if (list->header()->sectionSize(column) < view->sizeHintForColumn(column))
                            return false;
                    }
                    return true;
                });
            }
            d->reject();
        });
        QVERIFY(ExecuteCommand(cmd::kOpen));
        QVERIFY(listed);
        QVERIFY(whole);
    }
};

VEXA_QTEST_MAIN_ON_SCREEN(WindowFilesTest, 1920, 1200)
#include "window_files_test.moc"
