// The File menu's dialogs on the offscreen platform: "FITS DETAILS" driving its model (edits
// cut to their limits, the UT bar's arrows and clamps, the format boxes acting at once), the
// filter conversion, Qt's file dialog opened and answered as a user would, and the delete
// dialog.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/ui_roles.h"
#include "files/fits_details_model.h"
#include "files/fits_file.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "tests/ui/dialog_test_support.h"
#include "tests/unit/support/fake_ui.h"
#include "ui/file_dialogs.h"
#include "ui/t_delete_dialog.h"
#include "ui/t_fits_dialog.h"

using namespace vexa;
using test::LabelTexts;
using test::PressLater;

namespace {

// Answer the next modal widget of type T once it is up.
template <typename T>
void AnswerModal(std::function<void(T*)> answer) {
    QTimer::singleShot(0, [answer] {
        QTRY_VERIFY(qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr);
        answer(qobject_cast<T*>(QApplication::activeModalWidget()));
    });
}

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// Press OK as the user would (QFileDialog's accept is not public).
void Accept(QFileDialog* dialog) {
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
}

// The names the dialog lists in its folder now (the folder is read in the background).
QStringList ListedNames(QFileDialog& dialog) {
    auto* view = dialog.findChild<QListView*>("listView");
    QStringList names;
    if (!view) return names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        names << view->model()->index(row, 0, root).data().toString();
    }
    names.sort();
    return names;
}

}  // namespace

class TFileDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        test::ResetSession();
        ui_ = std::make_unique<test::FakeUi>();
        InstallUiRoles(ui_.get());
    }
    void cleanup() { RemoveUiRoles(); }

    void fitsDialogShowsTheSessionDetails() {
        SessionState& s = Session();
        s.settings.fitsObject = "M42";
        s.settings.fitsHistory = "dark subtracted";
        s.settings.focalLengthInches = 80;
        s.settings.hoursToUT = -5;
        s.settings.unsignedIntFits = false;
        s.eightBitFits = true;
        FitsDetailsDialogModel model;
        TFITSDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("FITS DETAILS"));
        QCOMPARE(dialog.ContinueButton()->text(), QString("Continue"));
        QCOMPARE(dialog.AbortButton()->text(), QString("Abort"));
        const QStringList labels = LabelTexts(dialog);
        for (const char* label :
             {"Object:", "Observer:", "Origin:", "Telescope:", "Instrumentation:", "History:",
              "Comments:", "Date:", "Time:", "Focal Len (ins):", "Aperture (Sq. ins):",
              "Exposure (secs):", "Filter:", "Time Difference to UT in Hrs:"}) {
            QVERIFY2(labels.contains(label), label);
        }
        QCOMPARE(dialog.LineEdit(fitsdlg::kObject)->text(), QString("M42"));
        QCOMPARE(dialog.LineEdit(fitsdlg::kInstrument)->text(), QString("Corvane CCD"));
        QCOMPARE(dialog.LineEdit(fitsdlg::kFilter)->text(), QString("None"));
        QCOMPARE(dialog.LineEdit(fitsdlg::kFocalLength)->text(), QString("80.000000"));
        QCOMPARE(dialog.TextEdit(fitsdlg::kHistory)->toPlainText(), QString("dark subtracted"));
        QVERIFY(dialog.TextEdit(fitsdlg::kComments) != nullptr);
        QVERIFY(dialog.LineEdit(fitsdlg::kHistory) == nullptr);
        QCOMPARE(dialog.LineEdit(fitsdlg::kObject)->maxLength(), 67);
        QCOMPARE(dialog.LineEdit(fitsdlg::kDate)->maxLength(), 8);
        QCOMPARE(dialog.LineEdit(fitsdlg::kTime)->maxLength(), 11);
        QCOMPARE(dialog.LineEdit(fitsdlg::kExposure)->maxLength(), 19);
        QCOMPARE(dialog.UtBar()->minimum(), -11);
        QCOMPARE(dialog.UtBar()->maximum(), 11);
        QCOMPARE(dialog.UtBar()->value(), -5);
        QCOMPARE(dialog.UtEdit()->text(), QString("-5"));
        QVERIFY(dialog.UtEdit()->isReadOnly());
        QCOMPARE(dialog.EightBitBox()->text(), QString("8 bit integer (16 bit default)"));
        QCOMPARE(dialog.UnsignedBox()->text(), QString("Unsigned Integer Format"));
        QVERIFY(dialog.EightBitBox()->isChecked());
        QVERIFY(!dialog.UnsignedBox()->isChecked());
    }

    void fitsDialogTakesTypingAfterTextsReadFromFiles() {
        QTemporaryDir root;
        SetDriveRoot(root.path().toStdString());
        SessionState& s = Session();
        // The history through a FITS file, the comments through the settings file: both come
        // back padded with blanks to 255 characters.
        s.settings.fitsHistory = "Seen";
        const std::string fits = root.filePath("m42.FIT").toStdString();
        QVERIFY(WriteFitsFile(fits, s.currentImage, false));
        QCOMPARE(ReadFitsFileFrom(fits, s.currentImage), FitsReadResult::Ok);
        s.settings.fitsComment = "Clear";
        QDir(root.path()).mkdir("autosave");
        QCOMPARE(SaveSettings(), int16_t{0});
        const std::string history = s.settings.fitsHistory;
        QCOMPARE(LoadSettings(), int16_t{0});
        s.settings.fitsHistory = history;
        QCOMPARE(s.settings.fitsHistory.size(), size_t{255});
        QCOMPARE(s.settings.fitsComment.size(), size_t{255});

        FitsDetailsDialogModel model;
        TFITSDialog dialog(model);
        QPlainTextEdit* historyBox = dialog.TextEdit(fitsdlg::kHistory);
        QPlainTextEdit* commentBox = dialog.TextEdit(fitsdlg::kComments);
        QCOMPARE(historyBox->toPlainText(), QString("Seen"));
        QCOMPARE(commentBox->toPlainText(), QString("Clear"));
        QCOMPARE(dialog.TextCounter(fitsdlg::kHistory)->text(), QString("4 of 254 characters"));
        for (QPlainTextEdit* box : {historyBox, commentBox}) {
            box->moveCursor(QTextCursor::End);
            QTest::keyClicks(box, " twice");
        }
        QCOMPARE(historyBox->toPlainText(), QString("Seen twice"));
        QCOMPARE(dialog.TextCounter(fitsdlg::kComments)->text(), QString("11 of 254 characters"));
        model.Continue();
        QCOMPARE(s.settings.fitsHistory, std::string("Seen twice"));
        QCOMPARE(s.settings.fitsComment, std::string("Clear twice"));
    }

    void fitsDialogStoredHoursOutsideTheBarShowAsZero() {
        Session().settings.hoursToUT = 12;
        FitsDetailsDialogModel model;
        TFITSDialog dialog(model);
        QCOMPARE(dialog.UtBar()->value(), 0);
        QCOMPARE(dialog.UtEdit()->text(), QString("0"));
    }

    void fitsDialogTypingIsCutToEachLimitAndContinueAppliesIt() {
        FitsDetailsDialogModel model;
        TFITSDialog dialog(model);
        QLineEdit* object = dialog.LineEdit(fitsdlg::kObject);
        object->clear();
        QTest::keyClicks(object, QString(70, u'a'));
        QCOMPARE(object->text().size(), 67);
        QCOMPARE(model.Edit(fitsdlg::kObject), std::string(67, 'a'));
        QLineEdit* date = dialog.LineEdit(fitsdlg::kDate);
        QTest::keyClicks(date, "01/02/2024");
        QCOMPARE(model.Edit(fitsdlg::kDate), std::string("01/02/20"));
        QLineEdit* focal = dialog.LineEdit(fitsdlg::kFocalLength);
        focal->clear();
        QTest::keyClicks(focal, "12.5");
        QPlainTextEdit* history = dialog.TextEdit(fitsdlg::kHistory);
        QTest::keyClicks(history, QString(260, u'h'));
        QCOMPARE(history->toPlainText().size(), 254);
        QCOMPARE(model.Edit(fitsdlg::kHistory), std::string(254, 'h'));
        // Nothing reaches the session before Continue.
        QVERIFY(Session().settings.fitsObject.empty());

        PressLater(dialog.ContinueButton());
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        model.Continue();
        QCOMPARE(Session().settings.fitsObject, std::string(67, 'a'));
        QCOMPARE(Session().fitsDate, std::string("01/02/20"));
        QCOMPARE(Session().settings.focalLengthInches, 12.5);
        QCOMPARE(Session().settings.fitsHistory, std::string(254, 'h'));
    }

    void fitsDialogKeepsTextsWithinTheirLimitInStoredCharacters() {
        FitsDetailsDialogModel model;
        TFITSDialog dialog(model);
        QLineEdit* date = dialog.LineEdit(fitsdlg::kDate);
        // Two-byte characters: eight bytes hold four of them, never half of one.
        date->setText(QString::fromUtf8("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"));
        QCOMPARE(model.Edit(fitsdlg::kDate).size(), size_t(8));
        QCOMPARE(date->text().size(), 4);
    }

    void fitsDialogBarMovesByArrowsOnlyAndClampsAtEleven() {
        Session().settings.hoursToUT = 10;
        FitsDetailsDialogModel model;
        TFITSDialog dialog(model);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QScrollBar* bar = dialog.UtBar();
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(model.UtHours(), 11);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(model.UtHours(), 11);
        QCOMPARE(bar->value(), 11);
        QCOMPARE(dialog.UtEdit()->text(), QString("11"));
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(model.UtHours(), 11);
        QTest::keyClick(bar, Qt::Key_PageDown);
        QTest::keyClick(bar, Qt::Key_Home);
        QCOMPARE(model.UtHours(), 11);
        QCOMPARE(bar->value(), 11);
        bar->setSliderPosition(-3);  // dragging the thumb
        QCOMPARE(model.UtHours(), 11);
        QCOMPARE(bar->value(), 11);
        // The left arrow button, clicked with the mouse.
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(2, bar->height() / 2));
        QCOMPARE(model.UtHours(), 10);
        QCOMPARE(dialog.UtEdit()->text(), QString("10"));
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
        QCOMPARE(model.UtHours(), 10);  // a click on the track pages: nothing moves
        for (int i = 0; i < 25; ++i) bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(model.UtHours(), -11);
        QCOMPARE(bar->value(), -11);
        QCOMPARE(dialog.UtEdit()->text(), QString("-11"));
        // The value is the dialog's until Continue.
        QCOMPARE(int(Session().settings.hoursToUT), 10);
        model.Continue();
        QCOMPARE(int(Session().settings.hoursToUT), -11);
    }

    void fitsDialogCheckBoxesActAtOnceAndSurviveAbort() {
        Session().settings.unsignedIntFits = true;
        Session().eightBitFits = false;
        FitsDetailsDialogModel model;
        TFITSDialog dialog(model);
        dialog.LineEdit(fitsdlg::kObject)->setText("changed");
        dialog.UnsignedBox()->click();
        QVERIFY(!Session().settings.unsignedIntFits);
        QVERIFY(!dialog.UnsignedBox()->isChecked());
        dialog.EightBitBox()->click();
        QVERIFY(Session().eightBitFits);
        dialog.EightBitBox()->click();
        QVERIFY(!Session().eightBitFits);
        dialog.UnsignedBox()->click();
        dialog.UnsignedBox()->click();
        QVERIFY(!Session().settings.unsignedIntFits);

        PressLater(dialog.AbortButton());
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        model.Abort();
        QVERIFY(!Session().settings.unsignedIntFits);
        QVERIFY(Session().settings.fitsObject.empty());
    }

    void fitsDialogShowsTheFlagsAfreshFromTheSession() {
        FitsDetailsDialogModel model;
        TFITSDialog dialog(model);
        QVERIFY(!dialog.EightBitBox()->isChecked());
        Session().eightBitFits = true;  // changed behind the dialog's back
        dialog.show();
        QVERIFY(dialog.EightBitBox()->isChecked());
        dialog.hide();
    }

    void filterTextBecomesQtFiltersWithLiteralPatterns() {
        QCOMPARE(
            QtNameFilters(kOpenFilter),
            QStringList({"Corvane (~*.) (~*.* ~*)", "FITS files (*.FIT)", "All Files (*.* *)"}));
        QCOMPARE(QtNameFilters(kSaveTiffFilter),
                 QStringList({"Tiff file (*.TIF) (*.TIF)", "All Files(*.*) (*.* *)"}));
        QCOMPARE(QtNameFilters("Pictures|*.FIT;*.TIF|Dangling|"),
                 QStringList({"Pictures (*.FIT *.TIF)"}));
        QVERIFY(QtNameFilters("").isEmpty());
    }

    void fileDialogListsByTheProgramsPatterns() {
        QTemporaryDir dir;
        for (const char* name : {"~M42", "~dark.raw", "IMG1.FIT", "img2.fit", "notes.txt"}) {
            Touch(dir.filePath(name));
        }
        FileDialogRequest request;
        request.filter = kOpenFilter;
        request.filterIndex = kTqFilterIndex;
        request.folder = dir.path().toStdString();
        request.mustExist = true;
        VexaFileDialog dialog(request, VexaFileDialog::Kind::Open);
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog.ChosenFilterIndex(), 1);
        QCOMPARE(QDir(dialog.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        dialog.show();
        QTRY_COMPARE_WITH_TIMEOUT(ListedNames(dialog), QStringList({"~M42", "~dark.raw"}), 10000);
        dialog.selectNameFilter(QtNameFilters(kOpenFilter).at(1));
        QCOMPARE(dialog.ChosenFilterIndex(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(ListedNames(dialog), QStringList({"IMG1.FIT", "img2.fit"}),
                                  10000);
        dialog.selectNameFilter(QtNameFilters(kOpenFilter).at(2));
        QTRY_COMPARE_WITH_TIMEOUT(ListedNames(dialog).size(), 5, 10000);
        dialog.reject();
    }

    void openDialogAnswersTheChosenPathAndFilter() {
        QTemporaryDir dir;
        Touch(dir.filePath("~M42"));
        FileDialogRequest request;
        request.filter = kChooseFilter;
        request.filterIndex = kAllFilesFilterIndex;
        request.folder = dir.path().toStdString();
        request.mustExist = true;
        AnswerModal<QFileDialog>([](QFileDialog* d) {
            d->selectNameFilter(d->nameFilters().at(0));
            d->selectFile("~M42");
            Accept(d);
        });
        int chosenFilter = 0;
        const auto path = RunOpenFileDialog(request, nullptr, &chosenFilter);
        QVERIFY(path.has_value());
        QCOMPARE(QFileInfo(QString::fromStdString(*path)).canonicalFilePath(),
                 QFileInfo(dir.filePath("~M42")).canonicalFilePath());
        QCOMPARE(chosenFilter, 1);

        AnswerModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QVERIFY(!RunOpenFileDialog(request, nullptr).has_value());
    }

    void openDialogRefusesAMissingFile() {
        QTemporaryDir dir;
        FileDialogRequest request;
        request.filter = kOpenFilter;
        request.folder = dir.path().toStdString();
        request.mustExist = true;
        AnswerModal<QFileDialog>([](QFileDialog* d) {
            d->selectFile("missing.FIT");
            bool warned = false;
            AnswerModal<QMessageBox>([&warned](QMessageBox* box) {
                warned = true;
                box->accept();
            });
            Accept(d);
            QVERIFY(warned);
            // Still open: a file that must exist was not there.
            QVERIFY(d->isVisible());
            d->reject();
        });
        QVERIFY(!RunOpenFileDialog(request, nullptr).has_value());
    }

    void saveDialogAddsTheDefaultExtensionAndRefusesWildcards() {
        QTemporaryDir dir;
        FileDialogRequest request;
        request.filter = kSaveFitsFilter;
        request.folder = dir.path().toStdString();
        request.offeredName = kFitsOfferedName;
        request.defaultExtension = kFitsExtension;
        request.askBeforeOverwrite = true;
        AnswerModal<QFileDialog>([](QFileDialog* d) {
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(d->defaultSuffix(), QString("FIT"));
            auto* name = d->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name != nullptr);
            QCOMPARE(name->text(), QString("*.FIT"));
            Accept(d);  // a pattern is not a file name
            QVERIFY(d->isVisible());
            name->setText("m42");
            Accept(d);
        });
        const auto path = RunSaveFileDialog(request, nullptr);
        QVERIFY(path.has_value());
        QCOMPARE(QFileInfo(QString::fromStdString(*path)).fileName(), QString("m42.FIT"));
        QVERIFY(!QFile::exists(dir.filePath("*.FIT")));
    }

    void saveDialogAsksBeforeReplacingAFile() {
        QTemporaryDir dir;
        Touch(dir.filePath("old.TIF"));
        FileDialogRequest request;
        request.filter = kSaveTiffFilter;
        request.folder = dir.path().toStdString();
        request.defaultExtension = kTiffExtension;
        request.askBeforeOverwrite = true;
        bool asked = false;
        const auto chooseOld = [&asked](QMessageBox::StandardButton answer) {
            return [&asked, answer](QFileDialog* d) {
                AnswerModal<QMessageBox>([&asked, answer](QMessageBox* box) {
                    asked = true;
                    box->button(answer)->click();
                });
                d->selectFile("old.TIF");
                Accept(d);
                if (d->isVisible()) d->reject();
            };
        };
        AnswerModal<QFileDialog>(chooseOld(QMessageBox::No));
        QVERIFY(!RunSaveFileDialog(request, nullptr).has_value());
        QVERIFY(asked);

        asked = false;
        AnswerModal<QFileDialog>(chooseOld(QMessageBox::Yes));
        const auto path = RunSaveFileDialog(request, nullptr);
        QVERIFY(asked);
        QVERIFY(path.has_value());
        QCOMPARE(QFileInfo(QString::fromStdString(*path)).fileName(), QString("old.TIF"));
    }

    void deleteDialogShowsThePathAndAnswers() {
        const ConfirmDialogRequest request{kDeleteDialogTitle, kDeleteDialogText, "/data/~M42"};
        TDeleteDialog dialog(request);
        QCOMPARE(dialog.windowTitle(), QString("DELETE FILE DIALOG"));
        QCOMPARE(dialog.Question()->text(), QString("Delete this file?"));
        QCOMPARE(dialog.PathEdit()->text(), QString("/data/~M42"));
        QVERIFY(dialog.PathEdit()->isReadOnly());
        QCOMPARE(dialog.OkButton()->text(), QString("OK"));
        QCOMPARE(dialog.CancelButton()->text(), QString("Cancel"));

        AnswerModal<TDeleteDialog>([](TDeleteDialog* d) { d->OkButton()->click(); });
        QVERIFY(RunDeleteDialog(request, nullptr));
        AnswerModal<TDeleteDialog>([](TDeleteDialog* d) { d->CancelButton()->click(); });
        QVERIFY(!RunDeleteDialog(request, nullptr));
    }

  private:
    std::unique_ptr<test::FakeUi> ui_;
};

QTEST_MAIN(TFileDialogsTest)
#include "t_file_dialogs_test.moc"
