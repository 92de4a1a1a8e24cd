// The "Contrast" menu: eight commands that rewrite currentImage through the transfer table,
// with their dialogs, defaults and history lines.
#pragma once

namespace vexa {

void NormalStretch();     // 1: "&Normal Stretch" with the "Normal Stretch" dialog
void PowerLawStretch();   // 2: "&Power Law Stretch" with the "Power Law Stretch" dialog
void SineStretch();       // 101: "&Sine Law Stretch"
void RemoveBackground();  // 120: "&Remove Background " at the current background level
void NonLinearStretch();  // 117: "N&on-Linear Stretch" with the "Non-Linear Stretch" dialog
void LogStretch();        // 102: "&Logarithmic Stretch"
void AntilogStretch();    // 103: "&Antilogarithmic Stretch"
void InvertStretch();     // 105: "&Invert image to Negative"

// What the dialog commands do once their dialog is confirmed, for callers that already hold
// the values (the command line). Each returns false, changing nothing, where its command
// would do nothing: white not above black (or a level outside 0..300, 0..255), exponent 1.0.
bool ApplyNormalStretch(int white, int black);
bool ApplyPowerLawStretch(double exponent);
void ApplyNonLinearStretch(double power);

}  // namespace vexa
