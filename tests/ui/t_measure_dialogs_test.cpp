// The measuring dialogs on the offscreen platform: "PHOTOMETRY" with its radio buttons and
// values, and the histogram, 3-D plot and row profile drawings with their buttons. Also
// prints how long each analysis dialog takes to its first complete paint on a Full image.
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <random>
#include <vector>

#include "app/click_dispatch.h"
#include "processing/analysis_displays.h"
#include "processing/measuring_dialog_services.h"
#include "processing/photometry.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "tests/ui/dialog_test_support.h"
#include "ui/t_hist_dialog.h"
#include "ui/t_ph_dialog.h"
#include "ui/t_plot3d_dialog.h"
#include "ui/t_row_dialog.h"

using namespace vexa;
using test::LabelTexts;

namespace {

namespace id = photometry_id;

// Records message boxes and closes the dialogs as the window's services do.
class DialogTestUi : public QuietUi, public MeasuringDialogServices {
  public:
    std::vector<std::pair<std::string, std::string>> boxes;
    int closes = 0;
    QPointer<QDialog> open;

    int MessageBox(const std::string& caption, const std::string& text) override {
        boxes.emplace_back(caption, text);
        return 1;
    }
    void ClosePhotometryDialog() override { CloseOpen(); }
    void CloseHistogramDialog() override { CloseOpen(); }
    void ClosePlot3DDialog() override { CloseOpen(); }
    void CloseRowDialog() override { CloseOpen(); }

  private:
    void CloseOpen() {
        ++closes;
        if (open) open->close();
    }
};

void Put(int column, int row, uint16_t value) {
    SessionState& s = Session();
    s.currentImage[row * s.geometry.width + column] = value;
}

void FillNoisySky() {
    std::mt19937 random(7);
    std::normal_distribution<double> sky(3000.0, 400.0);
    for (int k = 0; k < kFullSampleCount; ++k)
        Session().currentImage[k] = static_cast<uint16_t>(std::clamp(sky(random), 0.0, 65535.0));
}

}  // namespace

class TMeasureDialogsTest : public QObject {
    Q_OBJECT
  private:
    DialogTestUi ui_;

  private slots:
    void initTestCase() { test::QuietOffscreenWarnings(); }
    void init() {
        test::ResetSession();
        ui_ = DialogTestUi();
        SetUi(&ui_);
        SetMeasuringDialogs(&ui_);
    }
    void cleanup() {
        SetUi(nullptr);
        SetMeasuringDialogs(nullptr);
    }

    void photometryDialogShowsEveryControl() {
        QVERIFY(StartPhotometryMode());
        TPHDialog dialog(ThePhotometryDialog());
        QCOMPARE(dialog.windowTitle(), QString("PHOTOMETRY"));
        QVERIFY(!dialog.isModal());
        const std::pair<int, const char*> radios[] = {
            {id::kObject, "Object"},         {id::kComparison, "Comparison"},
            {id::kBackground, "Background"}, {id::kMask1, "Single Pixel"},
            {id::kMask5, "5 Pixels"},        {id::kMask7, "7 Pixels"},
            {id::kMask9, "9 Pixels"},        {id::kMask13, "13 Pixels"},
            {id::kMask17, "17 Pixels"},
        };
        for (const auto& [radioId, text] : radios) {
            QVERIFY(dialog.Radio(radioId));
            QCOMPARE(dialog.Radio(radioId)->text(), QString(text));
        }
        const QStringList labels = LabelTexts(dialog);
        for (const char* text :
             {"Value", "x", "y", "Magnitude difference", " x           y            value"})
            QVERIFY2(labels.contains(text), text);
        QStringList groups;
        for (const QGroupBox* box : dialog.findChildren<QGroupBox*>()) groups << box->title();
        QVERIFY(groups.contains("Diameter of Mask"));
        QVERIFY(groups.contains("Cursor Position"));
        for (int edit : {104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 1018, 1019, 1020}) {
            QVERIFY(dialog.Edit(edit));
            QVERIFY(dialog.Edit(edit)->isReadOnly());
        }
        QCOMPARE(dialog.FinishedButton()->text(), QString("Finished"));
        QCOMPARE(dialog.HelpButton()->text(), QString("Help"));
        QVERIFY(dialog.Radio(id::kObject)->isChecked());
        QVERIFY(dialog.Radio(id::kMask9)->isChecked());
        QCOMPARE(dialog.Edit(id::kObjectValue)->text(), QString("      0"));
        QCOMPARE(dialog.Edit(id::kMagnitude)->text(), QString());
    }

    void photometryRadiosAndClicksReachTheDialog() {
        SessionState& s = Session();
        for (int row = 90; row <= 110; ++row)
            for (int column = 90; column <= 110; ++column) {
                Put(column, row, 2000);
                Put(column + 200, row, 1000);
            }
        QVERIFY(StartPhotometryMode());
        TPHDialog dialog(ThePhotometryDialog());
        OnLeftButtonUp(100, 100);
        dialog.Radio(id::kComparison)->click();
        QCOMPARE(s.photometryTarget, 'c');
        OnLeftButtonUp(300, 100);
        dialog.Radio(id::kBackground)->click();
        QVERIFY(s.skyMeasured);
        OnLeftButtonUp(600, 600);
        dialog.ShowModel();  // what the PhotometryChanged notice does
        QCOMPARE(dialog.Edit(id::kObjectValue)->text(), QString("   2000"));
        QCOMPARE(dialog.Edit(id::kComparisonValue)->text(), QString("   1000"));
        QCOMPARE(dialog.Edit(id::kBackgroundValue)->text(), QString("      0"));
        QCOMPARE(dialog.Edit(id::kMagnitude)->text(), QString("-0.75"));
        QCOMPARE(dialog.Edit(id::kComparisonX)->text(), QString("300"));
        QVERIFY(dialog.Radio(id::kBackground)->isChecked());

        dialog.Radio(id::kMask13)->click();
        QCOMPARE(s.measureBoxHalfSize, 6);
        QCOMPARE(dialog.Edit(id::kObjectValue)->text(), QString("      0"));
        QCOMPARE(dialog.Edit(id::kComparisonX)->text(), QString("0"));
        QCOMPARE(dialog.Edit(id::kMagnitude)->text(), QString());
        // A half-size from elsewhere (a guide-star radius) checks "Single Pixel".
        s.measureBoxHalfSize = 11;
        dialog.ShowModel();
        QVERIFY(dialog.Radio(id::kMask1)->isChecked());

        dialog.HelpButton()->click();
        QCOMPARE(ui_.boxes.size(), size_t{1});
        QCOMPARE(ui_.boxes[0].first, std::string("Vexa_Q4_USB - Control Photometry"));
    }

    void photometryFinishedAndCloseBoxLeaveTheMode() {
        QVERIFY(StartPhotometryMode());
        auto* dialog = new TPHDialog(ThePhotometryDialog());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<TPHDialog> guard(dialog);
        ui_.open = dialog;
        dialog->show();
        dialog->FinishedButton()->click();
        QVERIFY(!Session().photometryMode);
        QCOMPARE(ui_.closes, 1);
        QTRY_VERIFY(guard.isNull());

        QVERIFY(StartPhotometryMode());
        TPHDialog second(ThePhotometryDialog());
        ui_.open = &second;
        second.show();
        second.close();
        QVERIFY(!Session().photometryMode);
        QVERIFY(!second.isVisible());
        QCOMPARE(ui_.closes, 2);
    }

    void histogramDrawsCutBarsInTheSecondPen() {
        SessionState& s = Session();
        // The image interior (from row 5, columns 10 to 1289) holds 1054 samples at level 0,
        // 1055 at level 1 and 500 at level 2; the rest is at level 200.
        s.currentImage.fill(200 << 8);
        int k = 0;
        for (const auto& [level, count] : {std::pair{0, 1054}, {1, 1055}, {2, 500}}) {
            for (int n = 0; n < count; ++n, ++k) Put(10 + k % 1280, 5 + k / 1280, level << 8);
        }
        TheHistogramDialog().Recount();  // as the command does when it opens the dialog
        s.histogramOpen = true;
        THistDialog dialog(TheHistogramDialog());
        QCOMPARE(dialog.windowTitle(), QString("Histogram of Current Image"));
        QCOMPARE(dialog.CloseButton()->text(), QString("Close"));
        const QImage picture = dialog.Canvas()->grab().toImage();
        QCOMPARE(QColor(picture.pixel(8, 100)), QColor(0, 0, 0));
        QCOMPARE(QColor(picture.pixel(9, 100)), QColor(255, 0, 0));
        QCOMPARE(QColor(picture.pixel(9, 1)), QColor(255, 0, 0));         // cut at 210 high
        QCOMPARE(QColor(picture.pixel(10, 100)), QColor(255, 255, 255));  // 500 / 5 = 100 high
        QCOMPARE(QColor(picture.pixel(10, 111)), QColor(0, 0, 0));
        QCOMPARE(QColor(picture.pixel(5, 150)), QColor(0, 0, 0));    // vertical axis
        QCOMPARE(QColor(picture.pixel(136, 223)), QColor(0, 0, 0));  // the level-128 tick

        dialog.HelpButton()->click();
        QCOMPARE(ui_.boxes.back().first, std::string("VexaR_2 - Display Histogram"));
        ui_.open = &dialog;
        dialog.show();
        dialog.CloseButton()->click();
        QVERIFY(!s.histogramOpen);
        QVERIFY(!dialog.isVisible());
    }

    void plot3DBuildsUpIntoTheOffScreenPicture() {
        // The first line drawn (k = 6, at x = 134) rises 170 and stays up for one point; the
        // last (k = 128, at x = 12) rises 100 likewise.
        Put(0, 24, 65535);
        Put(2, 24, 65535);
        Put(0, 512, 38400);
        Put(2, 512, 38400);
        ThePlot3DDialog().Take(Session().currentImage);
        Session().plot3DOpen = true;
        TPlot3DDialog dialog(ThePlot3DDialog());
        QCOMPARE(dialog.windowTitle(), QString("3-D Intensity Plot"));
        Plot3DCanvas* canvas = dialog.Canvas();
        QVERIFY(canvas->Picture().isNull());
        dialog.show();
        QTRY_VERIFY(canvas->Complete());
        const QImage& picture = canvas->Picture();
        QCOMPARE(QColor(picture.pixel(134, 100)), QColor(0, 0, 0));
        QCOMPARE(QColor(picture.pixel(12, 250)), QColor(0, 0, 0));
        QCOMPARE(QColor(picture.pixel(400, 192)), QColor(255, 0, 0));  // level: second pen
        QCOMPARE(QColor(picture.pixel(700, 50)), QColor(255, 255, 255));
        const QImage shown = canvas->grab().toImage();
        QCOMPARE(QColor(shown.pixel(134, 100)), QColor(0, 0, 0));

        dialog.HelpButton()->click();
        QCOMPARE(ui_.boxes.back().first, std::string("Vexa_Q4_USB - 3-D Plot"));
        ui_.open = &dialog;
        dialog.FinishedButton()->click();
        QVERIFY(!Session().plot3DOpen);
        QVERIFY(!dialog.isVisible());
    }

    void rowProfileFollowsTheSelectedRow() {
        SessionState& s = Session();
        Put(10, 250, 38400);
        Put(10, 300, 3840);
        s.selectedRow = 250;
        s.rowPlotMode = true;
        TheRowDialog().SetPlotImage(s.currentImage);
        TRowDialog dialog(TheRowDialog());
        QCOMPARE(dialog.windowTitle(), QString("INTENSITY PROFILE OF ONE ROW"));
        QVERIFY(LabelTexts(dialog).contains("Row"));
        QCOMPARE(dialog.RowEdit()->text(), QString("250"));
        QImage picture = dialog.Canvas()->grab().toImage();
        QCOMPARE(QColor(picture.pixel(10, 98)), QColor(0, 0, 0));
        QCOMPARE(QColor(picture.pixel(10, 120)), QColor(0, 0, 0));  // the rising line
        QCOMPARE(QColor(picture.pixel(200, 100)), QColor(255, 255, 255));

        s.selectedRow = 300;
        dialog.Redraw();
        QCOMPARE(dialog.RowEdit()->text(), QString("300"));
        picture = dialog.Canvas()->grab().toImage();
        QCOMPARE(QColor(picture.pixel(10, 98)), QColor(255, 255, 255));
        QCOMPARE(QColor(picture.pixel(10, 188)), QColor(0, 0, 0));

        dialog.HelpButton()->click();
        QCOMPARE(ui_.boxes.back().first, std::string("Vexa_R4 - Intensity Profile"));
        ui_.open = &dialog;
        dialog.show();
        dialog.close();
        QVERIFY(!s.rowPlotMode);
    }

    // Not a check: the time from each analysis command to its first complete paint on a
    // noisy Full image, printed for the record.
    void printTimeToFirstCompletePaint() {
        FillNoisySky();
        SessionState& s = Session();
        QElapsedTimer timer;
        timer.start();
        TheHistogramDialog().Recount();
        s.histogramOpen = true;
        THistDialog histogram(TheHistogramDialog());
        histogram.Canvas()->grab();
        const qint64 histogramMs = timer.elapsed();

        timer.restart();
        ThePlot3DDialog().Take(s.currentImage);
        const qint64 plotDataMs = timer.elapsed();
        s.plot3DOpen = true;
        TPlot3DDialog plot(ThePlot3DDialog());
        QEventLoop built;
        connect(plot.Canvas(), &Plot3DCanvas::completed, &built, &QEventLoop::quit);
        plot.show();
        built.exec();
        QVERIFY(plot.Canvas()->Complete());
        const qint64 plotMs = timer.elapsed();

        timer.restart();
        s.selectedRow = 250;
        TheRowDialog().SetPlotImage(s.currentImage);
        TRowDialog row(TheRowDialog());
        row.Canvas()->grab();
        const qint64 rowMs = timer.elapsed();
        qInfo(
            "first complete paint: histogram %lld ms, 3-D plot %lld ms (its data %lld ms), "
            "row profile %lld ms",
            histogramMs, plotMs, plotDataMs, rowMs);
    }
};

QTEST_MAIN(TMeasureDialogsTest)
#include "t_measure_dialogs_test.moc"
