#include "camera/camera_commands.h"

#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"
#include "tests/unit/support/recording_camera.h"

namespace vexa::test {
namespace {

class CameraCommandsTest : public ::testing::Test {
  protected:
    CameraCommandsTest() {
        DeviceTable table{};
        Session().settings.showInterfaceDetails = false;
        (void)device.OpenUSBdevices(table);
    }
    uint16_t FocusFramePeak() {
        FocusReading reading;
        (void)device.TakeFocusFrame(&reading);
        return reading.peak;
    }

    SessionFixture fixture;
    RecordingCamera camera{&fixture.clock};
    Camera device{camera};
};

// A sample value that tells where in the image area it was read from.
uint16_t Marker(int row, int column) {
    return static_cast<uint16_t>((row * 131 + column * 7) & 0xFFFF);
}

TEST_F(CameraCommandsTest, ExposureControlsSendTheirEightBytesWithReportIdZero) {
    ASSERT_TRUE(device.ReadFocusWindow().ok());  // leaves bytes 3 to 7 set
    camera.reports.clear();
    (void)device.ExposureTick();
    (void)device.StartExposure();
    (void)device.EndExposure();
    ASSERT_EQ(camera.reports.size(), 3u);
    EXPECT_EQ(camera.reports[0].bytes, (std::vector<uint8_t>{0, 2, 2, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(camera.reports[1].bytes, (std::vector<uint8_t>{0, 2, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(camera.reports[2].bytes, (std::vector<uint8_t>{0, 2, 3, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CameraCommandsTest, ReadoutsSendTheirCommandAndCutTheImageAreaOutRowByRow) {
    struct Case {
        const char* name;
        Status (Camera::*read)();
        std::vector<uint8_t> report;
        size_t requested;
        int width, height;
    } cases[] = {
        {"full",
         &Camera::ReadFullFrame,
         {0, 4, 0, 0, 0, 0, 0, 0, 0},
         kFullFrameTransferBytes,
         1300,
         1030},
        {"binned",
         &Camera::ReadBinnedFrame,
         {0, 4, 0, 0, 0, 0, 0, 0, 2},
         kBinnedFrameTransferBytes,
         650,
         515},
        {"focus",
         &Camera::ReadFocusWindow,
         {0, 4, 0, 0, 15, 19, 149, 178, 1},
         kFocusWindowTransferBytes,
         128,
         128},
    };
    camera.image = Marker;
    Session().focusWindowX = 586;
    Session().focusWindowY = 449;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        camera.reports.clear();
        (void)device.EndExposure();  // as before every readout
        Session().currentImage.fill(0xFFFF);
        ASSERT_TRUE((device.*c.read)().ok());
        EXPECT_EQ(camera.reports.back().bytes, c.report);
        EXPECT_EQ(camera.bulkRequests.back(), c.requested);
        const Plane& image = Session().currentImage;
        for (int row : {0, 1, c.height / 2, c.height - 1}) {
            for (int column : {0, 1, c.width - 1}) {
                EXPECT_EQ(image[static_cast<size_t>(row * c.width + column)], Marker(row, column))
                    << row << "," << column;
            }
        }
        EXPECT_EQ(image[static_cast<size_t>(c.width * c.height)], 0xFFFF);  // nothing beyond
    }
}

TEST_F(CameraCommandsTest, FullFrameReadSendsAllItsBytesWhateverTheLastCommandLeft) {
    ASSERT_TRUE(device.ReadFocusWindow().ok());  // bytes 3 to 7 set
    (void)device.ReadFullFrame();
    EXPECT_EQ(camera.reports.back().bytes, (std::vector<uint8_t>{0, 4, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CameraCommandsTest, AFailedTransferIsStillCopiedOutAndSaysSo) {
    camera.image = [](int, int) -> uint16_t { return 7; };
    ASSERT_TRUE(device.ReadFocusWindow().ok());
    camera.image = Marker;
    camera.bulkAnswers.push_back({Status(), 2 * 128 * 40});  // lines 0 to 39 of the transfer
    Session().currentImage.fill(0xFFFF);
    EXPECT_EQ(device.ReadFocusWindow().code(), StatusCode::ShortTransfer);
    EXPECT_EQ(Session().currentImage[0], Marker(0, 0));  // line 30 of the transfer came
    EXPECT_EQ(Session().currentImage[10 * 128], 7);      // the rest is what the buffer held
}

TEST(FocusWindowBytes, FollowTheCornerAndClampWhereTheCameraCannotAddress) {
    struct Case {
        int x, y;
        FocusWindowBytes bytes;
    } cases[] = {
        {586, 449, {15, 19, 149, 178}}, {586, 451, {15, 19, 149, 178}},
        {0, 0, {0, 34, 2, 69}},         // columns after 325 travels as 69
        {275, 100, {3, 31, 71, 0}},     // 256 columns after travel as 0
        {1012, 965, {32, 2, 255, 72}},  // the last addressable column
        {1235, 965, {32, 2, 255, 72}},  // read at column 1012
        {-5, -3, {0, 34, 2, 69}},
    };
    for (const Case& c : cases) {
        const FocusWindowBytes b = FocusWindowCommandBytes(c.x, c.y);
        EXPECT_EQ(b.rowsBefore, c.bytes.rowsBefore) << c.x << "," << c.y;
        EXPECT_EQ(b.rowsAfter, c.bytes.rowsAfter) << c.x << "," << c.y;
        EXPECT_EQ(b.columnsBefore, c.bytes.columnsBefore) << c.x << "," << c.y;
        EXPECT_EQ(b.columnsAfter, c.bytes.columnsAfter) << c.x << "," << c.y;
    }
}

TEST(FocusPeak, NeedsTheSampleAboveAndLooksOnlyInsideItsMargins) {
    std::vector<uint16_t> frame(kFrameSamples, 0);
    auto at = [&frame](int row, int column) -> uint16_t& { return frame[row * 128 + column]; };
    at(50, 50) = 40000;  // its upper neighbour is 0
    EXPECT_EQ(FocusPeak(frame.data()), 0);
    at(49, 50) = 8000;
    EXPECT_EQ(FocusPeak(frame.data()), 10000);  // 40000 / 4, the neighbour 2000 above 0
    at(11, 60) = 65535;                         // row 11 is only ever the neighbour above
    at(12, 60) = 65535;
    EXPECT_EQ(FocusPeak(frame.data()), 16383);
    std::vector<uint16_t> edges(kFrameSamples, 0);
    for (int row = 0; row < 128; ++row) {
        for (int column : {0, 4, 126, 127}) edges[row * 128 + column] = 60000;
    }
    for (int column = 0; column < 128; ++column) {
        edges[126 * 128 + column] = edges[127 * 128 + column] = 60000;
    }
    EXPECT_EQ(FocusPeak(edges.data()), 0);
}

TEST(FocusGain, BringsEachBitDepthToSixteenBitsAndClips) {
    const int gains[] = {16, 8, 4, 2, 1};
    for (int bits = 12; bits <= 16; ++bits) EXPECT_EQ(FocusGain(bits), gains[bits - 12]);
    uint16_t samples[] = {20000, 1000, 16383, 16384};
    ApplyFocusGain(samples, 4, FocusGain(14));
    EXPECT_EQ(samples[0], 65535);  // 80,000
    EXPECT_EQ(samples[1], 4000);
    EXPECT_EQ(samples[2], 65532);
    EXPECT_EQ(samples[3], 65535);  // exactly 65,536
}

TEST(ExposureTimes, CountUnitsOfTheirOwnAndSecondsForAnyOther) {
    EXPECT_EQ(ExposureMilliseconds('h', 7), 70u);
    EXPECT_EQ(ExposureMilliseconds('t', 7), 700u);
    EXPECT_EQ(ExposureMilliseconds('s', 7), 7000u);
    EXPECT_EQ(ExposureMilliseconds('m', 90), 5400000u);
    EXPECT_EQ(ExposureMilliseconds('x', 2), 2000u);
    EXPECT_EQ(FocusExposureMilliseconds('m', 2), 2000u);  // a focus frame counts minutes as seconds
}

TEST_F(CameraCommandsTest, FocusFrameTicksOnEveryPassOnlyAbove600Ms) {
    struct Case {
        char unit;
        uint16_t value;
        int ticks;
    } cases[] = {{'h', 60, 1}, {'t', 6, 1}, {'h', 61, 1 + 610}, {'t', 7, 1 + 700}};
    for (const Case& c : cases) {
        camera.reports.clear();
        Session().camera.exposureUnit = c.unit;
        Session().camera.exposureValue = c.value;
        const uint32_t before = fixture.clock.Milliseconds();
        (void)device.TakeFocusFrame();
        EXPECT_EQ(camera.Count(kTickCommand), c.ticks) << c.unit << c.value;
        const std::vector<Command> commands = camera.Commands();
        ASSERT_GE(commands.size(), 4u);
        EXPECT_EQ(commands[0], kTickCommand);
        EXPECT_EQ(commands[1], kStartCommand);
        EXPECT_EQ(commands[commands.size() - 2], kEndCommand);
        EXPECT_EQ(commands.back()[7], kReadFocusKind);
        // The end goes out when the exposure time has passed, not before.
        EXPECT_GE(camera.reports[camera.reports.size() - 2].ms - before,
                  ExposureMilliseconds(c.unit, c.value));
    }
}

TEST_F(CameraCommandsTest, FocusFrameReturnsItsPeakAndScalesByTheBitDepthUnlessStretchedForAll) {
    camera.image = [](int row, int column) -> uint16_t {
        if (column == 64 && (row == 63 || row == 64)) return 20000;
        return column == 10 && row == 40 ? 1000 : 0;
    };
    Session().camera.exposureUnit = 'h';
    Session().currentImage[20000] = 3;  // beyond the frame but within the scaled samples
    Session().currentImage[30000] = 3;
    EXPECT_EQ(FocusFramePeak(), 5000);
    EXPECT_EQ(Session().currentImage[64 * 128 + 64], 65535);
    EXPECT_EQ(Session().currentImage[40 * 128 + 10], 4000);
    EXPECT_EQ(Session().currentImage[20000], 12);
    EXPECT_EQ(Session().currentImage[30000], 3);

    Session().paletteStretch = true;
    EXPECT_EQ(FocusFramePeak(), 5000);
    EXPECT_EQ(Session().currentImage[40 * 128 + 10], 1000);
    Session().paletteStretch = false;
    Session().paletteStretchBits = 16;
    (void)device.TakeFocusFrame();
    EXPECT_EQ(Session().currentImage[40 * 128 + 10], 1000);
}

TEST_F(CameraCommandsTest, FocusFrameMeasuresTheHalfFluxDiameterBeforeTheGain) {
    // A Gaussian star of sigma 2 on a flat background: its diameter is the FWHM, 4.71 px.
    camera.image = [](int row, int column) -> uint16_t {
        const double r2 = (row - 64.3) * (row - 64.3) + (column - 60.6) * (column - 60.6);
        return static_cast<uint16_t>(1000 + 30000 * std::exp(-r2 / 8.0));
    };
    Session().camera.exposureUnit = 'h';
    FocusReading reading;
    EXPECT_TRUE(device.TakeFocusFrame(&reading).ok());
    ASSERT_TRUE(reading.hfdFound);
    EXPECT_NEAR(reading.hfdPx, 2.3548 * 2.0, 0.15);

    camera.image = [](int, int) -> uint16_t { return 1000; };
    (void)device.TakeFocusFrame(&reading);
    EXPECT_FALSE(reading.hfdFound);
}

}  // namespace
}  // namespace vexa::test
