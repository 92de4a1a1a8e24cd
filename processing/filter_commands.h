// The "Filters" menu: nine commands over the spatial filters, each with its history line.
#pragma once

namespace vexa {

void CmdUnsharpMask();        // 106: "&Unsharp masking HPF" with the "Unsharp Mask Filter" dialog
void CmdHighPassLowPower();   // 107: "&High Pass, Low Power"
void CmdHighPassHighPower();  // 108: "High Pass, High &Power"
void CmdSmootherSharper();    // 109: "&Smoother/Sharper Filter"
void CmdMedianFilter();  // 3: "&Median Filter - Noise Reduction" with the "Median Filter" dialog
void CmdGaussianSmoother();  // 4: "&Gaussian Smoother Filter"
void CmdLowPassSmoother();   // 5: "Low Pass &Weighted Mean &Smoother"
void CmdBasRelief();         // 7: "&Bas Relief Generator"
void CmdGradientFilter();    // 18: "Gradient &Filter"

// Runs the filter command with this menu id; false for an id that is not a filter command.
bool RunFilterCommand(int commandId);

}  // namespace vexa
