// The "Stretch Palette" dialog on the offscreen platform: its controls, the bar's actions
// reaching the session, the check box, and OK.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "app/stretch_palette_model.h"
#include "session/session_state.h"
#include "ui/t_max_dialog.h"

using namespace vexa;

class TMaxDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        Session().paletteStretchBits = 14;
        Session().paletteStretch = false;
    }

    void showsTheControls() {
        StretchPaletteDialogModel model;
        TMaxDialog dialog(model);
        QCOMPARE(dialog.windowTitle(), QString("Stretch Palette"));
        QStringList labels;
        for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
        QVERIFY(labels.contains("12 bit"));
        QVERIFY(labels.contains("16 bit"));
        QCOMPARE(dialog.BitsBar()->minimum(), 12);
        QCOMPARE(dialog.BitsBar()->maximum(), 16);
        QCOMPARE(dialog.BitsBar()->value(), 14);
        QVERIFY(dialog.BitsEdit()->isReadOnly());
        QCOMPARE(dialog.BitsEdit()->text(), QString("14"));
        QCOMPARE(dialog.AllImagesBox()->text(), QString("Selected for use on all Images"));
        QVERIFY(!dialog.AllImagesBox()->isChecked());
    }

    void barActionsFollowTheRules() {
        StretchPaletteDialogModel model;
        TMaxDialog dialog(model);
        QScrollBar* bar = dialog.BitsBar();
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(Session().paletteStretchBits, 15);
        QCOMPARE(bar->value(), 15);
        QCOMPARE(dialog.BitsEdit()->text(), QString("15"));
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(Session().paletteStretchBits, 12);
        QCOMPARE(bar->value(), 12);
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(bar->value(), 12);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(Session().paletteStretchBits, 16);
        QCOMPARE(dialog.BitsEdit()->text(), QString("16"));
    }

    void checkBoxAndOk() {
        StretchPaletteDialogModel model;
        TMaxDialog dialog(model);
        dialog.AllImagesBox()->click();
        QVERIFY(Session().paletteStretch);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        QTimer::singleShot(0, [buttons] { buttons->button(QDialogButtonBox::Ok)->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }

    void cancelRejects() {
        StretchPaletteDialogModel model;
        TMaxDialog dialog(model);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QTimer::singleShot(0, [buttons] { buttons->button(QDialogButtonBox::Cancel)->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TMaxDialogTest)
#include "t_max_dialog_test.moc"
