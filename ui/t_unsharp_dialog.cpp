#include "ui/t_unsharp_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vexa {

namespace {

QScrollBar* NewBar(QWidget* parent, int low, int high) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setRange(low, high);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setMinimumWidth(160);
    return bar;
}

QLineEdit* NewShowingEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);  // shows the value; only the bars change it
    edit->setMaximumWidth(50);
    return edit;
}

}  // namespace

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

TUnsharpDialog::TUnsharpDialog(UnsharpDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    radiusBar_ = NewBar(this, kUnsharpBarMin, kUnsharpBarMax);
    powerBar_ = NewBar(this, kUnsharpBarMin, kUnsharpBarMax);
    radiusEdit_ = NewShowingEdit(this);
    powerEdit_ = NewShowingEdit(this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Radius", this), 0, 0);
    grid->addWidget(radiusBar_, 0, 1);
    grid->addWidget(radiusEdit_, 0, 2);
    grid->addWidget(new QLabel("Power", this), 1, 0);
    grid->addWidget(powerBar_, 1, 1);
    grid->addWidget(powerEdit_, 1, 2);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    const auto follow = [this](QScrollBar* bar, bool radius) {
        connect(bar, &QAbstractSlider::actionTriggered, this,
                [this, bar, radius](int sliderAction) {
                    FilterBarAction action;
                    if (FilterBarActionOf(sliderAction, action)) {
                        if (radius) {
                            model_.ScrollRadius(action, bar->sliderPosition());
                        } else {
                            model_.ScrollPower(action, bar->sliderPosition());
                        }
                    }
                    // The bar applies its own step after this signal; the position set here is
                    // used.
                    bar->setSliderPosition(radius ? model_.Radius() : model_.Power());
                    ShowModel();
                });
    };
    follow(radiusBar_, true);
    follow(powerBar_, false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { model_.ShowHelp(); });
    ShowModel();
}

void TUnsharpDialog::ShowModel() {
    const QSignalBlocker blockRadius(radiusBar_);
    const QSignalBlocker blockPower(powerBar_);
    radiusBar_->setValue(model_.Radius());
    powerBar_->setValue(model_.Power());
    radiusEdit_->setText(QString::fromStdString(model_.RadiusText()));
    powerEdit_->setText(QString::fromStdString(model_.PowerText()));
}

}  // namespace vexa
