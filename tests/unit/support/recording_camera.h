// A camera transport for tests of the camera layer: it records every HID report with the clock
// reading at which it went out, answers bulk reads with a scripted image or failure, and
// reports whatever discovery result a test sets up.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "camera/camera_protocol.h"
#include "camera/camera_transport.h"
#include "session/clock.h"

namespace vexa::test {

using Command = std::array<uint8_t, kCommandBytes>;
constexpr Command kTickCommand{2, 2, 0, 0, 0, 0, 0, 0};
constexpr Command kStartCommand{2, 1, 0, 0, 0, 0, 0, 0};
constexpr Command kEndCommand{2, 3, 0, 0, 0, 0, 0, 0};

// The image area of a transfer filled sample by sample: value(row, column) of the area; the
// rest of the transfer holds 0xEEEE, which no test image uses.
inline void FillTransferArea(std::span<uint8_t> bytes, const TransferLayout& layout,
                             const std::function<uint16_t(int, int)>& value) {
    constexpr uint16_t kOverscan = 0xEEEE;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        bytes[i] = kOverscan & 0xFF;
        bytes[i + 1] = kOverscan >> 8;
    }
    for (int row = 0; row < layout.areaLines; ++row) {
        for (int column = 0; column < layout.areaSamples; ++column) {
            const size_t sample =
                static_cast<size_t>(layout.areaFirstLine + row) * layout.samplesPerLine +
                static_cast<size_t>(layout.areaFirstSample + column);
            if (2 * sample + 1 >= bytes.size()) continue;
            const uint16_t v = value(row, column);
            bytes[2 * sample] = static_cast<uint8_t>(v & 0xFF);
            bytes[2 * sample + 1] = static_cast<uint8_t>(v >> 8);
        }
    }
}

inline const TransferLayout& LayoutForBytes(size_t bytes) {
    if (bytes == kBinnedFrameTransferBytes) return kBinnedFrameTransfer;
    if (bytes == kFocusWindowTransferBytes) return kFocusWindowTransfer;
    return kFullFrameTransfer;
}

class RecordingCamera : public CameraTransport {
  public:
    struct Report {
        uint32_t ms = 0;
        std::vector<uint8_t> bytes;
    };
    // A scripted bulk read: delivered bytes (of the request) and the status.
    struct BulkAnswer {
        Status status;
        std::optional<size_t> delivered;  // the whole request when unset
    };

    explicit RecordingCamera(VirtualClock* clock = nullptr) : clock_(clock) {
        discovery.hidInterfaces.push_back({0x1234, 0x5678, "Maker", "TQ HID", "hid:0"});
        discovery.blockIoInterfaces.push_back({0x1234, 0x5678, "Maker", "TQ BlockIO", "usb:1"});
        discovery.hidOpen = true;
        discovery.blockIoOpen = true;
        discovery.hidHandle = 5;
        discovery.blockIoHandle = 7;
        discovery.osMajor = 6;
        discovery.osMinor = 1;
    }

    // ---- what it answers ----
    CameraDiscovery discovery;
    // The image area of every bulk read, by row and column; 0 when unset.
    std::function<uint16_t(int, int)> image;
    // Answers for the next bulk reads, oldest first; reads beyond them succeed.
    std::deque<BulkAnswer> bulkAnswers;
    // Answers for the next report writes; writes beyond them succeed.
    std::deque<Status> writeAnswers;
    std::vector<uint8_t> inputReport{0, 9, 8, 7};  // report id first
    Status inputStatus;
    std::function<void()> onWrite;  // runs after each recorded write

    // ---- what it saw ----
    std::vector<Report> reports;
    std::vector<size_t> bulkRequests;
    std::vector<int> bulkTimeouts;
    int discoveries = 0;
    int closes = 0;

    CameraDiscovery Discover() override {
        ++discoveries;
        return discovery;
    }
    Status WriteReport(std::span<const uint8_t> report) override {
        reports.push_back({clock_ ? clock_->Milliseconds() : 0, {report.begin(), report.end()}});
        Status status;
        if (!writeAnswers.empty()) {
            status = writeAnswers.front();
            writeAnswers.pop_front();
        }
        if (onWrite) onWrite();
        return status;
    }
    Status ReadReport(std::span<uint8_t> report, size_t& delivered, int) override {
        delivered = 0;
        if (!inputStatus.ok()) return inputStatus;
        delivered = std::min(report.size(), inputReport.size());
        std::copy_n(inputReport.begin(), delivered, report.begin());
        return Status();
    }
    Status ReadBulk(std::span<uint8_t> dest, size_t& delivered, int timeoutMs) override {
        bulkRequests.push_back(dest.size());
        bulkTimeouts.push_back(timeoutMs);
        BulkAnswer answer;
        if (!bulkAnswers.empty()) {
            answer = bulkAnswers.front();
            bulkAnswers.pop_front();
        }
        delivered = std::min(answer.delivered.value_or(dest.size()), dest.size());
        const auto area = image ? image : [](int, int) { return uint16_t{0}; };
        if (delivered > 0)
            FillTransferArea(dest.first(delivered), LayoutForBytes(dest.size()), area);
        return answer.status;
    }
    void Close() override { ++closes; }

    // ---- reading the record ----
    std::vector<Command> Commands() const {
        std::vector<Command> commands;
        for (const Report& r : reports) {
            Command c{};
            std::copy_n(r.bytes.begin() + 1, std::min<size_t>(kCommandBytes, r.bytes.size() - 1),
                        c.begin());
            commands.push_back(c);
        }
        return commands;
    }
    int Count(const Command& command) const {
        const std::vector<Command> all = Commands();
        return static_cast<int>(std::count(all.begin(), all.end(), command));
    }
    int ReadCommands() const {
        int n = 0;
        for (const Command& c : Commands()) n += c[0] == kReadPixelsCode ? 1 : 0;
        return n;
    }

  private:
    VirtualClock* clock_;
};

}  // namespace vexa::test
