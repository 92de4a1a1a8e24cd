#include "camera/camera_commands.h"

#include <algorithm>

#include "session/session_state.h"

namespace vexa {

namespace {

constexpr uint16_t kMaxSample = 65535;
constexpr int kBitsWithoutGain = 16;
constexpr int kFewestDataBits = 12;
// Rows and columns the focus peak looks at.
constexpr int kPeakFirstRow = 12;
constexpr int kPeakLastRow = 125;
constexpr int kPeakFirstColumn = 5;
constexpr int kPeakLastColumn = 125;
constexpr int kPeakScaleDivisor = 4;  // the peak is on a 14-bit scale

uint8_t LowByte(int value) {
    return static_cast<uint8_t>(value & 0xFF);
}

}  // namespace

uint32_t ExposureMilliseconds(char unit, uint16_t value) {
    switch (unit) {
        case 'h':
            return kHundredthMs * value;
        case 't':
            return kTenthMs * value;
        case 'm':
            return kMinuteMs * value;
        default:
            return kSecondMs * value;
    }
}

uint32_t FocusExposureMilliseconds(char unit, uint16_t value) {
    switch (unit) {
        case 'h':
            return kHundredthMs * value;
        case 't':
            return kTenthMs * value;
        default:
            return kSecondMs * value;
    }
}

FocusWindowBytes FocusWindowCommandBytes(int x, int y) {
    x = std::clamp(x, 0, kFocusLastAddressableColumn);
    y = std::clamp(y, 0, kFullHeight - 1);
    FocusWindowBytes bytes;
    bytes.rowsBefore = LowByte((y + kFocusRowsBeforeBias) / kFocusRowUnit);
    bytes.rowsAfter = LowByte((kFullHeight - y) / kFocusRowUnit);
    bytes.columnsBefore = LowByte((x + kFocusColumnsBeforeBias) / kFocusColumnUnit);
    bytes.columnsAfter = LowByte((kFullWidth - x) / kFocusColumnUnit);
    return bytes;
}

uint16_t FocusPeak(const uint16_t* frame) {
    int peak = 0;
    for (int row = kPeakFirstRow; row <= kPeakLastRow; ++row) {
        const uint16_t* line = frame + row * kFrameSide;
        const uint16_t* above = line - kFrameSide;
        for (int column = kPeakFirstColumn; column <= kPeakLastColumn; ++column) {
            const int p = line[column] / kPeakScaleDivisor;
            const int q = above[column] / kPeakScaleDivisor;
            if (p > peak && q > peak) peak = p;
        }
    }
    return static_cast<uint16_t>(peak);
}

int FocusGain(int bits) {
    return 1 << (kBitsWithoutGain - std::clamp(bits, kFewestDataBits, kBitsWithoutGain));
}

void ApplyFocusGain(uint16_t* samples, int count, int gain) {
    for (int i = 0; i < count; ++i) {
        const uint32_t product = static_cast<uint32_t>(samples[i]) * static_cast<uint32_t>(gain);
        samples[i] = static_cast<uint16_t>(std::min<uint32_t>(product, kMaxSample));
    }
}

}  // namespace vexa
