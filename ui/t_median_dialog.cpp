#include "ui/t_median_dialog.h"

#include "ui/radius_power_body.h"

namespace vexa {

TMedianDialog::TMedianDialog(MedianDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    const RadiusPowerControls c = BuildRadiusPowerBody(
        this, model_,
        {kMedianRadiusBarMin, kMedianRadiusBarMax, kMedianPowerBarMin, kMedianPowerBarMax, true},
        &MedianDialogModel::PowerTenths);
    radiusEdit_ = c.radiusEdit;
    powerEdit_ = c.powerEdit;
    radiusBar_ = c.radiusBar;
    powerBar_ = c.powerBar;
}

}  // namespace vexa
