#include "ui/t_median_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/t_unsharp_dialog.h"

namespace vexa {

TMedianDialog::TMedianDialog(MedianDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QString::fromStdString(model_.Title()));
    const auto newBar = [this](int low, int high) {
        auto* bar = new QScrollBar(Qt::Horizontal, this);
        bar->setRange(low, high);
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setMinimumWidth(160);
        return bar;
    };
    const auto newEdit = [this] {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);  // shows the value; only the bars change it
        edit->setMaximumWidth(50);
        return edit;
    };
    radiusEdit_ = newEdit();
    powerEdit_ = newEdit();
    radiusBar_ = newBar(kMedianRadiusBarMin, kMedianRadiusBarMax);
    powerBar_ = newBar(kMedianPowerBarMin, kMedianPowerBarMax);

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
                    bar->setSliderPosition(radius ? model_.Radius() : model_.PowerTenths());
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

void TMedianDialog::ShowModel() {
    const QSignalBlocker blockRadius(radiusBar_);
    const QSignalBlocker blockPower(powerBar_);
    radiusBar_->setValue(model_.Radius());
    powerBar_->setValue(model_.PowerTenths());
    radiusEdit_->setText(QString::fromStdString(model_.RadiusText()));
    powerEdit_->setText(QString::fromStdString(model_.PowerText()));
}

}  // namespace vexa
