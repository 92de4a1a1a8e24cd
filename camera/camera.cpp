#include "camera/camera.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "camera/half_flux_diameter.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

// The transfers hold little-endian samples, copied into the planes as they are.
static_assert(std::endian::native == std::endian::little);

constexpr int kBitsWithoutGain = 16;

// The report of a failed transfer: the program's text with the system's error number, then
// what the transport knows of the failure.
std::string FailureText(const char* format, const Status& status) {
    char text[128];
    std::snprintf(text, sizeof text, format, status.systemError());
    return std::string(text) + status.text();
}

void StoreText(std::array<char, kDeviceTextBytes>& field, const std::string& text) {
    // Narrowed as the platform hands the strings over: up to the first zero, at most 255.
    const size_t length = std::min(std::strlen(text.c_str()), kDeviceTextBytes - 1);
    std::memcpy(field.data(), text.data(), length);
    field[length] = '\0';
}

void FillTable(DeviceTable& table, const std::vector<UsbInterfaceInfo>& interfaces,
               bool isBlockIo) {
    for (int index = 0; index < kDeviceTableEntries; ++index) {
        DeviceTableEntry& entry = table[static_cast<size_t>(index)];
        entry.vendorId = 0;
        if (static_cast<size_t>(index) >= interfaces.size()) continue;
        const UsbInterfaceInfo& info = interfaces[static_cast<size_t>(index)];
        entry.vendorId = info.vendorId;
        entry.productId = info.productId;
        StoreText(entry.manufacturer,
                  info.manufacturer.empty() ? kNotPresentText : info.manufacturer);
        // The BlockIO interface's product text is taken whatever its query returned.
        StoreText(entry.product,
                  info.product.empty() && !isBlockIo ? kNotPresentText : info.product);
    }
}

Status LinkLost() {
    return Status(StatusCode::Disconnected, "the camera is no longer attached");
}

constexpr CommandBytes ExposureControl(uint8_t mode) {
    return {kExposureControlCode, mode, 0, 0, 0, 0, 0, 0};
}

}  // namespace

Camera::Camera(CameraTransport& transport)
    : transport_(transport), transferBuffer_(new uint8_t[kTransferBufferBytes]()) {}

// A camera that went away: later transfers fail at once and silently until the next
// discovery, so a sequence in progress does not raise one message per command.
void Camera::NoteFailure(const Status& status) {
    if (status.code() == StatusCode::Disconnected) {
        linkLost_ = true;
        present_ = false;
    }
}

Status Camera::OpenUSBdevices(DeviceTable& table, int* enumerated) {
    SessionState& s = Session();
    linkLost_ = false;
    const CameraDiscovery found = transport_.Discover();
    FillTable(table, found.hidInterfaces, false);
    FillTable(table, found.blockIoInterfaces, true);
    const bool any = !found.hidInterfaces.empty() || !found.blockIoInterfaces.empty();
    if (enumerated != nullptr) *enumerated = any ? 1 : 0;

    present_ = false;
    if (found.deviceListUnavailable) {
        if (enumerated != nullptr) *enumerated = 0;
        ShowMessage(MessageCode::CallerText,
                    std::string(kPnpNodeText) + "\n" + found.status.text());
        return found.status;
    }
    const StatusCode code = found.status.code();
    if (code != StatusCode::Ok && code != StatusCode::NotFound) {
        // An interface that would not open; a permission problem names the udev rule.
        if (enumerated != nullptr) *enumerated = 0;
        Ui().StopMessageBox(kErrorCaption,
                            std::string(kOpenHidFailedText) + "\n" + found.status.text());
        return found.status;
    }
    if (!found.hidOpen || !found.blockIoOpen) {
        std::string text = kBlockIoNotFoundText;
        if (!found.status.ok() && !found.status.text().empty()) text += "\n" + found.status.text();
        ShowMessage(MessageCode::CallerText, text);
        return found.status.ok() ? Status(StatusCode::NotFound, kBlockIoNotFoundText)
                                 : found.status;
    }
    // Interrupt masking is kept as a setting only: the host gives a program no such control.
    s.interruptMaskingPermitted = found.osMajor == 4 && found.osMinor > 0;
    if (s.settings.showInterfaceDetails) {
        char text[128];
        std::snprintf(text, sizeof text, kCameraFoundFormat, found.hidHandle, found.blockIoHandle,
                      found.osMajor, found.osMinor);
        ShowMessage(MessageCode::CallerText, text);
    }
    if (!found.notice.empty()) ShowMessage(MessageCode::CallerText, found.notice);
    present_ = true;
    return Status();
}

Status Camera::WriteUSBdevice(const uint8_t* bytes, int count) {
    if (count > static_cast<int>(kMaxHidPayloadBytes)) {
        ShowMessage(MessageCode::CallerText, kWriteTooLongText);
        return Status(StatusCode::InvalidArgument, kWriteTooLongText);
    }
    if (count < 0 || (count > 0 && bytes == nullptr)) {
        return Status(StatusCode::InvalidArgument, "no bytes to send");
    }
    if (linkLost_) return LinkLost();
    std::array<uint8_t, kMaxHidPayloadBytes + 1> report{};
    report[0] = kHidReportId;
    if (count > 0) std::memcpy(report.data() + 1, bytes, static_cast<size_t>(count));
    Status status = transport_.WriteReport(
        std::span<const uint8_t>(report.data(), static_cast<size_t>(count) + 1));
    if (!status.ok()) {
        ShowMessage(MessageCode::CallerText, FailureText(kWriteFailedFormat, status));
        NoteFailure(status);
    }
    return status;
}

Status Camera::ReadUSBdevice(uint8_t* dest, int count) {
    if (count > static_cast<int>(kMaxHidPayloadBytes)) {
        ShowMessage(MessageCode::CallerText, kReadTooLongText);
        return Status(StatusCode::InvalidArgument, kReadTooLongText);
    }
    if (count < 1) {
        ShowMessage(MessageCode::CallerText, kReadTooShortText);
        return Status(StatusCode::InvalidArgument, kReadTooShortText);
    }
    if (dest == nullptr) return Status(StatusCode::InvalidArgument, "no destination");
    if (linkLost_) return LinkLost();
    size_t delivered = 0;
    Status status = transport_.ReadReport(
        std::span<uint8_t>(transferBuffer_.get(), static_cast<size_t>(count) + 1), delivered,
        kInputReportTimeoutMs);
    if (!status.ok()) {
        ShowMessage(MessageCode::CallerText, kInputReportFailedText);
        NoteFailure(status);
        return status;
    }
    const size_t data = std::min(delivered > 0 ? delivered - 1 : 0, static_cast<size_t>(count));
    std::memcpy(dest, transferBuffer_.get() + 1, data);
    return status;
}

Status Camera::ReadBlockIOTransfer(const CommandBytes& command, uint32_t requestedBytes) {
    commandBlock_ = command;
    commandBlock_[0] = kReadPixelsCode;
    Status status = WriteUSBdevice(commandBlock_.data(), static_cast<int>(kCommandBytes));
    // Without the command the camera sends nothing: waiting out the read would only freeze the
    // window for its time limit.
    if (!status.ok()) {
        present_ = false;
        return status;
    }
    const size_t requested = std::min<size_t>(requestedBytes, kTransferBufferBytes);
    if (linkLost_) return LinkLost();
    size_t delivered = 0;
    status = transport_.ReadBulk(std::span<uint8_t>(transferBuffer_.get(), requested), delivered,
                                 TransferTimeoutMs(requested));
    if (status.ok() && delivered != requested) {
        status =
            Status(StatusCode::ShortTransfer, "received " + std::to_string(delivered) + " of " +
                                                  std::to_string(requested) + " bytes");
    }
    if (!status.ok()) {
        ShowMessage(MessageCode::CallerText, FailureText(kBlockIoReadFailedFormat, status));
        NoteFailure(status);
        // Whatever the cause, the next capture looks for the camera again.
        present_ = false;
    }
    return status;
}

void Camera::CloseUSBdevices() {
    transport_.Close();
    present_ = false;
    linkLost_ = false;
}

Status Camera::SendCommand(const CommandBytes& command) {
    commandBlock_ = command;
    return WriteUSBdevice(commandBlock_.data(), static_cast<int>(kCommandBytes));
}

Status Camera::ExposureTick() {
    return SendCommand(ExposureControl(kExposureTickMode));
}

Status Camera::StartExposure() {
    return SendCommand(ExposureControl(kStartExposureMode));
}

Status Camera::EndExposure() {
    return SendCommand(ExposureControl(kEndExposureMode));
}

void Camera::CopyTransferImageArea(const TransferLayout& layout) {
    const uint8_t* source = transferBuffer_.get() + layout.AreaOffsetBytes();
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

Status Camera::ReadOut(const CommandBytes& command, const TransferLayout& layout) {
    Status status = ReadBlockIOTransfer(command, static_cast<uint32_t>(layout.TransferBytes()));
    CopyTransferImageArea(layout);
    return status;
}

Status Camera::ReadFullFrame() {
    return ReadOut({kReadPixelsCode, 0, 0, 0, 0, 0, 0, 0}, kFullFrameTransfer);
}

Status Camera::ReadBinnedFrame() {
    return ReadOut({kReadPixelsCode, 0, 0, 0, 0, 0, 0, kReadBinnedKind}, kBinnedFrameTransfer);
}

Status Camera::ReadFocusWindow() {
    const SessionState& s = Session();
    const FocusWindowBytes window = FocusWindowCommandBytes(s.focusWindowX, s.focusWindowY);
    CommandBytes command{kReadPixelsCode};
    command[kFocusRowsBeforeByte] = window.rowsBefore;
    command[kFocusRowsAfterByte] = window.rowsAfter;
    command[kFocusColumnsBeforeByte] = window.columnsBefore;
    command[kFocusColumnsAfterByte] = window.columnsAfter;
    command[kReadKindByte] = kReadFocusKind;
    return ReadOut(command, kFocusWindowTransfer);
}

Status Camera::TakeFocusFrame(FocusReading* reading) {
    SessionState& s = Session();
    const uint32_t exposureMs =
        FocusExposureMilliseconds(s.camera.exposureUnit, s.camera.exposureValue);
    (void)ExposureTick();
    (void)StartExposure();
    WaitWithoutMessages(exposureMs, [this, exposureMs] {
        if (exposureMs > kTickFreeExposureMs) (void)ExposureTick();
    });
    (void)EndExposure();
    Status readout = ReadFocusWindow();
    if (reading != nullptr) {
        reading->peak = FocusPeak(s.currentImage.data());
        // Measured on the samples as read: the gain would clip the star's core.
        HalfFluxResult hfd;
        const SampleView frame{s.currentImage.data(), kFrameSide, kFrameSide, kFrameSide};
        reading->hfdFound = readout.ok() && MeasureHalfFluxDiameter(frame, hfd).ok();
        reading->hfdPx = reading->hfdFound ? hfd.diameterPx : 0.0;
    }
    if (!s.paletteStretch && s.paletteStretchBits != kBitsWithoutGain) {
        ApplyFocusGain(s.currentImage.data(), kFocusGainSamples, FocusGain(s.paletteStretchBits));
    }
    return readout;
}

}  // namespace vexa
