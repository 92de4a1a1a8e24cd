// A scripted fake USB bus for the camera backend's tests, built on umockdev: devices in a fake
// sysfs, hidraw nodes backed by pseudo-terminals (the test reads what was written and writes
// input reports), and usbfs nodes whose bulk requests are answered here. Works only in a
// process run under umockdev's preload library.
#pragma once

#include <umockdev.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/usb_id.h"

namespace vexa::test {

struct FakeDevice {
    UsbId id;
    int bus = 1;
    int address = 1;
    std::string manufacturer;  // left out of sysfs when empty
    std::string product;
    int hidraw = -1;      // hidraw node number; -1 for no HID interface
    bool bulkIn = false;  // a vendor-class interface with a bulk IN endpoint
};

// How the fake answers the next bulk IN requests of a device.
enum class BulkMode {
    Deliver,  // every byte asked for
    Short,    // `bytes` bytes, then the transfer ends normally
    Stall,    // `bytes` bytes, then nothing until the host gives up
    Vanish,   // `bytes` bytes, then the device is gone
    Hold,     // every byte asked for, held back until ReleaseBulk
};

// The byte at a position of every bulk transfer the fake sends.
uint8_t PatternByte(size_t position);

class FakeUsbBus {
  public:
    FakeUsbBus();
    ~FakeUsbBus();
    FakeUsbBus(const FakeUsbBus&) = delete;
    FakeUsbBus& operator=(const FakeUsbBus&) = delete;

    // Returns the device's index for the calls below.
    int Add(const FakeDevice& device);

    // Everything written to the device's hidraw node since the last call.
    std::vector<uint8_t> TakeHidOutput(int device);
    void SendHidInput(int device, const std::vector<uint8_t>& report);
    void SetBulk(int device, BulkMode mode, size_t bytes = 0);
    // Whether a bulk request is held back, and letting it complete.
    bool BulkHeld(int device);
    void ReleaseBulk(int device);
    // The lengths of the bulk requests the host made, and their endpoints.
    std::vector<int> BulkRequestLengths(int device);
    std::vector<uint8_t> BulkRequestEndpoints(int device);
    int ClaimCount(int device);
    int ReleaseCount(int device);
    // This process's open descriptors on the device's usbfs node and on its hidraw node.
    struct OpenCount {
        int usbfs = 0;
        int hidraw = 0;
        bool operator==(const OpenCount&) const = default;
    };
    OpenCount OpenDescriptors(int device) const;
    // The hidraw and usbfs nodes of the device may not be opened by a user without
    // CAP_DAC_OVERRIDE (see ScopedNoDacOverride).
    void LockHidraw(int device);
    void LockUsbfs(int device);
    // The device leaves: its hidraw node goes and its usbfs node answers ENODEV.
    void Unplug(int device);

    struct Device;  // the fake's state of one device, shared with its handlers

  private:
    std::string TerminalOf(int device) const;

    UMockdevTestbed* testbed_ = nullptr;
    std::string root_;
    std::vector<std::unique_ptr<Device>> devices_;
};

// Takes CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH out of this thread's effective set for its
// life, so that file permissions bind the tests even when they run as root.
class ScopedNoDacOverride {
  public:
    ScopedNoDacOverride();
    ~ScopedNoDacOverride();
    ScopedNoDacOverride(const ScopedNoDacOverride&) = delete;
    ScopedNoDacOverride& operator=(const ScopedNoDacOverride&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_ = false;
    uint32_t savedEffective_ = 0;
};

}  // namespace vexa::test
