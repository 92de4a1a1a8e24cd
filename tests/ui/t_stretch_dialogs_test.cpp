// The stretch dialogs, "Auto-Processing Choices" and the "Filter Progress" window on the
// offscreen platform: their controls, bar actions reaching the session by the models' rules,
// the drawn histogram and markers, Save's check, and the closing buttons.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <algorithm>

#include "app/ui_roles.h"
#include "session/session_state.h"
#include "tests/ui/dialog_test_support.h"
#include "tests/unit/support/fake_ui.h"
#include "ui/t_auto_dialog.h"
#include "ui/t_non_liniar_dialog.h"
#include "ui/t_power_dialog.h"
#include "ui/t_progress_dialog.h"
#include "ui/t_stretch_dialog.h"

using namespace vexa;
using test::Find;
using test::LabelTexts;
using test::PressLater;

namespace {

bool IsDark(QRgb pixel) {
    return qRed(pixel) < 60 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

// An edit that takes no typing looks it: drawn on the dialog's colour, not a typing box's.
bool LooksReadOnly(const QLineEdit* edit) {
    const QPalette& p = edit->palette();
    return edit->isReadOnly() &&
           p.color(QPalette::Active, QPalette::Base) == p.color(QPalette::Active, QPalette::Window);
}

// The texts of the labels in the bar's row, left to right.
QStringList RowLabels(const QWidget& dialog, const QWidget* bar) {
    QList<QLabel*> labels;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (qAbs(label->geometry().center().y() - bar->geometry().center().y()) < bar->height())
            labels << label;
    }
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
    QStringList texts;
    for (QLabel* label : labels) texts << label->text();
    return texts;
}

}  // namespace

class TStretchDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        test::ResetSession();
        ui_ = std::make_unique<test::FakeUi>();
        InstallUiRoles(ui_.get());
    }
    void cleanup() { RemoveUiRoles(); }

    void stretchDialogShowsTheLevels() {
        Session().dialogValue1 = 255;
        Session().dialogValue2 = 0;
        StretchDialogModel model;
        TStretchDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Normal Stretch"));
        QCOMPARE(dialog.WhiteBar()->minimum(), 1);
        QCOMPARE(dialog.WhiteBar()->maximum(), 300);
        QCOMPARE(dialog.BlackBar()->minimum(), 0);
        QCOMPARE(dialog.BlackBar()->maximum(), 255);
        QCOMPARE(dialog.WhiteBar()->value(), 255);
        QCOMPARE(dialog.BlackBar()->value(), 0);
        QCOMPARE(dialog.WhiteEdit()->text(), QString("255"));
        QCOMPARE(dialog.BlackEdit()->text(), QString("0"));
        QVERIFY(LooksReadOnly(dialog.WhiteEdit()));
        QVERIFY(LooksReadOnly(dialog.BlackEdit()));
        // Typing changes neither the box nor the level.
        QTest::keyClicks(dialog.WhiteEdit(), "12");
        QCOMPARE(dialog.WhiteEdit()->text(), QString("255"));
        QCOMPARE(int(Session().dialogValue1), 255);
    }

    void stretchBarsFollowTheRules() {
        Session().dialogValue1 = 255;
        Session().dialogValue2 = 0;
        StretchDialogModel model;
        TStretchDialog dialog(model);
        dialog.WhiteBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(int(Session().dialogValue1), 254);
        QCOMPARE(dialog.WhiteBar()->value(), 254);
        dialog.BlackBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(int(Session().dialogValue2), 10);
        QCOMPARE(dialog.BlackEdit()->text(), QString("10"));
        dialog.WhiteBar()->setSliderPosition(8);  // a thumb below the black level is refused
        QCOMPARE(int(Session().dialogValue1), 254);
        QCOMPARE(dialog.WhiteBar()->value(), 254);
        dialog.WhiteBar()->setSliderPosition(20);
        QCOMPARE(int(Session().dialogValue1), 20);
        dialog.BlackBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);  // 10 < 20 - 10 fails
        QCOMPARE(int(Session().dialogValue2), 10);
        QCOMPARE(dialog.BlackBar()->value(), 10);
        dialog.WhiteBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(dialog.WhiteEdit()->text(), QString("30"));
    }

    void stretchDialogDrawsHistogramAxesAndMarkers() {
        Session().dialogValue1 = 200;
        Session().dialogValue2 = 40;
        Session().displayHistogram[100] = 500;   // 100 pixels high
        Session().displayHistogram[150] = 9000;  // cut at 210
        StretchDialogModel model;
        TStretchDialog dialog(model);
        const QImage image = dialog.HistogramView()->grab().toImage();
        QCOMPARE(image.width(), kStretchCanvasWidth);
        const QRgb background = image.pixel(150, 5);
        QVERIFY(image.pixel(108, 205) != background);  // level 100's column
        QVERIFY(image.pixel(108, 150) != background);
        QCOMPARE(image.pixel(108, 100), background);            // above its top (y 110)
        QVERIFY(image.pixel(158, 2) != background);             // the cut column reaches the top
        QVERIFY(image.pixel(158, 2) != image.pixel(108, 205));  // in the second colour
        QVERIFY(IsDark(image.pixel(5, 100)));                   // vertical axis
        QVERIFY(IsDark(image.pixel(200, 213)));                 // horizontal axis
        QVERIFY(IsDark(image.pixel(136, 215)));                 // tick of level 128
        QVERIFY(IsDark(image.pixel(48, 227)));                  // black marker at 40 + 8
        QVERIFY(IsDark(image.pixel(208, 227)));                 // white marker at 200 + 8
        QCOMPARE(image.pixel(128, 227), background);
    }

    void stretchDialogButtons() {
        StretchDialogModel model;
        TStretchDialog dialog(model);
        auto* box = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(box);
        box->button(QDialogButtonBox::Help)->click();
        QCOMPARE(ui_->messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(ui_->messages[0].caption),
                 QString("Vexa_Q4_USB - Normal Stretch"));
        PressLater(box->button(QDialogButtonBox::Ok));
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        PressLater(box->button(QDialogButtonBox::Cancel));
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void powerDialogStepsByTenths() {
        Session().powerLawExponent = 1.0;
        PowerDialogModel model;
        TPowerDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Power Law Stretch"));
        QCOMPARE(dialog.PowerBar()->minimum(), 1);
        QCOMPARE(dialog.PowerBar()->maximum(), 30);
        QCOMPARE(dialog.PowerBar()->value(), 10);
        QCOMPARE(dialog.PowerEdit()->text(), QString("1.0"));
        QVERIFY(LooksReadOnly(dialog.PowerEdit()));
        // The bar is named, with the exponents at its two ends.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(RowLabels(dialog, dialog.PowerBar()), QStringList({"Power", "0.1", "3.0"}));
        dialog.PowerBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(dialog.PowerEdit()->text(), QString("1.1"));
        QCOMPARE(dialog.PowerBar()->value(), 11);
        dialog.PowerBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);  // no rule
        QCOMPARE(dialog.PowerBar()->value(), 11);
        for (int i = 0; i < 3; ++i)
            dialog.PowerBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(dialog.PowerEdit()->text(), QString("0.8"));
        QCOMPARE(dialog.PowerBar()->value(), 8);
        auto* box = dialog.findChild<QDialogButtonBox*>();
        box->button(QDialogButtonBox::Help)->click();
        QCOMPARE(QString::fromStdString(ui_->messages.back().caption),
                 QString("Vexa_Q4_USB - Power Law Stretch"));
        PressLater(box->button(QDialogButtonBox::Ok));
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }

    void nonLinearDialogSteps() {
        Session().dialogValue1 = 25;
        NonLinearDialogModel model;
        TNonLiniarDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Non-Linear Stretch"));
        QVERIFY(LabelTexts(dialog).contains(
            "This stretch works well for images of nebulae. First use the stretch that removes "
            "the background. "));
        QCOMPARE(dialog.PowerEdit()->text(), QString("25"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(RowLabels(dialog, dialog.PowerBar()), QStringList({"Power", "2", "50"}));
        dialog.PowerBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(int(Session().dialogValue1), 24);
        QCOMPARE(dialog.PowerEdit()->text(), QString("24"));
        QCOMPARE(dialog.PowerBar()->value(), 24);
        auto* box = dialog.findChild<QDialogButtonBox*>();
        PressLater(box->button(QDialogButtonBox::Cancel));
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void autoDialogControls() {
        AutoDialogModel model;
        TAutoDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Auto-Processing Choices"));
        for (const char* text : {"No Auto Stretch", "Apply Weak Stretch", "Apply Strong Stretch",
                                 "Auto Stretch - User"}) {
            QVERIFY2(Find<QRadioButton>(dialog, text), text);
        }
        const QStringList labels = LabelTexts(dialog);
        QVERIFY(labels.contains("For Planetary images try weak stretch, for nebulae try strong."));
        QVERIFY(
            labels.contains("To crispen images use high pass filter, or an unsharp mask filter."));
        QVERIFY(labels.contains("For Astro images remove the background"));
        QVERIFY(labels.contains("dia."));
        QVERIFY(labels.contains("power"));
        QVERIFY(Find<QRadioButton>(dialog, "No Auto Stretch")->isChecked());
        QCOMPARE(dialog.UserLevelEdit()->text(), QString("4"));
        QCOMPARE(dialog.DiameterEdit()->text(), QString("3"));
        QCOMPARE(dialog.PowerEdit()->text(), QString("1"));

        Find<QRadioButton>(dialog, "Apply Strong Stretch")->click();
        QVERIFY(Session().settings.autoStrongStretch);
        dialog.UnsharpBox()->click();
        QVERIFY(Session().settings.autoUnsharp);
        QVERIFY(dialog.UnsharpBox()->isChecked());
        Find<QRadioButton>(dialog, "Apply Weak Stretch")->click();
        QVERIFY(Session().settings.autoWeakStretch);
        QVERIFY(!Session().settings.autoStrongStretch);
    }

    void autoDialogSaveChecksTheNumbers() {
        AutoDialogModel model;
        TAutoDialog dialog(model);
        dialog.show();
        dialog.UserLevelEdit()->setText("30");
        dialog.DiameterEdit()->setText("5");
        dialog.SaveButton()->click();
        QCOMPARE(ui_->beeps, 1);
        QCOMPARE(dialog.UserLevelEdit()->text(), QString("4"));  // reverted
        QCOMPARE(int(Session().settings.autoUnsharpDiameter), 5);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.hide();

        dialog.UserLevelEdit()->setText("12");
        QTimer::singleShot(0, dialog.SaveButton(), [&dialog] { dialog.SaveButton()->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(int(Session().settings.autoUserStretchLevel), 12);

        Find<QPushButton>(dialog, "Help")->click();
        QCOMPARE(QString::fromStdString(ui_->messages.back().caption),
                 QString("VEXAQ4 - Auto Processing"));
        PressLater(Find<QPushButton>(dialog, "Cancel"));
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void progressWindow() {
        TProgressDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Filter Progress"));
        QVERIFY(!dialog.isModal());
        const QStringList labels = LabelTexts(dialog);
        QVERIFY(labels.contains("0%"));
        QVERIFY(labels.contains("100%"));
        QCOMPARE(dialog.Bar()->orientation(), Qt::Horizontal);
        dialog.show();
        dialog.SetPosition(240);
        QCOMPARE(dialog.Bar()->value(), 240);
        dialog.SetPosition(400);
        QCOMPARE(dialog.Bar()->value(), kProgressBarMaximum);
        dialog.SetPosition(-3);
        QCOMPARE(dialog.Bar()->value(), 0);
        dialog.SetTitle("CONTRAST STRETCH");
        QCOMPARE(dialog.windowTitle(), QString("CONTRAST STRETCH"));
    }

  private:
    std::unique_ptr<test::FakeUi> ui_;
};

QTEST_MAIN(TStretchDialogsTest)
#include "t_stretch_dialogs_test.moc"
