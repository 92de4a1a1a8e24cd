// Controls the value dialogs are built from: horizontal bars that step one at a time,
// read-only edits that show what the bars set, the OK / Cancel / Help row, and the wiring
// that lets the dialog's model decide where a bar goes after each action.
#pragma once

#include <functional>

#include "processing/filter_dialog_models.h"

class QDialog;
class QDialogButtonBox;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QScrollBar;
class QString;
class QWidget;

namespace vexa {

QScrollBar* NewStepBar(QWidget* parent, int low, int high, int minimumWidth);
// An edit that only shows a value: read-only, and drawn on the dialog's own colour instead of
// the white of a box that takes typing, so that it does not invite any.
void MarkReadOnly(QLineEdit* edit);
// The edit shows the value; typing into it changes nothing (MarkReadOnly).
QLineEdit* NewShowingEdit(QWidget* parent, int maximumWidth = 50);
// OK accepts the dialog, Cancel rejects it, Help runs help.
QDialogButtonBox* NewOkCancelHelp(QDialog* dialog, std::function<void()> help);
// A bar stretched beside its edit.
QHBoxLayout* NewBarRow(QScrollBar* bar, QLineEdit* edit);
// The same with what the bar sets named on its left and the values at its two ends beside
// them: "Power  0.1 [bar] 3.0 [edit]".
QHBoxLayout* NewLabelledBarRow(QWidget* parent, const QString& name, const QString& lowest,
                               QScrollBar* bar, const QString& highest, QLineEdit* edit);
// The "Radius" and "Power" rows of the filter dialogs: label, bar, edit.
QGridLayout* NewRadiusPowerGrid(QWidget* parent, QScrollBar* radiusBar, QLineEdit* radiusEdit,
                                QScrollBar* powerBar, QLineEdit* powerEdit);

// The filter action a scroll-bar action stands for; false for actions the bars ignore.
bool FilterBarActionOf(int sliderAction, FilterBarAction& action);

// Every action on the bar goes to scroll with the bar's slider position; the bar is then put
// where position says (it applies its own step after the signal, so the position set here is
// the one used) and show redraws the dialog.
void FollowFilterBar(QDialog* dialog, QScrollBar* bar,
                     std::function<void(FilterBarAction, int)> scroll,
                     std::function<int()> position, std::function<void()> show);
// A bar moved by its arrows alone: left and right step the model, any other action is undone.
void FollowArrowSteps(QDialog* dialog, QScrollBar* bar, std::function<void()> left,
                      std::function<void()> right, std::function<int()> position,
                      std::function<void()> show);

}  // namespace vexa
