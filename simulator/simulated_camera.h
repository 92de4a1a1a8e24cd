// The simulated TQ camera: a CameraTransport that answers the camera's HID commands and
// delivers its three image transfers byte for byte as the hardware lays them out, with the
// image rendered from a SkyModel. Fault switches let tests of the layers above see discovery
// failures, bad bulk reads and an unplugged camera.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "camera/camera_protocol.h"
#include "camera/camera_transport.h"
#include "simulator/sky_model.h"

namespace vexa {

// What discovery reports for the simulated camera.
constexpr uint16_t kSimulatedVendorId = 0xF51A;
constexpr uint16_t kSimulatedProductId = 0x0A04;
constexpr const char* kSimulatedManufacturer = "Vexa simulated devices";
constexpr const char* kSimulatedHidProduct = "TQ camera (simulated) HID";
constexpr const char* kSimulatedBlockIoProduct = "TQ camera (simulated) BlockIO";
constexpr const char* kSimulatedHidPath = "simulated:hid";
constexpr const char* kSimulatedBlockIoPath = "simulated:blockio";
constexpr int kSimulatedHidHandle = 101;
constexpr int kSimulatedBlockIoHandle = 102;

// The three readouts that the read-pixels command selects with its kind byte.
enum class Readout { Full, Binned, FocusWindow };

const TransferLayout& LayoutOf(Readout readout);

// Top-left sensor pixel of the focus window that a read command's bytes 3 to 6 ask for.
// The bytes carry the window's corner only in steps of 30 rows and 4 columns, each as its low
// 8 bits. The camera takes the counts before the window as sent and narrows them down with the
// counts after it, taking the middle of the positions both allow: the default corner 586, 451
// comes back exactly, others within 2 columns and 9 rows. A corner at column 1013 or beyond
// sends a columns-before count that has wrapped, with the same bytes as a corner 1024 columns
// further left, and the camera shows that window (left of column 0 it reads overscan).
struct FocusWindowCorner {
    int column = 0;
    int row = 0;
};
FocusWindowCorner DecodeFocusWindow(uint8_t rowsBefore, uint8_t rowsAfter, uint8_t columnsBefore,
                                    uint8_t columnsAfter);

// How the simulated camera behaves on the wire:
// - Discover reports one HID and one BlockIO interface and opens both (unless a discovery
//   fault says otherwise), with status Ok and operating-system version 0.0 even when it finds
//   nothing; Close closes them, and every later call fails with IoError until the next
//   Discover.
// - WriteReport takes 9-byte reports, report id 0 then the 8-byte command; any other length or
//   report id is refused (InvalidArgument) and unknown commands are ignored, as a device does.
//   StartExposure opens the exposure on TheClock(); EndExposure closes it, and the exposure
//   time is the clock time between the two; ExposureTick keeps it going and changes nothing.
//   A read-pixels command ends a running exposure, prepares its transfer and clears the
//   sensor: a second read without a new exposure delivers a bias frame.
// - ReadBulk delivers the prepared transfer: the image area at its offset, every other sample
//   bias and read noise (overscan), 16-bit little-endian. Asking for exactly the transfer's
//   length gives Ok; for more, the whole transfer and ShortTransfer (a real read would wait
//   out its timeout for bytes that never come); for less, that many bytes and IoError (the
//   device overflowed the request). With no transfer prepared the read ends with Timeout and
//   nothing delivered, at once: the simulator never waits in real time. Every bulk read
//   consumes the prepared transfer.
// - ReadReport: the camera sends no input reports, so it ends with Timeout.
// Single-threaded, like the program. The sky must outlive the camera.
class SimulatedCamera : public CameraTransport {
  public:
    // The sky's drift is measured from this moment on TheClock().
    explicit SimulatedCamera(SkyModel& sky);

    CameraDiscovery Discover() override;
    Status WriteReport(std::span<const uint8_t> report) override;
    Status ReadReport(std::span<uint8_t> report, size_t& delivered, int timeoutMs) override;
    Status ReadBulk(std::span<uint8_t> dest, size_t& delivered, int timeoutMs) override;
    void Close() override;

    SkyModel& Sky() { return sky_; }

    // ---- faults for tests of the layers above ----
    enum class DiscoveryFault {
        None,
        NoCamera,   // nothing enumerated
        NoBlockIo,  // only the HID interface is there
    };
    // Holds for every later discovery until changed.
    void SetDiscoveryFault(DiscoveryFault fault) { discoveryFault_ = fault; }
    enum class BulkFault {
        None,
        Short,     // ends early with ShortTransfer after bytesDelivered bytes
        Failed,    // IoError, nothing delivered
        TimedOut,  // Timeout after bytesDelivered bytes
    };
    // The next bulk read only; bytesDelivered is held below the transfer and request sizes.
    void FailNextBulkRead(BulkFault fault, size_t bytesDelivered = 0);
    // Every later call fails with Disconnected until the next Discover, which finds the
    // camera plugged in again.
    void Unplug();

    // ---- what the camera saw, for tests ----
    // The most recent commands (up to kRememberedCommands), oldest first.
    static constexpr size_t kRememberedCommands = 256;
    const std::deque<std::array<uint8_t, kCommandBytes>>& RecentCommands() const {
        return commands_;
    }
    bool Exposing() const { return exposing_; }
    // The transfer that the next bulk read delivers, if a read command prepared one.
    bool TransferPrepared() const { return prepared_; }
    Readout PreparedReadout() const { return readout_; }
    // The exposure and focus-window corner of the prepared (or last delivered) transfer.
    uint32_t PreparedExposureMs() const { return exposure_.exposureMs; }
    FocusWindowCorner PreparedFocusCorner() const { return focusCorner_; }

  private:
    Status Usable() const;
    void Command(const uint8_t* command);
    void PrepareRead(const uint8_t* command);
    void RenderTransfer();

    SkyModel& sky_;
    bool hidOpen_ = false;
    bool blockIoOpen_ = false;
    bool unplugged_ = false;
    DiscoveryFault discoveryFault_ = DiscoveryFault::None;
    BulkFault bulkFault_ = BulkFault::None;
    size_t bulkFaultBytes_ = 0;

    bool exposing_ = false;
    uint32_t exposureStartMs_ = 0;
    bool charged_ = false;  // an exposure ended and has not been read out
    SkyExposure charge_;

    bool prepared_ = false;
    Readout readout_ = Readout::Full;
    SkyExposure exposure_;
    FocusWindowCorner focusCorner_;

    std::deque<std::array<uint8_t, kCommandBytes>> commands_;
    std::vector<uint16_t> samples_;  // the transfer being delivered, reused
};

}  // namespace vexa
