// The label dialog, the about box, the help window, the clipboard copy and Qt printing on the
// offscreen platform.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include "app/display_refresh.h"
#include "app/label.h"
#include "app/present_commands.h"
#include "app/present_services.h"
#include "files/view_bitmap.h"
#include "session/session_state.h"
#include "tests/ui/dialog_test_support.h"
#include "ui/help_window.h"
#include "ui/print_support.h"
#include "ui/t_about_dialog.h"
#include "ui/t_label_dialog.h"

using namespace vexa;

namespace {

QString SourceHelpFolder() {
    return QDir(VEXA_SOURCE_DIR).filePath("resources/help");
}

// A small indexed image with a colour table that is not grey.
QImage ColourIndexedImage() {
    QImage image(5, 3, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i) colours << qRgb(i, 255 - i, (i * 7) & 0xFF);
    image.setColorTable(colours);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) image.setPixel(x, y, static_cast<uint>(y * 60 + x * 10));
    }
    return image;
}

// Press a dialog button once the modal loop runs.
void ClickLater(QDialogButtonBox* buttons, QDialogButtonBox::StandardButton which) {
    QTimer::singleShot(0, [buttons, which] { buttons->button(which)->click(); });
}

}  // namespace

class TPresentTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { test::QuietOffscreenWarnings(); }

    void init() { test::ResetSession(); }

    // ---- label dialog ----

    void labelDialogShowsItsControls() {
        Session().labelText = "left over";
        Session().labelAutoDate = true;
        LabelDialogModel model;
        TLabelDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Label Current Image"));
        QStringList labels;
        for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
        QVERIFY(labels.contains("Enter the Label text"));
        QVERIFY(dialog.TextEdit()->text().isEmpty());
        QCOMPARE(dialog.TextEdit()->maxLength(), 30);
        QCOMPARE(dialog.AutoDateBox()->text(), QString("Auto Date"));
        QVERIFY(dialog.AutoDateBox()->isChecked());
        QVERIFY(Session().labelText.empty());
    }

    void labelDialogClicksAndOk() {
        LabelDialogModel model;
        TLabelDialog dialog(model);
        dialog.AutoDateBox()->click();
        QVERIFY(Session().labelAutoDate);
        QVERIFY(dialog.AutoDateBox()->isChecked());
        dialog.AutoDateBox()->click();
        QVERIFY(!Session().labelAutoDate);
        QTest::keyClicks(dialog.TextEdit(), "M31 Andromeda galaxy, 5 Dec 2026 at dusk");
        QCOMPARE(dialog.TextEdit()->text().size(), 30);
        ClickLater(dialog.Buttons(), QDialogButtonBox::Ok);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(model.EditText()),
                 QString("M31 Andromeda galaxy, 5 Dec 20"));
        model.Accept();
        QCOMPARE(Session().labelText.size(), size_t(30));
    }

    void labelDialogCancel() {
        LabelDialogModel model;
        TLabelDialog dialog(model);
        QTest::keyClicks(dialog.TextEdit(), "Moon");
        ClickLater(dialog.Buttons(), QDialogButtonBox::Cancel);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(model.EditText().empty());
    }

    // ---- about box ----

    void aboutBoxTexts() {
        TAboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Help About Vexa_Q4_USB"));
        QStringList labels;
        for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
        QCOMPARE(labels.size(), 4);
        QCOMPARE(labels[0],
                 QString("Vexa_Q4_USB Image processing software for use with Corvane TQ cameras"));
        QVERIFY(labels.contains(kAboutVersion));
        QVERIFY(labels.contains(kAboutReleaseDate));
        QVERIFY(labels.contains(kAboutNotice));
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons && buttons->button(QDialogButtonBox::Ok));
        ClickLater(buttons, QDialogButtonBox::Ok);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }

    // ---- help ----

    void helpPagesMissingOpenNothing() {
        QTemporaryDir empty;
        QVERIFY(FindHelpIndex({}).isEmpty());
        QVERIFY(FindHelpIndex({empty.path(), empty.path() + "/nowhere"}).isEmpty());
        QVERIFY(!ShowHelpWindow(nullptr, {empty.path()}));
        QVERIFY(OpenHelpWindow() == nullptr);
    }

    void helpPagesAreFoundInTheSourceTree() {
        QVERIFY(HelpSearchFolders().contains(SourceHelpFolder()));
        const QString index = FindHelpIndex(HelpSearchFolders());
        QVERIFY(!index.isEmpty());
        QVERIFY(index.endsWith("index.html"));
    }

    void helpWindowOpensAtTheContents() {
        QTemporaryDir empty;
        QVERIFY(ShowHelpWindow(nullptr, {empty.path(), SourceHelpFolder()}));
        HelpWindow* window = OpenHelpWindow();
        QVERIFY(window != nullptr);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QString("Help in using Vexa_Q4_USB"));
        QVERIFY(window->Browser()->toPlainText().contains("Contents"));
        // Following a page and back to the contents; a second request reuses the window.
        window->Browser()->setSource(QUrl("label.html"));
        QVERIFY(window->Browser()->toPlainText().contains("Auto Date"));
        QVERIFY(ShowHelpWindow(nullptr, {SourceHelpFolder()}));
        QCOMPARE(OpenHelpWindow(), window);
        QVERIFY(window->Browser()->toPlainText().contains("Help in using Vexa_Q4_USB"));
        window->close();
        QTRY_VERIFY(OpenHelpWindow() == nullptr);
    }

    void everyHelpLinkLeadsToAPage() {
        const QDir folder(SourceHelpFolder());
        const QStringList pages = folder.entryList({"*.html"});
        QVERIFY(pages.size() >= 5);
        const QRegularExpression link("href=\"([^\"#]+)\"");
        for (const QString& page : pages) {
            QFile file(folder.filePath(page));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            QVERIFY2(html.contains("<title>"), qPrintable(page));
            for (auto it = link.globalMatch(html); it.hasNext();) {
                const QString target = it.next().captured(1);
                QVERIFY2(pages.contains(target), qPrintable(page + " -> " + target));
            }
        }
    }

    void stopMessageHasTheStopIcon() {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        });
        QCOMPARE(ShowStopMessage(nullptr, kHelpFailedCaption, kHelpFailedText), 1);
        QCOMPARE(caption, QString("VEXA_Q4"));
        QCOMPARE(text, QString("WinHelp failed!"));
        QCOMPARE(icon, QMessageBox::Critical);
    }

    // ---- clipboard ----

    void copyWithoutImageIsRefused() {
        QGuiApplication::clipboard()->setText("unchanged");
        QVERIFY(!CopyViewToClipboard(QImage()));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("unchanged"));
    }

    void copyPutsTheImageWithItsColours() {
        const QImage image = ColourIndexedImage();
        QVERIFY(CopyViewToClipboard(image));
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data && data->hasImage());
        const QImage copied = qvariant_cast<QImage>(data->imageData());
        QCOMPARE(copied.size(), image.size());
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) QCOMPARE(copied.pixel(x, y), image.pixel(x, y));
        }
        // The 8-bit bitmap keeps its colour table.
        const QByteArray bmp = data->data("image/bmp");
        QVERIFY(bmp.startsWith("BM"));
        QImage fromBmp;
        QVERIFY(fromBmp.loadFromData(bmp, "BMP"));
        QCOMPARE(fromBmp.format(), QImage::Format_Indexed8);
        QCOMPARE(fromBmp.pixel(4, 2), qRgb(160, 95, (160 * 7) & 0xFF));
    }

    // ---- printing ----

    void viewBitmapFilesReadAsIndexedImages() {
        QTemporaryDir dir;
        ColourTable colours;
        for (int i = 0; i < 256; ++i) {
            colours[i] = {static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2),
                          static_cast<uint8_t>(i), 0};
        }
        std::vector<uint8_t> levels(kFullSampleCount);
        for (size_t k = 0; k < levels.size(); ++k) levels[k] = static_cast<uint8_t>(k / 1300);
        const QString path = dir.filePath("VEXAQ4.bmp");
        QCOMPARE(WriteViewBitmapFile(path.toStdString(), ViewBitmapVariant::Full, levels.data(),
                                     colours),
                 kViewBitmapOk);
        const QImage image(path);
        QCOMPARE(image.size(), QSize(1300, 1030));
        QCOMPARE(image.format(), QImage::Format_Indexed8);
        QCOMPARE(image.pixel(0, 200), qRgb(200, 100, 55));  // row 200 shows level 200
    }

    void paintImageOnPdfPrinter() {
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("view.pdf"));
        QVERIFY(!PaintImageOnPrinter(QImage(), printer));
        QVERIFY(PaintImageOnPrinter(ColourIndexedImage(), printer));
        QFile pdf(dir.filePath("view.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
    }

    void printRefusesUnreadableFilesAndReportsNoPrinter() {
        QTemporaryDir dir;
        QCOMPARE(PrintBitmapFile(dir.filePath("missing.bmp"), nullptr),
                 PresentServices::PrintStatus::UnreadableFile);
        QFile junk(dir.filePath("junk.bmp"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("BM not really a bitmap");
        junk.close();
        QCOMPARE(PrintBitmapFile(junk.fileName(), nullptr),
                 PresentServices::PrintStatus::UnreadableFile);
        if (PrintersInstalled()) QSKIP("a printer is installed: the print dialog would open");
        const QImage image = ColourIndexedImage();
        QVERIFY(image.save(dir.filePath("good.bmp"), "BMP"));
        QCOMPARE(PrintBitmapFile(dir.filePath("good.bmp"), nullptr),
                 PresentServices::PrintStatus::NoPrinter);
        QCOMPARE(RunPrintSetup(nullptr), PresentServices::PrintStatus::NoPrinter);
    }
};

QTEST_MAIN(TPresentTest)
#include "t_present_test.moc"
