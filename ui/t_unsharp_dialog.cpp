#include "ui/t_unsharp_dialog.h"

#include "ui/radius_power_body.h"

namespace vexa {

TUnsharpDialog::TUnsharpDialog(UnsharpDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    const RadiusPowerControls c = BuildRadiusPowerBody(
        this, model_, {kUnsharpBarMin, kUnsharpBarMax, kUnsharpBarMin, kUnsharpBarMax, false},
        &UnsharpDialogModel::Power);
    radiusBar_ = c.radiusBar;
    powerBar_ = c.powerBar;
    radiusEdit_ = c.radiusEdit;
    powerEdit_ = c.powerEdit;
}

}  // namespace vexa
