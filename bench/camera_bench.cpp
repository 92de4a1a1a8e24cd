// The camera layer's own work, on the program clock (exposures pass in no real time) with the
// camera's transfers already made. Targets: a Full frame from the end of its transfer to the
// image on screen (the copy-out, calibration off, the display refresh with its bitmap file)
// within 30 ms; the copy-out within 1.5 x a plain memcpy of the image; the focus loop's own
// work per frame (exposure excluded) within 5 ms.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <span>
#include <vector>

#include "app/display_refresh.h"
#include "camera/camera.h"
#include "camera/camera_dialog_model.h"
#include "camera/focus_loop.h"
#include "session/clock.h"
#include "session/host_paths.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "simulator/simulated_camera.h"
#include "simulator/sky_model.h"

namespace {

using namespace vexa;

// A camera that hands over transfers the simulated camera rendered once: what is measured is
// the program's work on them, not the simulator's rendering.
class ReplayCamera : public CameraTransport {
  public:
    ReplayCamera() {
        SkyModel sky;
        SimulatedCamera camera(sky);
        (void)camera.Discover();
        for (Readout readout : {Readout::Full, Readout::FocusWindow}) {
            const TransferLayout& layout = LayoutOf(readout);
            const uint8_t kind = readout == Readout::Full ? 0 : kReadFocusKind;
            const uint8_t command[kCommandReportBytes] = {0, 4, 0, 0, 15, 19, 149, 178, kind};
            (void)camera.WriteReport(command);
            std::vector<uint8_t>& bytes = readout == Readout::Full ? full_ : focus_;
            bytes.resize(layout.TransferBytes());
            size_t delivered = 0;
            (void)camera.ReadBulk(bytes, delivered, 0);
        }
    }
    CameraDiscovery Discover() override {
        CameraDiscovery found;
        found.hidOpen = found.blockIoOpen = true;
        found.hidInterfaces.push_back({});
        found.blockIoInterfaces.push_back({});
        return found;
    }
    Status WriteReport(std::span<const uint8_t>) override { return Status(); }
    Status ReadReport(std::span<uint8_t>, size_t& delivered, int) override {
        delivered = 0;
        return Status(StatusCode::Timeout);
    }
    Status ReadBulk(std::span<uint8_t> dest, size_t& delivered, int) override {
        const std::vector<uint8_t>& source = dest.size() == full_.size() ? full_ : focus_;
        delivered = std::min(dest.size(), source.size());
        std::memcpy(dest.data(), source.data(), delivered);
        return Status();
    }
    void Close() override {}

  private:
    std::vector<uint8_t> full_;
    std::vector<uint8_t> focus_;
};

// The program as the window runs it, on a virtual clock and a private drive c:.
class CameraBench {
  public:
    CameraBench() : root_(std::filesystem::temp_directory_path() / "vexa_camera_bench") {
        std::filesystem::create_directories(root_);
        SetDriveRoot(root_);
        SetUi(&ui_);
        SetClock(&clock_);
        InstallDisplayRefresh();
        Session().settings.showInterfaceDetails = false;
        DeviceTable table{};
        (void)camera_.OpenUSBdevices(table);
        Session().geometryMode = 0;
        ApplyGeometry();
    }
    ~CameraBench() {
        SetClock(nullptr);
        SetUi(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    Camera& camera() { return camera_; }

  private:
    std::filesystem::path root_;
    QuietUi ui_;
    VirtualClock clock_;
    ReplayCamera replay_;
    Camera camera_{replay_};
};

void BM_FullFrameToScreen(benchmark::State& state) {
    CameraBench bench;
    (void)bench.camera().ReadFullFrame();  // the transfer, made once
    for (auto _ : state) {
        bench.camera().CopyTransferImageArea(kFullFrameTransfer);
        RefreshDisplay();
        benchmark::DoNotOptimize(Session().displayBytes.data());
    }
}
BENCHMARK(BM_FullFrameToScreen)->Unit(benchmark::kMillisecond);

void BM_FullFrameCopyOut(benchmark::State& state) {
    CameraBench bench;
    (void)bench.camera().ReadFullFrame();
    for (auto _ : state) {
        bench.camera().CopyTransferImageArea(kFullFrameTransfer);
        benchmark::DoNotOptimize(Session().currentImage.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFullSampleCount * 2);
}
BENCHMARK(BM_FullFrameCopyOut)->Unit(benchmark::kMicrosecond);

// The yardstick of the copy-out: one memcpy of the image's bytes.
void BM_PlainMemcpyOfAFullImage(benchmark::State& state) {
    std::vector<uint8_t> source(kFullFrameTransferBytes, 7);
    std::vector<uint8_t> destination(kFullSampleCount * 2);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), destination.size());
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFullSampleCount * 2);
}
BENCHMARK(BM_PlainMemcpyOfAFullImage)->Unit(benchmark::kMicrosecond);

// One pass of focus mode for one frame: its message pass, the focus frame (the 10 ms exposure
// passes on the virtual clock), peak, half-flux diameter, gain, focus bitmap and readings.
void BM_FocusLoopFrame(benchmark::State& state) {
    CameraBench bench;
    Session().camera.exposureUnit = 'h';
    Session().camera.exposureValue = 1;
    const auto stopAfterOne = [] { Session().camera.focusStop = true; };
    for (auto _ : state) {
        RunFocusLoop(bench.camera(), stopAfterOne);
        benchmark::DoNotOptimize(Session().camera.focusPeak);
    }
}
BENCHMARK(BM_FocusLoopFrame)->Unit(benchmark::kMillisecond);

}  // namespace
