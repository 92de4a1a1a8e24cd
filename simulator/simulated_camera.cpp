// The simulated camera's wire behaviour: discovery, the 8-byte commands, and the transfers.
#include "simulator/simulated_camera.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "session/clock.h"

namespace vexa {
namespace {

constexpr int kLowByteCount = 256;  // the counts travel as their low 8 bits

// The corner coordinate that both counts allow. count before = (p + bias) / unit, count
// after = (extent - p) / unit, each sent as its low 8 bits. The count before is taken as sent
// and the count after only narrows it down (its own wrap undone), so a column count before
// that wrapped puts the window 1024 columns further left.
int DecodeAxis(uint8_t before, uint8_t after, int unit, int bias, int extent) {
    const int lowFromBefore = before * unit - bias;
    const int highFromBefore = lowFromBefore + unit - 1;
    for (int afterWraps = 0; afterWraps < 2; ++afterWraps) {
        const int highFromAfter = extent - (after + afterWraps * kLowByteCount) * unit;
        const int lowFromAfter = highFromAfter - unit + 1;
        const int low = std::max(lowFromBefore, lowFromAfter);
        const int high = std::min(highFromBefore, highFromAfter);
        if (low <= high) return static_cast<int>(std::floor((low + high) / 2.0));
    }
    return static_cast<int>(std::floor((lowFromBefore + highFromBefore) / 2.0));
}

Status Unplugged() {
    return Status(StatusCode::Disconnected, "the simulated camera was unplugged");
}

}  // namespace

const TransferLayout& LayoutOf(Readout readout) {
    switch (readout) {
        case Readout::Binned:
            return kBinnedFrameTransfer;
        case Readout::FocusWindow:
            return kFocusWindowTransfer;
        case Readout::Full:
            break;
    }
    return kFullFrameTransfer;
}

FocusWindowCorner DecodeFocusWindow(uint8_t rowsBefore, uint8_t rowsAfter, uint8_t columnsBefore,
                                    uint8_t columnsAfter) {
    FocusWindowCorner corner;
    corner.column = DecodeAxis(columnsBefore, columnsAfter, kFocusColumnUnit,
                               kFocusColumnsBeforeBias, kSensorColumns);
    corner.row =
        DecodeAxis(rowsBefore, rowsAfter, kFocusRowUnit, kFocusRowsBeforeBias, kSensorRows);
    return corner;
}

SimulatedCamera::SimulatedCamera(SkyModel& sky) : sky_(sky) {
    sky_.SetEpochMs(TheClock().Milliseconds());
}

CameraDiscovery SimulatedCamera::Discover() {
    Close();
    if (unplugged_) {
        // Plugged in again: the camera starts afresh.
        unplugged_ = false;
        exposing_ = false;
        charged_ = false;
        prepared_ = false;
    }
    CameraDiscovery found;
    if (discoveryFault_ == DiscoveryFault::NoCamera) return found;
    found.hidInterfaces.push_back({kSimulatedVendorId, kSimulatedProductId, kSimulatedManufacturer,
                                   kSimulatedHidProduct, kSimulatedHidPath});
    hidOpen_ = found.hidOpen = true;
    found.hidHandle = kSimulatedHidHandle;
    if (discoveryFault_ != DiscoveryFault::NoBlockIo) {
        found.blockIoInterfaces.push_back({kSimulatedVendorId, kSimulatedProductId,
                                           kSimulatedManufacturer, kSimulatedBlockIoProduct,
                                           kSimulatedBlockIoPath});
        blockIoOpen_ = found.blockIoOpen = true;
        found.blockIoHandle = kSimulatedBlockIoHandle;
    }
    return found;
}

void SimulatedCamera::Close() {
    hidOpen_ = false;
    blockIoOpen_ = false;
}

void SimulatedCamera::Unplug() {
    unplugged_ = true;
    hidOpen_ = false;
    blockIoOpen_ = false;
}

void SimulatedCamera::FailNextBulkRead(BulkFault fault, size_t bytesDelivered) {
    bulkFault_ = fault;
    bulkFaultBytes_ = bytesDelivered;
}

Status SimulatedCamera::Usable() const {
    if (unplugged_) return Unplugged();
    if (!hidOpen_) return Status(StatusCode::IoError, "the simulated camera is not open");
    return Status::Ok();
}

Status SimulatedCamera::WriteReport(std::span<const uint8_t> report) {
    if (Status usable = Usable(); !usable.ok()) return usable;
    if (report.size() != kCommandReportBytes) {
        return Status(StatusCode::InvalidArgument,
                      "the simulated camera takes output reports of 8 bytes after the report id");
    }
    if (report[0] != kHidReportId) {
        return Status(StatusCode::InvalidArgument, "the simulated camera has no such report id");
    }
    Command(report.data() + 1);
    return Status::Ok();
}

void SimulatedCamera::Command(const uint8_t* command) {
    std::array<uint8_t, kCommandBytes> copy;
    std::copy(command, command + kCommandBytes, copy.begin());
    commands_.push_back(copy);
    if (commands_.size() > kRememberedCommands) commands_.pop_front();

    if (command[0] == kReadPixelsCode) {
        PrepareRead(command);
        return;
    }
    if (command[0] != kExposureControlCode) return;
    const uint32_t now = TheClock().Milliseconds();
    if (command[1] == kStartExposureMode) {
        exposing_ = true;
        charged_ = false;
        exposureStartMs_ = now;
    } else if (command[1] == kEndExposureMode && exposing_) {
        exposing_ = false;
        charged_ = true;
        charge_.exposureMs = now - exposureStartMs_;
        charge_.midClockMs = exposureStartMs_ + charge_.exposureMs / 2;
    }
    // ExposureTick only keeps an exposure going; other modes are not the camera's.
}

void SimulatedCamera::PrepareRead(const uint8_t* command) {
    Readout readout;
    switch (command[kReadKindByte]) {
        case 0:
            readout = Readout::Full;
            break;
        case kReadBinnedKind:
            readout = Readout::Binned;
            break;
        case kReadFocusKind:
            readout = Readout::FocusWindow;
            break;
        default:
            return;  // not a readout this camera knows
    }
    const uint32_t now = TheClock().Milliseconds();
    if (exposing_) {
        exposing_ = false;
        charged_ = true;
        charge_.exposureMs = now - exposureStartMs_;
        charge_.midClockMs = exposureStartMs_ + charge_.exposureMs / 2;
    }
    exposure_ = charged_ ? charge_ : SkyExposure{0, now};
    charged_ = false;
    readout_ = readout;
    prepared_ = true;
    if (readout == Readout::FocusWindow) {
        focusCorner_ =
            DecodeFocusWindow(command[kFocusRowsBeforeByte], command[kFocusRowsAfterByte],
                              command[kFocusColumnsBeforeByte], command[kFocusColumnsAfterByte]);
    }
}

void SimulatedCamera::RenderTransfer() {
    const TransferLayout& layout = LayoutOf(readout_);
    const size_t lineSamples = static_cast<size_t>(layout.samplesPerLine);
    samples_.resize(static_cast<size_t>(layout.lines) * lineSamples);

    SensorWindow area{0, 0, layout.areaSamples, layout.areaLines, 1};
    if (readout_ == Readout::Binned) area.bin = 2;
    if (readout_ == Readout::FocusWindow) {
        area.firstColumn = focusCorner_.column;
        area.firstRow = focusCorner_.row;
    }
    uint16_t* const base = samples_.data();
    const size_t areaStart = static_cast<size_t>(layout.areaFirstLine) * lineSamples +
                             static_cast<size_t>(layout.areaFirstSample);
    sky_.Render(exposure_, area, base + areaStart, lineSamples);

    // Everything around the image area reads as overscan.
    const size_t areaLines = static_cast<size_t>(layout.areaLines);
    const size_t firstLine = static_cast<size_t>(layout.areaFirstLine);
    const size_t areaSamples = static_cast<size_t>(layout.areaSamples);
    const size_t firstSample = static_cast<size_t>(layout.areaFirstSample);
    sky_.FillBias(base, firstLine * lineSamples);
    for (size_t line = firstLine; line < firstLine + areaLines; ++line) {
        uint16_t* row = base + line * lineSamples;
        sky_.FillBias(row, firstSample);
        sky_.FillBias(row + firstSample + areaSamples, lineSamples - firstSample - areaSamples);
    }
    const size_t after = firstLine + areaLines;
    sky_.FillBias(base + after * lineSamples,
                  (static_cast<size_t>(layout.lines) - after) * lineSamples);
}

Status SimulatedCamera::ReadReport(std::span<uint8_t> /*report*/, size_t& delivered,
                                   int /*timeoutMs*/) {
    delivered = 0;
    if (Status usable = Usable(); !usable.ok()) return usable;
    return Status(StatusCode::Timeout, "the simulated camera sends no input reports");
}

Status SimulatedCamera::ReadBulk(std::span<uint8_t> dest, size_t& delivered, int /*timeoutMs*/) {
    delivered = 0;
    if (unplugged_) return Unplugged();
    if (!blockIoOpen_) {
        return Status(StatusCode::IoError, "the simulated camera's BlockIO interface is not open");
    }
    const BulkFault fault = bulkFault_;
    bulkFault_ = BulkFault::None;
    if (fault == BulkFault::Failed) {
        prepared_ = false;
        return Status(StatusCode::IoError, "simulated bulk transfer failure", EIO);
    }
    if (!prepared_) {
        return Status(StatusCode::Timeout, "the simulated camera has no transfer to send");
    }
    prepared_ = false;
    RenderTransfer();

    const size_t transferBytes = samples_.size() * 2;
    size_t count = std::min(dest.size(), transferBytes);
    if (fault != BulkFault::None) {
        count =
            std::min({bulkFaultBytes_, dest.size() > 0 ? dest.size() - 1 : 0, transferBytes - 1});
    }
    uint8_t* bytes = dest.data();
    for (size_t i = 0; i < count / 2; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(samples_[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(samples_[i] >> 8);
    }
    if (count % 2 != 0) bytes[count - 1] = static_cast<uint8_t>(samples_[count / 2] & 0xFF);
    delivered = count;

    if (fault == BulkFault::Short) {
        return Status(StatusCode::ShortTransfer, "simulated short bulk transfer");
    }
    if (fault == BulkFault::TimedOut) {
        return Status(StatusCode::Timeout, "simulated bulk transfer timeout");
    }
    if (dest.size() > transferBytes) {
        return Status(StatusCode::ShortTransfer,
                      "the simulated camera sent its whole transfer, fewer bytes than asked for");
    }
    if (dest.size() < transferBytes) {
        return Status(StatusCode::IoError,
                      "the simulated camera sent more bytes than asked for (overflow)");
    }
    return Status::Ok();
}

}  // namespace vexa
