#include "ui/dialog_parts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <utility>

namespace vexa {

QScrollBar* NewStepBar(QWidget* parent, int low, int high, int minimumWidth) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setRange(low, high);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setMinimumWidth(minimumWidth);
    return bar;
}

void MarkReadOnly(QLineEdit* edit) {
    edit->setReadOnly(true);
    QPalette colours = edit->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Base, colours.color(group, QPalette::Window));
    }
    edit->setPalette(colours);
}

QLineEdit* NewShowingEdit(QWidget* parent, int maximumWidth) {
    auto* edit = new QLineEdit(parent);
    MarkReadOnly(edit);
    edit->setMaximumWidth(maximumWidth);
    return edit;
}

QDialogButtonBox* NewOkCancelHelp(QDialog* dialog, std::function<void()> help) {
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, dialog, std::move(help));
    return buttons;
}

QHBoxLayout* NewBarRow(QScrollBar* bar, QLineEdit* edit) {
    auto* row = new QHBoxLayout;
    row->addWidget(bar, 1);
    row->addWidget(edit);
    return row;
}

QHBoxLayout* NewLabelledBarRow(QWidget* parent, const QString& name, const QString& lowest,
                               QScrollBar* bar, const QString& highest, QLineEdit* edit) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(name, parent);
    label->setBuddy(bar);
    row->addWidget(label);
    row->addWidget(new QLabel(lowest, parent));
    row->addWidget(bar, 1);
    row->addWidget(new QLabel(highest, parent));
    row->addWidget(edit);
    return row;
}

QGridLayout* NewRadiusPowerGrid(QWidget* parent, QScrollBar* radiusBar, QLineEdit* radiusEdit,
                                QScrollBar* powerBar, QLineEdit* powerEdit) {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Radius", parent), 0, 0);
    grid->addWidget(radiusBar, 0, 1);
    grid->addWidget(radiusEdit, 0, 2);
    grid->addWidget(new QLabel("Power", parent), 1, 0);
    grid->addWidget(powerBar, 1, 1);
    grid->addWidget(powerEdit, 1, 2);
    return grid;
}

bool FilterBarActionOf(int sliderAction, FilterBarAction& action) {
    switch (sliderAction) {
        case QAbstractSlider::SliderSingleStepSub:
            action = FilterBarAction::LineLeft;
            return true;
        case QAbstractSlider::SliderSingleStepAdd:
            action = FilterBarAction::LineRight;
            return true;
        case QAbstractSlider::SliderPageStepSub:
        case QAbstractSlider::SliderToMinimum:
            action = FilterBarAction::PageLeft;
            return true;
        case QAbstractSlider::SliderPageStepAdd:
        case QAbstractSlider::SliderToMaximum:
            action = FilterBarAction::PageRight;
            return true;
        case QAbstractSlider::SliderMove:
            action = FilterBarAction::ThumbTrack;
            return true;
        default:
            return false;
    }
}

void FollowFilterBar(QDialog* dialog, QScrollBar* bar,
                     std::function<void(FilterBarAction, int)> scroll,
                     std::function<int()> position, std::function<void()> show) {
    QObject::connect(bar, &QAbstractSlider::actionTriggered, dialog,
                     [bar, scroll = std::move(scroll), position = std::move(position),
                      show = std::move(show)](int sliderAction) {
                         FilterBarAction action;
                         if (FilterBarActionOf(sliderAction, action))
                             scroll(action, bar->sliderPosition());
                         bar->setSliderPosition(position());
                         show();
                     });
}

void FollowArrowSteps(QDialog* dialog, QScrollBar* bar, std::function<void()> left,
                      std::function<void()> right, std::function<int()> position,
                      std::function<void()> show) {
    QObject::connect(bar, &QAbstractSlider::actionTriggered, dialog,
                     [bar, left = std::move(left), right = std::move(right),
                      position = std::move(position), show = std::move(show)](int action) {
                         if (action == QAbstractSlider::SliderSingleStepSub) left();
                         if (action == QAbstractSlider::SliderSingleStepAdd) right();
                         bar->setSliderPosition(position());
                         show();
                     });
}

}  // namespace vexa
