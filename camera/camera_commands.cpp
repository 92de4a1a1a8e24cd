#include "camera/camera_commands.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "camera/camera_usb.h"
#include "camera/half_flux_diameter.h"
#include "session/session_state.h"

namespace vexa {

namespace {

// The transfers hold little-endian samples, copied into the planes as they are.
static_assert(std::endian::native == std::endian::little);

constexpr uint16_t kMaxSample = 65535;
constexpr int kBitsWithoutGain = 16;
constexpr int kFewestDataBits = 12;
// Rows and columns the focus peak looks at.
constexpr int kPeakFirstRow = 12;
constexpr int kPeakLastRow = 125;
constexpr int kPeakFirstColumn = 5;
constexpr int kPeakLastColumn = 125;
constexpr int kPeakScaleDivisor = 4;  // the peak is on a 14-bit scale

void SendExposureControl(uint8_t mode) {
    std::array<uint8_t, kCommandBytes>& block = CommandBlock();
    block.fill(0);
    block[0] = kExposureControlCode;
    block[1] = mode;
    (void)WriteUSBdevice(block.data(), static_cast<int>(kCommandBytes));
}

Status ReadOut(const TransferLayout& layout) {
    SetRequestedTransferBytes(static_cast<uint32_t>(layout.TransferBytes()));
    Status status = ReadBlockIOTransfer();
    CopyTransferImageArea(layout);
    return status;
}

uint8_t LowByte(int value) {
    return static_cast<uint8_t>(value & 0xFF);
}

}  // namespace

void CopyTransferImageArea(const TransferLayout& layout) {
    const uint8_t* source = TransferBuffer() + layout.AreaOffsetBytes();
    auto* destination = reinterpret_cast<uint8_t*>(Session().currentImage.data());
    const size_t rowBytes = layout.AreaRowBytes();
    if (layout.LineBytes() == rowBytes) {
        // The focus window's lines are its rows: one copy.
        std::memcpy(destination, source, rowBytes * static_cast<size_t>(layout.areaLines));
        return;
    }
    for (int row = 0; row < layout.areaLines; ++row) {
        std::memcpy(destination, source, rowBytes);
        source += layout.LineBytes();
        destination += rowBytes;
    }
}

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

void ExposureTick() {
    SendExposureControl(kExposureTickMode);
}

void StartExposure() {
    SendExposureControl(kStartExposureMode);
}

void EndExposure() {
    SendExposureControl(kEndExposureMode);
}

Status ReadFullFrame() {
    // Bytes 5 to 7 stay as the previous command left them (EndExposure: 0).
    std::array<uint8_t, kCommandBytes>& block = CommandBlock();
    std::fill(block.begin() + 1, block.begin() + kFocusColumnsBeforeByte, 0);
    return ReadOut(kFullFrameTransfer);
}

Status ReadBinnedFrame() {
    std::array<uint8_t, kCommandBytes>& block = CommandBlock();
    std::fill(block.begin() + 1, block.end(), 0);
    block[kReadKindByte] = kReadBinnedKind;
    return ReadOut(kBinnedFrameTransfer);
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

Status ReadFocusWindow() {
    const SessionState& s = Session();
    const FocusWindowBytes window = FocusWindowCommandBytes(s.focusWindowX, s.focusWindowY);
    std::array<uint8_t, kCommandBytes>& block = CommandBlock();
    block[1] = 0;
    block[2] = 0;
    block[kFocusRowsBeforeByte] = window.rowsBefore;
    block[kFocusRowsAfterByte] = window.rowsAfter;
    block[kFocusColumnsBeforeByte] = window.columnsBefore;
    block[kFocusColumnsAfterByte] = window.columnsAfter;
    block[kReadKindByte] = kReadFocusKind;
    return ReadOut(kFocusWindowTransfer);
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

uint16_t TakeFocusFrame(FocusReading* reading) {
    SessionState& s = Session();
    const uint32_t exposureMs =
        FocusExposureMilliseconds(s.camera.exposureUnit, s.camera.exposureValue);
    ExposureTick();
    StartExposure();
    WaitWithoutMessages(exposureMs, [exposureMs] {
        if (exposureMs > kTickFreeExposureMs) ExposureTick();
    });
    EndExposure();
    Status readout = ReadFocusWindow();
    const uint16_t peak = FocusPeak(s.currentImage.data());
    if (reading != nullptr) {
        // Measured on the samples as read: the gain would clip the star's core.
        HalfFluxResult hfd;
        const SampleView frame{s.currentImage.data(), kFrameSide, kFrameSide, kFrameSide};
        reading->hfdFound = readout.ok() && MeasureHalfFluxDiameter(frame, hfd).ok();
        reading->hfdPx = reading->hfdFound ? hfd.diameterPx : 0.0;
        reading->readout = std::move(readout);
    }
    if (!s.paletteStretch && s.paletteStretchBits != kBitsWithoutGain) {
        ApplyFocusGain(s.currentImage.data(), kFocusGainSamples, FocusGain(s.paletteStretchBits));
    }
    return peak;
}

}  // namespace vexa
