#include "simulator/simulated_camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/unit/simulator/simulator_test_support.h"

namespace vexa {
namespace {

using test::Area;
using test::Centroid;
using test::ExposureControl;
using test::FocusReadCommand;
using test::QuietSky;
using test::ReadCommand;
using test::ReadTransfer;
using test::Send;

constexpr uint16_t kBias = 1000;
using Fault = SimulatedCamera::BulkFault;

class SimulatedCameraTest : public test::ClockFixture {
  protected:
    SkyModel sky{QuietSky()};
    SimulatedCamera camera{sky};

    void SetUp() override { EXPECT_TRUE(camera.Discover().blockIoOpen); }
    void Expose(uint32_t exposureMs) { test::Expose(camera, clock, exposureMs); }
    std::vector<uint16_t> Read(Readout readout) {
        return ReadTransfer(camera, ReadCommand(readout), readout);
    }
    Status ReadBulk(size_t bytes, size_t& delivered) {
        std::vector<uint8_t> dest(bytes, 0xAA);
        return camera.ReadBulk(dest, delivered, 1000);
    }
};

TEST_F(SimulatedCameraTest, DiscoveryReportsOneSimulatedInterfaceOfEachClass) {
    const CameraDiscovery found = camera.Discover();
    ASSERT_EQ(found.hidInterfaces.size(), 1u);
    ASSERT_EQ(found.blockIoInterfaces.size(), 1u);
    EXPECT_TRUE(found.hidOpen && found.blockIoOpen && found.status.ok());
    EXPECT_NE(found.hidHandle, found.blockIoHandle);
    for (const UsbInterfaceInfo& info : {found.hidInterfaces[0], found.blockIoInterfaces[0]}) {
        EXPECT_EQ(info.vendorId, kSimulatedVendorId);
        EXPECT_NE(info.product.find("simulated"), std::string::npos);
        EXPECT_NE(info.manufacturer.find("simulated"), std::string::npos);
    }
}

// Area samples read bias + sky (four pixels of sky when binned), everything else pure bias:
// the area sits at its offset, in little-endian order, in a transfer of the exact size.
TEST_F(SimulatedCameraTest, TransfersHaveTheirLayoutByteForByte) {
    SkyConfig config = QuietSky();
    config.skyAduPerS = 1000;
    SkyModel flatSky(config);
    flatSky.SetStars({});
    SimulatedCamera flat(flatSky);
    ASSERT_TRUE(flat.Discover().blockIoOpen);
    struct Case {
        Readout readout;
        uint16_t areaValue;
    };
    for (const Case& c : {Case{Readout::Full, 2000}, Case{Readout::Binned, 5000},
                          Case{Readout::FocusWindow, 2000}}) {
        const TransferLayout& layout = LayoutOf(c.readout);
        test::Expose(flat, clock, 1000);
        std::vector<uint8_t> bytes(layout.TransferBytes());
        size_t delivered = 0;
        ASSERT_TRUE(Send(flat, ReadCommand(c.readout)).ok());
        ASSERT_TRUE(flat.ReadBulk(bytes, delivered, 1000).ok());
        ASSERT_EQ(delivered, layout.TransferBytes());
        EXPECT_EQ(bytes[0], kBias & 0xFF);
        EXPECT_EQ(bytes[1], kBias >> 8);
        EXPECT_EQ(bytes[layout.AreaOffsetBytes()], c.areaValue & 0xFF);
        EXPECT_EQ(bytes[layout.AreaOffsetBytes() + 1], c.areaValue >> 8);
        const auto samples = test::FromLittleEndian(bytes);
        size_t inArea = 0;
        for (int line = 0; line < layout.lines; ++line) {
            for (int s = 0; s < layout.samplesPerLine; ++s) {
                const bool area = line >= layout.areaFirstLine &&
                                  line < layout.areaFirstLine + layout.areaLines &&
                                  s >= layout.areaFirstSample &&
                                  s < layout.areaFirstSample + layout.areaSamples;
                inArea += area;
                ASSERT_EQ(samples[static_cast<size_t>(line * layout.samplesPerLine + s)],
                          area ? c.areaValue : kBias)
                    << line << "," << s;
            }
        }
        EXPECT_EQ(inArea, static_cast<size_t>(layout.areaLines * layout.areaSamples));
    }
}

TEST_F(SimulatedCameraTest, SameStarAppearsAtTheMatchingPlaceInEveryReadout) {
    const double x = 640.3, y = 500.6;
    sky.SetStars({{x, y, 200000}});
    struct Case {
        Readout readout;
        double x, y;
    };
    for (const Case& c :
         {Case{Readout::Full, x, y}, Case{Readout::Binned, (x - 0.5) / 2, (y - 0.5) / 2},
          Case{Readout::FocusWindow, x - 586, y - 451}}) {
        Expose(500);
        const TransferLayout& layout = LayoutOf(c.readout);
        const auto spot = Centroid(Area(Read(c.readout), layout), layout.areaSamples, kBias);
        EXPECT_NEAR(spot.x, c.x, 0.01);
        EXPECT_NEAR(spot.y, c.y, 0.01);
    }
}

TEST_F(SimulatedCameraTest, FocusWindowFollowsTheCornerTheProgramSends) {
    sky.SetStars({{300.0, 800.0, 200000}});
    const FocusWindowCorner corner = DecodeFocusWindow(25, 8, 65, 262 - 256);
    EXPECT_EQ(corner.column, 250);
    EXPECT_EQ(corner.row, 766);
    Expose(500);
    const auto frame = Area(ReadTransfer(camera, FocusReadCommand(250, 770), Readout::FocusWindow),
                            kFocusWindowTransfer);
    const auto spot = Centroid(frame, kFocusWindowTransfer.areaSamples, kBias);
    EXPECT_NEAR(spot.x, 300.0 - camera.PreparedFocusCorner().column, 0.01);
    EXPECT_NEAR(spot.y, 800.0 - camera.PreparedFocusCorner().row, 0.01);
}

// Every corner the program can ask for comes back within the steps the counts allow; past
// the wrap of the columns-before count, 1024 columns further left.
TEST(FocusWindowDecodeTest, EveryCornerDecodesWithinTheCountSteps) {
    constexpr int kFirstWrappedColumn = 256 * kFocusColumnUnit - kFocusColumnsBeforeBias;
    for (int y = 0; y <= kSensorRows - 65; ++y) {
        for (int x = 0; x <= kSensorColumns - 65; ++x) {
            const auto command = FocusReadCommand(x, y);
            const FocusWindowCorner corner = DecodeFocusWindow(
                command[kFocusRowsBeforeByte], command[kFocusRowsAfterByte],
                command[kFocusColumnsBeforeByte], command[kFocusColumnsAfterByte]);
            const int seen = x >= kFirstWrappedColumn ? x - 1024 : x;
            ASSERT_LE(std::abs(corner.column - seen), 2) << x << "," << y;
            ASSERT_LE(std::abs(corner.row - y), 9) << x << "," << y;
        }
    }
    const auto centre = FocusReadCommand(586, 451);
    const FocusWindowCorner corner = DecodeFocusWindow(centre[3], centre[4], centre[5], centre[6]);
    EXPECT_EQ(corner.column, 586);
    EXPECT_EQ(corner.row, 451);
}

TEST_F(SimulatedCameraTest, ExposureIsTheClockTimeBetweenStartAndEnd) {
    sky.SetStars({{650, 515, 10000}});
    struct Case {
        uint32_t exposureMs;
    };
    double oneSecondFlux = 0;
    for (const Case& c : {Case{1000}, Case{2500}, Case{10}}) {
        Expose(c.exposureMs);
        clock.Advance(5000);  // time after the end does not count
        ASSERT_TRUE(Send(camera, ExposureControl(kExposureTickMode)).ok());
        const auto frame = Area(Read(Readout::Full), kFullFrameTransfer);
        EXPECT_EQ(camera.PreparedExposureMs(), c.exposureMs);
        const double flux = Centroid(frame, kSensorColumns, kBias).flux;
        if (c.exposureMs == 1000) oneSecondFlux = flux;
        EXPECT_NEAR(flux / oneSecondFlux, c.exposureMs / 1000.0, 0.003 + 20 / oneSecondFlux);
    }
}

TEST_F(SimulatedCameraTest, ReadEndsARunningExposureAndClearsTheSensor) {
    sky.SetStars({{650, 515, 10000}});
    ASSERT_TRUE(Send(camera, ExposureControl(kStartExposureMode)).ok());
    clock.Advance(700);
    EXPECT_TRUE(camera.Exposing());
    Read(Readout::Binned);
    EXPECT_FALSE(camera.Exposing());
    EXPECT_EQ(camera.PreparedExposureMs(), 700u);
    const auto again = Area(Read(Readout::Full), kFullFrameTransfer);
    EXPECT_EQ(camera.PreparedExposureMs(), 0u);
    EXPECT_EQ(*std::max_element(again.begin(), again.end()), kBias);
}

TEST_F(SimulatedCameraTest, ReadOfTheWrongLengthEndsAsAUsbReadWould) {
    struct Case {
        size_t bytes;
        StatusCode code;
        size_t delivered;
    };
    const size_t full = kFullFrameTransferBytes;
    for (const Case& c : {Case{full + 512, StatusCode::ShortTransfer, full},
                          Case{full - 256, StatusCode::IoError, full - 256}}) {
        Expose(100);
        ASSERT_TRUE(Send(camera, ReadCommand(Readout::Full)).ok());
        size_t delivered = 99;
        EXPECT_EQ(ReadBulk(c.bytes, delivered).code(), c.code);
        EXPECT_EQ(delivered, c.delivered);
        EXPECT_FALSE(camera.TransferPrepared());
    }
    size_t delivered = 99;
    EXPECT_EQ(ReadBulk(full, delivered).code(), StatusCode::Timeout) << "no read command";
    EXPECT_EQ(delivered, 0u);
}

TEST_F(SimulatedCameraTest, MalformedReportsAreRefusedAndUnknownCommandsIgnored) {
    const std::vector<uint8_t> shortReport(kCommandBytes, 0);
    EXPECT_EQ(camera.WriteReport(shortReport).code(), StatusCode::InvalidArgument);
    std::vector<uint8_t> numbered(kCommandReportBytes, 0);
    numbered[0] = 1;
    EXPECT_EQ(camera.WriteReport(numbered).code(), StatusCode::InvalidArgument);
    EXPECT_TRUE(Send(camera, {9, 9}).ok());
    EXPECT_TRUE(Send(camera, {kReadPixelsCode, 0, 0, 0, 0, 0, 0, 7}).ok());
    EXPECT_FALSE(camera.TransferPrepared());
    EXPECT_EQ(camera.RecentCommands().back()[kReadKindByte], 7);
}

TEST_F(SimulatedCameraTest, RemembersOnlyTheMostRecentCommands) {
    for (size_t i = 0; i < SimulatedCamera::kRememberedCommands + 10; ++i)
        ASSERT_TRUE(Send(camera, ExposureControl(kExposureTickMode)).ok());
    Expose(10);
    EXPECT_EQ(camera.RecentCommands().size(), SimulatedCamera::kRememberedCommands);
    EXPECT_EQ(camera.RecentCommands().back(), ExposureControl(kEndExposureMode));
}

// ---- faults ----

TEST_F(SimulatedCameraTest, NoCameraAtDiscovery) {
    camera.SetDiscoveryFault(SimulatedCamera::DiscoveryFault::NoCamera);
    const CameraDiscovery found = camera.Discover();
    EXPECT_TRUE(found.hidInterfaces.empty() && found.blockIoInterfaces.empty());
    EXPECT_FALSE(found.hidOpen || found.blockIoOpen);
    EXPECT_EQ(Send(camera, ExposureControl(kEndExposureMode)).code(), StatusCode::IoError);
}

TEST_F(SimulatedCameraTest, CameraWithoutItsBulkInterface) {
    camera.SetDiscoveryFault(SimulatedCamera::DiscoveryFault::NoBlockIo);
    const CameraDiscovery found = camera.Discover();
    EXPECT_EQ(found.hidInterfaces.size(), 1u);
    EXPECT_TRUE(found.blockIoInterfaces.empty());
    EXPECT_TRUE(found.hidOpen);
    EXPECT_FALSE(found.blockIoOpen);
    EXPECT_TRUE(Send(camera, ReadCommand(Readout::Full)).ok());
    size_t delivered = 0;
    EXPECT_EQ(ReadBulk(kFullFrameTransferBytes, delivered).code(), StatusCode::IoError);
}

TEST_F(SimulatedCameraTest, InjectedBulkFaultsHitTheNextReadOnly) {
    struct Case {
        Fault fault;
        size_t bytes;
        StatusCode code;
        size_t delivered;
    };
    const size_t focus = kFocusWindowTransferBytes;
    for (const Case& c : {Case{Fault::Short, 1000, StatusCode::ShortTransfer, 1000},
                          Case{Fault::Short, focus * 2, StatusCode::ShortTransfer, focus - 1},
                          Case{Fault::Failed, 1000, StatusCode::IoError, 0},
                          Case{Fault::TimedOut, 0, StatusCode::Timeout, 0},
                          Case{Fault::TimedOut, 3001, StatusCode::Timeout, 3001}}) {
        camera.FailNextBulkRead(c.fault, c.bytes);
        Expose(10);
        ASSERT_TRUE(Send(camera, ReadCommand(Readout::FocusWindow)).ok());
        size_t delivered = 0;
        EXPECT_EQ(ReadBulk(focus, delivered).code(), c.code);
        EXPECT_EQ(delivered, c.delivered);
        Read(Readout::FocusWindow);  // the next read is whole again
    }
}

TEST_F(SimulatedCameraTest, UnpluggedCameraIsDisconnectedUntilRediscovered) {
    ASSERT_TRUE(Send(camera, ExposureControl(kStartExposureMode)).ok());
    camera.Unplug();
    std::vector<uint8_t> buffer(kFocusWindowTransferBytes);
    size_t delivered = 0;
    EXPECT_EQ(Send(camera, ExposureControl(kEndExposureMode)).code(), StatusCode::Disconnected);
    EXPECT_EQ(camera.ReadBulk(buffer, delivered, 100).code(), StatusCode::Disconnected);
    EXPECT_EQ(camera.ReadReport(buffer, delivered, 100).code(), StatusCode::Disconnected);
    camera.Close();
    EXPECT_EQ(Send(camera, ExposureControl(kEndExposureMode)).code(), StatusCode::Disconnected);
    EXPECT_TRUE(camera.Discover().blockIoOpen);
    EXPECT_FALSE(camera.Exposing()) << "a camera plugged in again starts afresh";
    Expose(10);
    Read(Readout::FocusWindow);
}

TEST_F(SimulatedCameraTest, ClosedCameraRefusesUntilDiscoveredAgain) {
    camera.Close();
    size_t delivered = 0;
    EXPECT_EQ(Send(camera, ExposureControl(kEndExposureMode)).code(), StatusCode::IoError);
    EXPECT_EQ(ReadBulk(kFocusWindowTransferBytes, delivered).code(), StatusCode::IoError);
    ASSERT_TRUE(camera.Discover().hidOpen);
    std::vector<uint8_t> report(kCommandReportBytes);
    EXPECT_EQ(camera.ReadReport(report, delivered, 100).code(), StatusCode::Timeout)
        << "the camera sends no input reports";
}

}  // namespace
}  // namespace vexa
