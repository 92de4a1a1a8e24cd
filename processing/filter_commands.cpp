#include "processing/filter_commands.h"

#include "processing/filters.h"
#include "processing/undo_history.h"
#include "resources/command_table.h"

namespace vexa {

namespace {

constexpr int kRadius3x3 = 1;
constexpr int kRadius5x5 = 2;
constexpr int kNoDivision = 1;

// A fixed-kernel command: the convolution core with refresh, then its history line.
void RunKernel(int radius, int kernelIndex, int divisor, const char* historyLine) {
    ConvolveImage(radius, kernelIndex, divisor, true);
    AppendHistory(historyLine);
}

}  // namespace

void CmdUnsharpMask() {
    UnsharpMask();
}

void CmdHighPassLowPower() {
    RunKernel(kRadius3x3, kHighPassLowPowerKernel, kNoDivision, kHighPassLowPowerLine);
}

void CmdHighPassHighPower() {
    RunKernel(kRadius5x5, kHighPassHighPowerKernel, kNoDivision, kHighPassHighPowerLine);
}

void CmdSmootherSharper() {
    RunKernel(kRadius5x5, kSmootherSharperKernel, kNoDivision, kSmootherSharperLine);
}

void CmdMedianFilter() {
    MedianFilter();
}

void CmdGaussianSmoother() {
    RunKernel(kRadius5x5, kGaussianKernel, kGaussianDivisor, kGaussianLine);
}

void CmdLowPassSmoother() {
    RunKernel(kRadius3x3, kLowPassKernel, kLowPassDivisor, kLowPassLine);
}

void CmdBasRelief() {
    RunKernel(kRadius5x5, kBasReliefKernel, kNoDivision, kBasReliefLine);
}

void CmdGradientFilter() {
    GradientFilter();
}

bool RunFilterCommand(int commandId) {
    switch (commandId) {
        case cmd::kUnsharp:
            CmdUnsharpMask();
            return true;
        case cmd::kHighPassLow:
            CmdHighPassLowPower();
            return true;
        case cmd::kHighPassHigh:
            CmdHighPassHighPower();
            return true;
        case cmd::kSmootherSharper:
            CmdSmootherSharper();
            return true;
        case cmd::kMedian:
            CmdMedianFilter();
            return true;
        case cmd::kGaussian:
            CmdGaussianSmoother();
            return true;
        case cmd::kLowPass:
            CmdLowPassSmoother();
            return true;
        case cmd::kBasRelief:
            CmdBasRelief();
            return true;
        case cmd::kGradient:
            CmdGradientFilter();
            return true;
        default:
            return false;
    }
}

}  // namespace vexa
