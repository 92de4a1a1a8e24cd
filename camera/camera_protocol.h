// The camera's wire protocol: the 8-byte commands sent as HID output reports and the layouts
// of the three image transfers read from the BlockIO interface. The camera layer and the
// simulated camera both build on these numbers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexa {

// ---- commands: an 8-byte block, sent as a 9-byte HID output report with report id 0 ----
constexpr size_t kCommandBytes = 8;
constexpr size_t kCommandReportBytes = kCommandBytes + 1;
constexpr uint8_t kHidReportId = 0;
// The HID layer carries at most this many payload bytes per report.
constexpr size_t kMaxHidPayloadBytes = 254;

constexpr uint8_t kExposureControlCode = 2;  // byte 0; byte 1 says which control
constexpr uint8_t kExposureTickMode = 2;
constexpr uint8_t kStartExposureMode = 1;
constexpr uint8_t kEndExposureMode = 3;
constexpr uint8_t kReadPixelsCode = 4;  // byte 0 of every readout
// Byte 7 of a readout: 0 (as left by the previous command) full frame, 2 binned, 1 focus.
constexpr size_t kReadKindByte = 7;
constexpr uint8_t kReadBinnedKind = 2;
constexpr uint8_t kReadFocusKind = 1;
// Bytes 3 to 6 of a focus-window readout: rows before, rows after, columns before, columns
// after the window, in the units below (low 8 bits of each quotient are sent).
constexpr size_t kFocusRowsBeforeByte = 3;
constexpr size_t kFocusRowsAfterByte = 4;
constexpr size_t kFocusColumnsBeforeByte = 5;
constexpr size_t kFocusColumnsAfterByte = 6;
constexpr int kFocusRowUnit = 30;
constexpr int kFocusRowsBeforeBias = 7;  // rows before = (y + 7) / 30
constexpr int kFocusColumnUnit = 4;
constexpr int kFocusColumnsBeforeBias = 11;  // columns before = (x + 11) / 4

// ---- transfers: 16-bit little-endian samples, line after line ----
struct TransferLayout {
    int lines;           // lines in the transfer
    int samplesPerLine;  // samples in each transfer line
    int areaLines;       // lines of the image area
    int areaSamples;     // samples in each line of the image area
    int areaFirstLine;   // where the image area starts in the transfer
    int areaFirstSample;
    constexpr size_t TransferBytes() const {
        return static_cast<size_t>(lines) * static_cast<size_t>(samplesPerLine) * 2;
    }
    constexpr size_t LineBytes() const { return static_cast<size_t>(samplesPerLine) * 2; }
    constexpr size_t AreaRowBytes() const { return static_cast<size_t>(areaSamples) * 2; }
    constexpr size_t AreaOffsetBytes() const {
        return (static_cast<size_t>(areaFirstLine) * static_cast<size_t>(samplesPerLine) +
                static_cast<size_t>(areaFirstSample)) *
               2;
    }
};

constexpr TransferLayout kFullFrameTransfer{1035, 1408, 1030, 1300, 4, 30};
constexpr TransferLayout kBinnedFrameTransfer{520, 704, 515, 650, 2, 17};
constexpr TransferLayout kFocusWindowTransfer{158, 128, 128, 128, 30, 0};

constexpr size_t kFullFrameTransferBytes = kFullFrameTransfer.TransferBytes();
constexpr size_t kBinnedFrameTransferBytes = kBinnedFrameTransfer.TransferBytes();
constexpr size_t kFocusWindowTransferBytes = kFocusWindowTransfer.TransferBytes();
// The one transfer buffer: larger than the largest transfer, shared with HID input reports.
constexpr size_t kTransferBufferBytes = 3000000;

static_assert(kFullFrameTransferBytes == 2914560 && kBinnedFrameTransferBytes == 732160 &&
              kFocusWindowTransferBytes == 40448);
static_assert(kFullFrameTransfer.AreaOffsetBytes() == 11324 &&
              kBinnedFrameTransfer.AreaOffsetBytes() == 2850 &&
              kFocusWindowTransfer.AreaOffsetBytes() == 7680);
static_assert(kTransferBufferBytes > kFullFrameTransferBytes);

}  // namespace vexa
