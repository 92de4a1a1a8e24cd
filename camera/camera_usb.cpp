#include "camera/camera_usb.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

CameraTransport* installed = nullptr;

// One buffer for the life of the program: no transfer ever allocates.
alignas(64) uint8_t transferBuffer[kTransferBufferBytes];
std::array<uint8_t, kCommandBytes> commandBlock{};
uint32_t requestedTransferBytes = 0;

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

// A camera that went away: later transfers fail at once and silently until the next
// discovery, so a sequence in progress does not raise one message per command.
void NoteFailure(const Status& status) {
    SessionState& s = Session();
    if (status.code() == StatusCode::Disconnected) {
        s.camera.linkLost = true;
        s.cameraPresent = false;
    }
}

Status LinkLost() {
    return Status(StatusCode::Disconnected, "the camera is no longer attached");
}

Status NoTransport() {
    return Status(StatusCode::NotFound, "no camera transport");
}

}  // namespace

void SetCameraTransport(CameraTransport* transport) {
    installed = transport;
}

CameraTransport* InstalledCameraTransport() {
    return installed;
}

int OpenUSBdevices(DeviceTable& table) {
    SessionState& s = Session();
    s.camera.linkLost = false;
    CameraDiscovery found;
    if (installed != nullptr) {
        found = installed->Discover();
    } else {
        found.status = NoTransport();
    }
    FillTable(table, found.hidInterfaces, false);
    FillTable(table, found.blockIoInterfaces, true);
    const int result = found.hidInterfaces.empty() && found.blockIoInterfaces.empty() ? 0 : 1;

    if (found.deviceListUnavailable) {
        ShowMessage(MessageCode::CallerText,
                    std::string(kPnpNodeText) + "\n" + found.status.text());
        s.cameraPresent = false;
        return 0;
    }
    const StatusCode code = found.status.code();
    if (code != StatusCode::Ok && code != StatusCode::NotFound) {
        // An interface that would not open; a permission problem names the udev rule.
        Ui().StopMessageBox(kErrorCaption,
                            std::string(kOpenHidFailedText) + "\n" + found.status.text());
        s.cameraPresent = false;
        return 0;
    }
    if (!found.hidOpen || !found.blockIoOpen) {
        std::string text = kBlockIoNotFoundText;
        if (!found.status.ok() && !found.status.text().empty()) text += "\n" + found.status.text();
        ShowMessage(MessageCode::CallerText, text);
        s.cameraPresent = false;
        return result;
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
    s.cameraPresent = true;
    return result;
}

Status WriteUSBdevice(const uint8_t* bytes, int count) {
    if (count > static_cast<int>(kMaxHidPayloadBytes)) {
        ShowMessage(MessageCode::CallerText, kWriteTooLongText);
        return Status(StatusCode::InvalidArgument, kWriteTooLongText);
    }
    if (count < 0 || (count > 0 && bytes == nullptr)) {
        return Status(StatusCode::InvalidArgument, "no bytes to send");
    }
    if (Session().camera.linkLost) return LinkLost();
    std::array<uint8_t, kMaxHidPayloadBytes + 1> report{};
    report[0] = kHidReportId;
    if (count > 0) std::memcpy(report.data() + 1, bytes, static_cast<size_t>(count));
    Status status = installed != nullptr ? installed->WriteReport(std::span<const uint8_t>(
                                               report.data(), static_cast<size_t>(count) + 1))
                                         : NoTransport();
    if (!status.ok()) {
        ShowMessage(MessageCode::CallerText, FailureText(kWriteFailedFormat, status));
        NoteFailure(status);
    }
    return status;
}

Status ReadUSBdevice(uint8_t* dest, int count) {
    if (count > static_cast<int>(kMaxHidPayloadBytes)) {
        ShowMessage(MessageCode::CallerText, kReadTooLongText);
        return Status(StatusCode::InvalidArgument, kReadTooLongText);
    }
    if (count < 1) {
        ShowMessage(MessageCode::CallerText, kReadTooShortText);
        return Status(StatusCode::InvalidArgument, kReadTooShortText);
    }
    if (dest == nullptr) return Status(StatusCode::InvalidArgument, "no destination");
    if (Session().camera.linkLost) return LinkLost();
    size_t delivered = 0;
    Status status = installed != nullptr
                        ? installed->ReadReport(
                              std::span<uint8_t>(transferBuffer, static_cast<size_t>(count) + 1),
                              delivered, kInputReportTimeoutMs)
                        : NoTransport();
    if (!status.ok()) {
        ShowMessage(MessageCode::CallerText, kInputReportFailedText);
        NoteFailure(status);
        return status;
    }
    const size_t data = std::min(delivered > 0 ? delivered - 1 : 0, static_cast<size_t>(count));
    std::memcpy(dest, transferBuffer + 1, data);
    return status;
}

std::array<uint8_t, kCommandBytes>& CommandBlock() {
    return commandBlock;
}

void SetRequestedTransferBytes(uint32_t bytes) {
    requestedTransferBytes = bytes;
}

uint32_t RequestedTransferBytes() {
    return requestedTransferBytes;
}

Status ReadBlockIOTransfer() {
    commandBlock[0] = kReadPixelsCode;
    Status status = WriteUSBdevice(commandBlock.data(), static_cast<int>(kCommandBytes));
    // Without the command the camera sends nothing: waiting out the read would only freeze the
    // window for its time limit.
    if (!status.ok()) {
        Session().cameraPresent = false;
        return status;
    }
    const size_t requested = std::min<size_t>(requestedTransferBytes, kTransferBufferBytes);
    if (Session().camera.linkLost) return LinkLost();
    size_t delivered = 0;
    status = installed != nullptr
                 ? installed->ReadBulk(std::span<uint8_t>(transferBuffer, requested), delivered,
                                       TransferTimeoutMs(requested))
                 : NoTransport();
    if (status.ok() && delivered != requested) {
        status =
            Status(StatusCode::ShortTransfer, "received " + std::to_string(delivered) + " of " +
                                                  std::to_string(requested) + " bytes");
    }
    if (!status.ok()) {
        ShowMessage(MessageCode::CallerText, FailureText(kBlockIoReadFailedFormat, status));
        NoteFailure(status);
        // Whatever the cause, the next capture looks for the camera again.
        Session().cameraPresent = false;
    }
    return status;
}

const uint8_t* TransferBuffer() {
    return transferBuffer;
}

void CloseUSBdevices() {
    if (installed != nullptr) installed->Close();
    SessionState& s = Session();
    s.cameraPresent = false;
    s.camera.linkLost = false;
}

}  // namespace vexa
