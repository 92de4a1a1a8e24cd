// The camera from outside: the input scripts a camera transport (the interfaces discovery
// finds with their ids and texts, every HID report's answer, every bulk read's length and
// result) under the program's discovery, readouts, HID reads and focus frames. Properties: a
// readout reported as done got every byte it asked for from a read that succeeded; the
// device table's texts stay terminated within their fields; a HID read of a length outside
// 1 to 254 leaves the caller's buffer as it was; a half-flux diameter is a finite size.
#include <array>
#include <cmath>
#include <cstring>

#include "camera/camera.h"
#include "fuzz/fuzz_support.h"
#include "session/clock.h"
#include "session/session_state.h"

namespace vexa::fuzz {
namespace {

constexpr int kMostOperations = 12;
constexpr size_t kLongestText = 400;  // past the table's 255 characters

class ScriptedCamera : public CameraTransport {
  public:
    explicit ScriptedCamera(ByteScript& script) : script_(script) {}

    CameraDiscovery Discover() override {
        CameraDiscovery found;
        for (auto* list : {&found.hidInterfaces, &found.blockIoInterfaces}) {
            const int count = script_.Byte() % 3;
            for (int i = 0; i < count; ++i) list->push_back(Interface());
        }
        found.hidOpen = !found.hidInterfaces.empty() && script_.Byte() % 4 != 0;
        found.blockIoOpen = !found.blockIoInterfaces.empty() && script_.Byte() % 4 != 0;
        found.hidHandle = script_.Word();
        found.blockIoHandle = script_.Word();
        switch (script_.Byte() % 5) {
            case 1:
                found.status = Status(StatusCode::NotFound, "no camera");
                break;
            case 2:
                found.status = Status(StatusCode::IoError, "no device list");
                found.deviceListUnavailable = true;
                break;
            case 3:
                found.status = Status(StatusCode::PermissionDenied, "/dev/hidraw0");
                break;
            default:
                break;
        }
        if (script_.Byte() % 8 == 0) found.notice = Text();
        return found;
    }

    Status WriteReport(std::span<const uint8_t>) override {
        lastWriteOk = script_.Byte() % 8 != 0;
        return lastWriteOk ? Status() : Status(StatusCode::IoError, "write failed");
    }

    Status ReadReport(std::span<uint8_t> report, size_t& delivered, int) override {
        delivered = script_.Byte() % (report.size() + 1);
        for (size_t i = 0; i < delivered; ++i) report[i] = script_.Byte();
        return delivered > 0 ? Status() : Status(StatusCode::Timeout, "no report");
    }

    Status ReadBulk(std::span<uint8_t> dest, size_t& delivered, int) override {
        ++bulkReads;
        requested = dest.size();
        const uint8_t mode = script_.Byte();
        const uint8_t seed = script_.Byte();
        delivered = mode % 4 == 0 ? dest.size() : dest.size() * script_.Byte() / 256;
        for (size_t i = 0; i < delivered; ++i) dest[i] = static_cast<uint8_t>(seed ^ (i * 31));
        static const Status kResults[] = {Status(), Status(StatusCode::Timeout, "late"),
                                          Status(StatusCode::Disconnected, "unplugged"),
                                          Status(StatusCode::IoError, "stall")};
        const Status& result = kResults[(mode / 4) % 4];
        lastBulkDelivered = delivered;
        lastBulkOk = result.ok();
        return result;
    }

    void Close() override {}

    bool lastWriteOk = false;
    bool lastBulkOk = false;
    size_t requested = 0;
    size_t lastBulkDelivered = 0;
    int bulkReads = 0;

  private:
    std::string Text() {
        std::string text(script_.Byte() * kLongestText / 255, ' ');
        for (char& c : text) c = static_cast<char>(script_.Byte());
        return text;
    }
    UsbInterfaceInfo Interface() {
        UsbInterfaceInfo info;
        info.vendorId = script_.Word();
        info.productId = script_.Word();
        info.manufacturer = Text();
        info.product = Text();
        info.path = "/dev/hidraw" + std::to_string(script_.Byte());
        return info;
    }

    ByteScript& script_;
};

bool Terminated(const std::array<char, kDeviceTextBytes>& text) {
    return std::memchr(text.data(), '\0', text.size()) != nullptr;
}

void CheckReadout(ScriptedCamera& camera, Camera& device, Status (Camera::*readout)()) {
    const int readsBefore = camera.bulkReads;
    const Status status = (device.*readout)();
    if (!status.ok()) return;
    VEXA_FUZZ_CHECK(camera.bulkReads == readsBefore + 1);
    VEXA_FUZZ_CHECK(camera.lastWriteOk && camera.lastBulkOk);
    VEXA_FUZZ_CHECK(camera.lastBulkDelivered == camera.requested);
}

void CheckHidRead(Camera& device, ByteScript& script) {
    const int count = static_cast<int>(script.Word() % 300) - 20;
    std::array<uint8_t, 300> dest;
    dest.fill(0xA5);
    const Status status = device.ReadUSBdevice(dest.data(), count);
    if (count < 1 || count > 254) {
        VEXA_FUZZ_CHECK(!status.ok());
        for (uint8_t b : dest) VEXA_FUZZ_CHECK(b == 0xA5);
    }
    for (size_t i = static_cast<size_t>(std::clamp(count, 0, 254)); i < dest.size(); ++i)
        VEXA_FUZZ_CHECK(dest[i] == 0xA5);
}

}  // namespace
}  // namespace vexa::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vexa;
    using namespace vexa::fuzz;
    ResetWorld();
    // Exposure waits pass quickly but still end.
    static VirtualClock clock;
    clock.SetStepPerReading(50);
    SetClock(&clock);

    ByteScript script(data, size);
    ScriptedCamera camera(script);
    Camera device(camera);
    DeviceTable table;
    (void)device.OpenUSBdevices(table);
    for (const DeviceTableEntry& entry : table)
        VEXA_FUZZ_CHECK(Terminated(entry.manufacturer) && Terminated(entry.product));

    SessionState& s = Session();
    for (int op = 0; op < kMostOperations && !script.Done(); ++op) {
        switch (script.Byte() % 5) {
            case 0:
                CheckReadout(camera, device, &Camera::ReadFullFrame);
                break;
            case 1:
                CheckReadout(camera, device, &Camera::ReadBinnedFrame);
                break;
            case 2:
                s.focusWindowX = static_cast<int>(script.Word() % 1700) - 200;
                s.focusWindowY = static_cast<int>(script.Word() % 1400) - 200;
                CheckReadout(camera, device, &Camera::ReadFocusWindow);
                break;
            case 3:
                CheckHidRead(device, script);
                break;
            default: {
                s.camera.exposureUnit = 'h';
                FocusReading reading;
                (void)device.TakeFocusFrame(&reading);
                if (reading.hfdFound) VEXA_FUZZ_CHECK(std::isfinite(reading.hfdPx));
                if (reading.hfdFound) VEXA_FUZZ_CHECK(reading.hfdPx >= 0.0);
                break;
            }
        }
    }
    device.CloseUSBdevices();
    return 0;
}
