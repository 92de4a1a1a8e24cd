// The body the Unsharp Mask and Median Filter dialogs share: a "Radius" and a "Power" bar,
// read-only edits that show their values, and OK, Cancel and Help, all following a model that
// has ScrollRadius, ScrollPower, Radius, RadiusText, PowerText, ShowHelp and a bar position
// for the power.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

struct RadiusPowerControls {
    QScrollBar* radiusBar = nullptr;
    QScrollBar* powerBar = nullptr;
    QLineEdit* radiusEdit = nullptr;
    QLineEdit* powerEdit = nullptr;
};

struct RadiusPowerRanges {
    int radiusLow, radiusHigh, powerLow, powerHigh;
    bool editsFirst;  // the edits come first in the focus order
};

template <class Model>
RadiusPowerControls BuildRadiusPowerBody(QDialog* dialog, Model& model, RadiusPowerRanges ranges,
                                         int (Model::*powerPosition)() const) {
    constexpr int kBarWidth = 160;
    dialog->setWindowTitle(QString::fromStdString(model.Title()));
    RadiusPowerControls c;
    const auto newEdits = [&] {
        c.radiusEdit = NewShowingEdit(dialog);
        c.powerEdit = NewShowingEdit(dialog);
    };
    if (ranges.editsFirst) newEdits();
    c.radiusBar = NewStepBar(dialog, ranges.radiusLow, ranges.radiusHigh, kBarWidth);
    c.powerBar = NewStepBar(dialog, ranges.powerLow, ranges.powerHigh, kBarWidth);
    if (!ranges.editsFirst) newEdits();

    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(
        NewRadiusPowerGrid(dialog, c.radiusBar, c.radiusEdit, c.powerBar, c.powerEdit));
    layout->addWidget(NewOkCancelHelp(dialog, [&model] { model.ShowHelp(); }));

    const auto show = [c, &model, powerPosition] {
        const QSignalBlocker blockRadius(c.radiusBar);
        const QSignalBlocker blockPower(c.powerBar);
        c.radiusBar->setValue(model.Radius());
        c.powerBar->setValue((model.*powerPosition)());
        c.radiusEdit->setText(QString::fromStdString(model.RadiusText()));
        c.powerEdit->setText(QString::fromStdString(model.PowerText()));
    };
    FollowFilterBar(
        dialog, c.radiusBar, [&model](FilterBarAction a, int p) { model.ScrollRadius(a, p); },
        [&model] { return model.Radius(); }, show);
    FollowFilterBar(
        dialog, c.powerBar, [&model](FilterBarAction a, int p) { model.ScrollPower(a, p); },
        [&model, powerPosition] { return (model.*powerPosition)(); }, show);
    show();
    return c;
}

}  // namespace vexa
