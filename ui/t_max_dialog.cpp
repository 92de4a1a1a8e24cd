#include "ui/t_max_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

TMaxDialog::TMaxDialog(StretchPaletteDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle("Stretch Palette");

    bar_ = NewStepBar(this, kStretchBitsMin, kStretchBitsMax, 200);
    edit_ = NewShowingEdit(this, 60);
    allImages_ = new QCheckBox("Selected for use on all Images", this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("12 bit", this), 0, 0);
    grid->addWidget(bar_, 0, 1);
    grid->addWidget(new QLabel("16 bit", this), 0, 2);
    grid->addWidget(edit_, 1, 1, Qt::AlignHCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(allImages_);
    layout->addWidget(buttons);

    connect(bar_, &QAbstractSlider::actionTriggered, this, &TMaxDialog::OnBarAction);
    connect(allImages_, &QCheckBox::toggled, this, [this](bool on) {
        model_.SetSelectedForAllImages(on);
        ShowModel();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ShowModel();
}

void TMaxDialog::OnBarAction(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            model_.Scroll(PaletteBarAction::LineLeft);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            model_.Scroll(PaletteBarAction::LineRight);
            break;
        case QAbstractSlider::SliderPageStepSub:
        case QAbstractSlider::SliderToMinimum:
            model_.Scroll(PaletteBarAction::PageLeft);
            break;
        case QAbstractSlider::SliderPageStepAdd:
        case QAbstractSlider::SliderToMaximum:
            model_.Scroll(PaletteBarAction::PageRight);
            break;
        case QAbstractSlider::SliderMove:
            model_.Scroll(PaletteBarAction::ThumbTrack, bar_->sliderPosition());
            break;
        default:
            break;
    }
    // The bar applies its own step after this signal; the position set here is the one used.
    bar_->setSliderPosition(model_.Bits());
    ShowModel();
}

void TMaxDialog::ShowModel() {
    const QSignalBlocker blockBar(bar_);
    const QSignalBlocker blockBox(allImages_);
    bar_->setValue(model_.Bits());
    edit_->setText(QString::fromStdString(model_.BitsText()));
    allImages_->setChecked(model_.SelectedForAllImages());
}

}  // namespace vexa
