// The "Unsharp Mask Filter", "Median Filter" and "MERGE IMAGES" dialogs on the offscreen
// platform: their controls and texts, bar actions reaching the session by the models' rules,
// Help, and the merge dialog's buttons, boxes and close box.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "app/ui_roles.h"
#include "session/session_state.h"
#include "tests/ui/dialog_test_support.h"
#include "tests/unit/support/fake_ui.h"
#include "ui/t_median_dialog.h"
#include "ui/t_merge_dialog.h"
#include "ui/t_unsharp_dialog.h"

using namespace vexa;
using test::LabelTexts;
using test::PressLater;

class TFilterDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        test::ResetSession();
        ui_ = std::make_unique<test::FakeUi>();
        InstallUiRoles(ui_.get());
    }
    void cleanup() { RemoveUiRoles(); }

    void unsharpDialogShowsRadiusAndPower() {
        Session().dialogValue1 = 3;
        Session().dialogValue2 = 1;
        UnsharpDialogModel model;
        TUnsharpDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Unsharp Mask Filter"));
        QCOMPARE(dialog.RadiusBar()->minimum(), 1);
        QCOMPARE(dialog.RadiusBar()->maximum(), 7);
        QCOMPARE(dialog.RadiusBar()->value(), 3);
        QCOMPARE(dialog.PowerBar()->value(), 1);
        QCOMPARE(dialog.RadiusEdit()->text(), QString("3"));
        QCOMPARE(dialog.PowerEdit()->text(), QString("1"));
        QVERIFY(dialog.RadiusEdit()->isReadOnly());
        QVERIFY(dialog.PowerEdit()->isReadOnly());
    }

    void unsharpBarsStepWithinTheirRange() {
        Session().dialogValue1 = 7;
        Session().dialogValue2 = 1;
        UnsharpDialogModel model;
        TUnsharpDialog dialog(model);
        dialog.RadiusBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(int(Session().dialogValue1), 7);
        dialog.RadiusBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(int(Session().dialogValue1), 6);
        QCOMPARE(dialog.RadiusEdit()->text(), QString("6"));
        QCOMPARE(dialog.RadiusBar()->value(), 6);
        dialog.PowerBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(int(Session().dialogValue2), 1);
        dialog.PowerBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(int(Session().dialogValue2), 2);
        QCOMPARE(dialog.PowerEdit()->text(), QString("2"));
    }

    void unsharpHelpAndButtons() {
        Session().dialogValue1 = 3;
        Session().dialogValue2 = 1;
        UnsharpDialogModel model;
        TUnsharpDialog dialog(model);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        buttons->button(QDialogButtonBox::Help)->click();
        QCOMPARE(ui_->messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(ui_->messages[0].caption), QString("Unsharp Mask Filter"));
        QCOMPARE(
            QString::fromStdString(ui_->messages[0].text),
            QString("Use controls to vary the radius from 1 to 7, and the power from 1 to 7."));
        PressLater(buttons->button(QDialogButtonBox::Ok));
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        PressLater(buttons->button(QDialogButtonBox::Cancel));
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void medianDialogShowsTenthsAsAReal() {
        Session().dialogValue1 = 1;
        Session().dialogValue2 = 6;
        MedianDialogModel model;
        TMedianDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Median Filter"));
        QCOMPARE(dialog.RadiusBar()->maximum(), 3);
        QCOMPARE(dialog.PowerBar()->minimum(), 1);
        QCOMPARE(dialog.PowerBar()->maximum(), 10);
        QCOMPARE(dialog.RadiusEdit()->text(), QString("1"));
        QCOMPARE(dialog.PowerEdit()->text(), QString("0.6"));
        for (int i = 0; i < 6; ++i)
            dialog.PowerBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(int(Session().dialogValue2), 10);
        QCOMPARE(dialog.PowerEdit()->text(), QString("1.0"));
        dialog.RadiusBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(int(Session().dialogValue1), 1);
        dialog.RadiusBar()->setSliderPosition(3);  // the thumb sets the value
        QCOMPARE(int(Session().dialogValue1), 3);
        QCOMPARE(dialog.RadiusEdit()->text(), QString("3"));
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        buttons->button(QDialogButtonBox::Help)->click();
        QCOMPARE(
            QString::fromStdString(ui_->LastText()),
            QString("Use controls to vary the radius from 1 to 3, and the power from 0.1 to 1."));
        QCOMPARE(QString::fromStdString(ui_->messages.back().caption),
                 QString("Vexa_Q4_USB - Median Filter"));
    }

    void mergeDialogShowsThePhaseAndMarks() {
        StartMerge();
        Session().mergeX1 = 120;
        Session().mergeY1 = 45;
        TMergeDialog dialog(TheMergeDialog());
        QCOMPARE(dialog.windowTitle(), QString("MERGE IMAGES"));
        QVERIFY(!dialog.isModal());
        QVERIFY(LabelTexts(dialog).contains("x         y"));
        QCOMPARE(dialog.OriginalRadio()->text(), QString("Original  Image"));
        QCOMPARE(dialog.SecondRadio()->text(), QString("Merge Image"));
        QVERIFY(dialog.OriginalRadio()->isChecked());
        QVERIFY(!dialog.SecondRadio()->isChecked());
        QCOMPARE(dialog.X1Edit()->text(), QString("120"));
        QCOMPARE(dialog.Y1Edit()->text(), QString("45"));
        QCOMPARE(dialog.X2Edit()->text(), QString("0"));
        QVERIFY(dialog.X1Edit()->isReadOnly());

        PrepareMergeSecondImage();
        Session().mergeX2 = 7;
        Session().mergeY2 = 8;
        dialog.ShowModel();
        QVERIFY(!dialog.OriginalRadio()->isChecked());
        QVERIFY(dialog.SecondRadio()->isChecked());
        QCOMPARE(dialog.X2Edit()->text(), QString("7"));
        QCOMPARE(dialog.Y2Edit()->text(), QString("8"));
    }

    void mergeDialogBoxesAndButtons() {
        StartMerge();
        TMergeDialog dialog(TheMergeDialog());
        dialog.show();
        dialog.AverageBox()->click();
        QVERIFY(Session().mergeAverage);
        dialog.SuperimposeBox()->click();
        QVERIFY(Session().mergeSuperimpose);
        QCOMPARE(dialog.AverageBox()->text(), QString("Average"));
        QCOMPARE(dialog.SuperimposeBox()->text(), QString("Superimpose"));

        dialog.MergeButton()->click();  // no second image yet: nothing happens
        QVERIFY(Session().mergingMode);
        QVERIFY(dialog.isVisible());

        dialog.HelpButton()->click();
        QCOMPARE(QString::fromStdString(ui_->messages.back().caption),
                 QString("Vexa_Q4_USB - Control Merging"));

        PrepareMergeSecondImage();
        dialog.MergeButton()->click();
        QVERIFY(!Session().mergingMode);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(ui_->mergeDialogsClosed, 1);
        QVERIFY(!Session().mergeAverage);
    }

    void mergeDialogCloseBoxCancels() {
        StartMerge();
        TMergeDialog dialog(TheMergeDialog());
        dialog.show();
        dialog.AverageBox()->click();
        dialog.close();
        QVERIFY(!Session().mergingMode);
        QVERIFY(!Session().mergeAverage);
        QCOMPARE(ui_->mergeDialogsClosed, 1);

        StartMerge();
        TMergeDialog again(TheMergeDialog());
        again.show();
        again.CancelButton()->click();
        QVERIFY(!Session().mergingMode);
        QVERIFY(!again.isVisible());
        QCOMPARE(ui_->mergeDialogsClosed, 2);
    }

  private:
    std::unique_ptr<test::FakeUi> ui_;
};

QTEST_MAIN(TFilterDialogsTest)
#include "t_filter_dialogs_test.moc"
