// One TQ camera as the program drives it: the transport it talks through, its 8-byte command
// block and its transfer buffer. Discovery, the HID reports with their limits and messages,
// the BlockIO transfer, the exposure controls, the three readouts into currentImage and the
// focus frame are its operations. A front end builds one over its device and passes it to
// the commands that use a camera; nothing reaches a camera any other way.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "camera/camera_commands.h"
#include "camera/camera_protocol.h"
#include "camera/camera_transport.h"
#include "camera/camera_usb.h"
#include "session/status.h"

namespace vexa {

using CommandBytes = std::array<uint8_t, kCommandBytes>;

class Camera {
  public:
    // The transport must outlive the camera. The transfer buffer is allocated here, once.
    explicit Camera(CameraTransport& transport);
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // Whether both interfaces were found and opened by the last discovery and the camera has
    // not failed a transfer since: the capture searches for it again while this is false.
    bool Present() const { return present_; }

    // ---- the transport ----
    // Discovery: fills the device table for every interface enumerated (the BlockIO pass
    // writes over the entries of the HID pass), reports what it finds, and makes the camera
    // present when both interfaces are open. Ok when it is; else why not. enumerated, when
    // given, is 1 when any interface of either class was enumerated, 0 when none was or
    // discovery ended early. A previous discovery's handles are closed first.
    Status OpenUSBdevices(DeviceTable& table, int* enumerated = nullptr);
    // One HID output report: report id 0 and `count` payload bytes (at most 254). Failures
    // are reported to the user here and returned; nothing is retried.
    Status WriteUSBdevice(const uint8_t* bytes, int count);
    // One HID input report of `count` data bytes (1 to 254) read into the transfer buffer; its
    // data are copied to dest. Failures are reported here; dest is then left as it was.
    Status ReadUSBdevice(uint8_t* dest, int count);
    // The read command (byte 0 set to the read-pixels code) sent over HID, then one read of
    // requestedBytes from the BlockIO interface into the transfer buffer. The transfer has
    // failed (reported here, and the status says how) when the command could not be sent (the
    // read is then not tried), when the read failed or timed out, or when fewer bytes came
    // than were asked for; the camera must then be found again.
    Status ReadBlockIOTransfer(const CommandBytes& command, uint32_t requestedBytes);
    // Close both interfaces; the camera is no longer present.
    void CloseUSBdevices();
    // The last transfer: HID input reports (report id in byte 0) and BlockIO transfers (from
    // byte 0). Valid until the next transfer.
    const uint8_t* TransferBuffer() const { return transferBuffer_.get(); }

    // ---- the commands: each builds all eight bytes of its command ----
    // The exposure controls. A failure is reported by the transport.
    Status ExposureTick();
    Status StartExposure();
    Status EndExposure();
    // The readouts into currentImage: the transfer, then the image area copied out of the
    // transfer buffer one row at a time (the focus window in one piece), also after a failed
    // transfer. The status says whether the transfer delivered the frame.
    Status ReadFullFrame();
    Status ReadBinnedFrame();
    Status ReadFocusWindow();  // the window whose corner the session holds
    // The copy-out alone: the image area of the last transfer of this layout into
    // currentImage.
    void CopyTransferImageArea(const TransferLayout& layout);
    // One focus exposure of the dialog's exposure time: ExposureTick, StartExposure, a wait
    // that handles no messages (repeating ExposureTick on every pass when the time is above
    // 600 ms), EndExposure, the focus-window readout, the peak, the half-flux diameter of the
    // brightest star, and the gain of the data bit depth unless "Set Stretch for all Images"
    // is on. The status is the readout's; reading, when given, gets what the frame showed.
    Status TakeFocusFrame(FocusReading* reading = nullptr);

  private:
    Status SendCommand(const CommandBytes& command);
    Status ReadOut(const CommandBytes& command, const TransferLayout& layout);
    void NoteFailure(const Status& status);

    CameraTransport& transport_;
    CommandBytes commandBlock_{};
    std::unique_ptr<uint8_t[]> transferBuffer_;
    bool present_ = false;
    // Set when the camera went away during a transfer: later transfers fail at once, without
    // a message each, until the next discovery.
    bool linkLost_ = false;
};

}  // namespace vexa
