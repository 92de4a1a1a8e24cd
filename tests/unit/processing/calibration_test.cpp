// Dark subtraction and flat division: the arithmetic on hand-picked samples, the two Merging
// menu commands with their reference files (good, missing, wrong size, other geometry, all
// zeros), and the capture-path steps with their result codes.
#include "processing/calibration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "processing/filter_simd.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

TEST(SubtractSamples, NeverWrapsBelowZero) {
    std::vector<uint16_t> image{500, 500, 500, 0, 65535};
    const std::vector<uint16_t> dark{100, 500, 501, 7, 0};
    SubtractSamples(image.data(), dark.data(), image.size());
    EXPECT_EQ(image, (std::vector<uint16_t>{400, 0, 0, 0, 65535}));
}

TEST(DivideRowByFlat, FollowsTheThreeCasesAndTheCeiling) {
    std::vector<uint16_t> image{9, 9, 9, 1000, 500, 0, 60000, 333, 65535};
    const std::vector<uint16_t> flat{0, 1, 2, 400, 0, 0, 100, 1000, 65535};
    DivideRowByFlat(image.data(), flat.data(), static_cast<int>(image.size()), 200.0);
    // Columns 0 to 2 are left alone.
    EXPECT_EQ(image[0], 9);
    EXPECT_EQ(image[1], 9);
    EXPECT_EQ(image[2], 9);
    EXPECT_EQ(image[3], 500);    // 1000 / 400 x 200
    EXPECT_EQ(image[4], 500);    // flat 0, image not 0: kept
    EXPECT_EQ(image[5], 200);    // both 0: the mean
    EXPECT_EQ(image[6], 65535);  // 60000 / 100 x 200 = 120000
    EXPECT_EQ(image[7], 66);     // 333 / 1000 x 200 = 66.6, truncated
    EXPECT_EQ(image[8], 200);
}

TEST(DivideRowByFlat, BothZeroGivesTheTruncatedMean) {
    std::vector<uint16_t> image(8, 0);
    const std::vector<uint16_t> flat(8, 0);
    DivideRowByFlat(image.data(), flat.data(), 8, 123.9);
    EXPECT_EQ(image[3], 123);
    EXPECT_EQ(image[2], 0);
}

// Long rows go through the vector paths: every path this processor has must give the
// described value at every column.
TEST(DivideRowByFlat, VectorPathsGiveTheDescribedValues) {
    std::mt19937 random(8);
    std::uniform_int_distribution<int> value(0, 65535);
    std::uniform_int_distribution<int> kind(0, 9);
    for (simd::Isa isa : {simd::Isa::Generic, simd::Isa::Avx2, simd::Isa::Avx512}) {
        if (!simd::IsaAvailable(isa)) continue;
        simd::ForceIsa(isa);
        for (double mean : {0.5, 200.2, 1234.0, 65535.0}) {
            std::vector<uint16_t> image(331), flat(331);
            for (size_t i = 0; i < image.size(); ++i) {
                image[i] = static_cast<uint16_t>(kind(random) == 0 ? 0 : value(random));
                flat[i] = static_cast<uint16_t>(kind(random) < 2 ? 0 : value(random));
            }
            std::vector<uint16_t> out = image;
            DivideRowByFlat(out.data(), flat.data(), static_cast<int>(out.size()), mean);
            for (size_t x = 0; x < image.size(); ++x) {
                const double v = image[x], f = flat[x];
                const double r = f != 0 ? v / f * mean : (v != 0 ? v : mean);
                const uint16_t expected =
                    x < 3 ? image[x] : (r >= 65535 ? 65535 : static_cast<uint16_t>(r));
                ASSERT_EQ(out[x], expected) << "column " << x << " mean " << mean;
            }
        }
    }
    simd::ResetIsa();
}

class CalibrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int k = 0; k < kPlaneSamples; ++k)
            s.currentImage[k] = static_cast<uint16_t>(1000 + k % 7);
        s.currentImage[4] = 1;
        s.currentImage[5] = 1;
        s.undoImage.fill(4242);
        before = s.currentImage;
    }
    // A TQ raw file of width x height samples from a function of (row, column).
    template <typename F>
    std::string WriteTq(const std::string& name, int width, int height, F sample) {
        const std::string path = fixture.root + "/" + name;
        std::ofstream out(path, std::ios::binary);
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                const uint16_t v = sample(r, c);
                const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
                out.write(bytes, 2);
            }
        }
        return path;
    }
    void Choose(const std::string& path) {
        fixture.ui.openFileDialog = [path](const FileDialogRequest&) {
            return std::optional<std::string>(path);
        };
    }
    uint16_t At(const Plane& p, int row, int column) const {
        return p[static_cast<size_t>(row) * s.geometry.width + column];
    }
    // Nothing changed: image, undo copy, history, no refresh.
    void ExpectUntouched() const {
        EXPECT_EQ(s.currentImage, before);
        EXPECT_EQ(s.undoImage[0], 4242);
        EXPECT_EQ(s.historyLines[0][0], '\0');
        EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
    }

    test::SessionFixture fixture;
    SessionState& s = Session();
    Plane before{};
};

TEST_F(CalibrationTest, DarkFrameFromTheMenu) {
    const std::string path = WriteTq("~dark", kFullWidth, kFullHeight,
                                     [](int r, int) { return uint16_t(r == 0 ? 1003 : 3); });
    Choose(path);
    SubtractDarkFrame();
    ASSERT_EQ(fixture.ui.openRequests.size(), 1u);
    EXPECT_EQ(fixture.ui.openRequests[0].filter,
              "Corvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|");
    EXPECT_TRUE(fixture.ui.openRequests[0].mustExist);
    EXPECT_EQ(s.fileDialogFilterIndex, 1);  // the name has a tilde
    EXPECT_EQ(s.fileDialogFolder, fixture.root);
    // The label band is included: row 0 goes to 0 where the dark is not below the image.
    EXPECT_EQ(At(s.currentImage, 0, 3), 0);
    EXPECT_EQ(At(s.currentImage, 500, 700), At(before, 500, 700) - 3);
    EXPECT_EQ(s.undoImage[1000], before[1000]);
    EXPECT_STREQ(s.historyLines[0].data(), "Dark Frame Subtracted");
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);
    // Samples past the Full image are not touched.
    EXPECT_EQ(s.currentImage[kFullSampleCount], before[kFullSampleCount]);
}

TEST_F(CalibrationTest, CancelledChoiceChangesNothing) {
    SubtractDarkFrame();
    ApplyFlatField();
    ExpectUntouched();
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(CalibrationTest, ReferenceOfAWrongSizeOrMissingIsRefused) {
    const std::string path = fixture.root + "/short";
    std::ofstream(path, std::ios::binary) << "not an image";
    s.workImage.fill(77);
    Choose(path);
    SubtractDarkFrame();
    ApplyFlatField();
    Choose(fixture.root + "/missing");
    SubtractDarkFrame();
    ASSERT_EQ(fixture.ui.messages.size(), 3u);
    for (const auto& m : fixture.ui.messages)
        EXPECT_EQ(m.text, "Sorry, you didn't choose a TQ File");
    ExpectUntouched();
    EXPECT_EQ(s.workImage[0], 77);
}

TEST_F(CalibrationTest, ReferenceOfTheOtherGeometryIsRefused) {
    s.workImage.fill(77);
    Choose(WriteTq("half", kHalfWidth, kHalfHeight, [](int, int) { return uint16_t(1); }));
    SubtractDarkFrame();
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.LastText(), "Sorry, you didn't choose a TQ File");
    ExpectUntouched();
    EXPECT_EQ(s.workImage[0], 77);

    // And a Full reference on a Half image.
    s.geometryMode = 1;
    ApplyGeometry();
    Choose(WriteTq("full", kFullWidth, kFullHeight, [](int, int) { return uint16_t(1); }));
    ApplyFlatField();
    EXPECT_EQ(fixture.ui.messages.size(), 2u);
    ExpectUntouched();
}

TEST_F(CalibrationTest, HalfDarkOnAHalfImageCoversTheWholePass) {
    s.geometryMode = 1;
    ApplyGeometry();
    s.workImage.fill(2);  // what lies past the reference's 334,750 samples
    Choose(WriteTq("half", kHalfWidth, kHalfHeight, [](int, int) { return uint16_t(1); }));
    SubtractDarkFrame();
    EXPECT_EQ(s.currentImage[100], before[100] - 1);
    // The pass runs over 669,500 samples: the rest of the pass meets workImage's old samples.
    EXPECT_EQ(s.currentImage[kHalfWidth * kHalfHeight + 10],
              before[kHalfWidth * kHalfHeight + 10] - 2);
    EXPECT_EQ(s.currentImage[kHalfPassSampleCount], before[kHalfPassSampleCount]);
}

TEST_F(CalibrationTest, FlatFieldFromTheMenu) {
    // Flat 400 everywhere but 0 at one pixel; its reference window (rows 10-19, columns 5-504)
    // averages 400, except that one pixel of the window is 1400: mean 400.2.
    Choose(WriteTq("flat", kFullWidth, kFullHeight, [](int r, int c) {
        if (r == 15 && c == 100) return uint16_t(1400);
        if (r == 300 && c == 300) return uint16_t(0);
        return uint16_t(400);
    }));
    for (int c = 0; c < kFullWidth; ++c) s.currentImage[300 * kFullWidth + c] = 1000;
    before = s.currentImage;
    ApplyFlatField();
    EXPECT_EQ(At(s.currentImage, 300, 299), 1000);              // 1000 / 400 x 400.2 = 1000.5
    EXPECT_EQ(At(s.currentImage, 300, 300), 1000);              // flat 0: kept
    EXPECT_EQ(At(s.currentImage, 300, 2), 1000);                // column 2 never changes
    EXPECT_EQ(At(s.currentImage, 6, 100), At(before, 6, 100));  // row 6 is before the first
    EXPECT_EQ(At(s.currentImage, 7, 100), (At(before, 7, 100) * 4002) / 4000);
    EXPECT_EQ(s.pendingProgressTitle, "FLAT FIELD PROGRESS");
    ASSERT_EQ(fixture.ui.progressPositions.size(), static_cast<size_t>(kFullHeight - 7));
    EXPECT_EQ(fixture.ui.progressPositions.front(), 10);
    EXPECT_EQ(fixture.ui.progressPositions.back(), 10 + kFullHeight - 1 - 7);
    EXPECT_EQ(fixture.ui.progressOpened, 1);
    EXPECT_EQ(fixture.ui.progressClosed, 1);
    EXPECT_STREQ(s.historyLines[0].data(), "Flat Field Applied");
    EXPECT_EQ(s.undoImage[1000], before[1000]);
}

TEST_F(CalibrationTest, FlatOnALabelledImageStartsAtRow11) {
    s.currentImage[4] = 30;
    s.currentImage[5] = 4;
    before = s.currentImage;
    // Mean 2000 (rows 10 to 19); flat samples of 4000 elsewhere halve the image.
    Choose(WriteTq("flat", kFullWidth, kFullHeight,
                   [](int r, int) { return uint16_t(r >= 10 && r < 20 ? 2000 : 4000); }));
    ApplyFlatField();
    EXPECT_EQ(At(s.currentImage, 8, 50), At(before, 8, 50));  // halved when unlabelled
    EXPECT_EQ(At(s.currentImage, 20, 50), At(before, 20, 50) / 2);
    EXPECT_EQ(fixture.ui.progressPositions.size(), static_cast<size_t>(kFullHeight - 11));
    EXPECT_EQ(fixture.ui.progressPositions.front(), 10);
}

TEST_F(CalibrationTest, FlatOfZerosLeavesTheImageAsItIs) {
    Choose(WriteTq("zeros", kFullWidth, kFullHeight, [](int, int) { return uint16_t(0); }));
    s.currentImage[500 * kFullWidth + 500] = 0;
    before = s.currentImage;
    ApplyFlatField();
    EXPECT_EQ(s.currentImage, before);
    EXPECT_STREQ(s.historyLines[0].data(), "Flat Field Applied");

    // A flat with no signal in its reference window but some elsewhere would turn every image
    // sample over it into 0 (v / f x 0): it too leaves the image alone.
    Choose(WriteTq("dark_window", kFullWidth, kFullHeight,
                   [](int r, int) { return uint16_t(r < 30 ? 0 : 500); }));
    ApplyFlatField();
    EXPECT_EQ(s.currentImage, before);
}

// ---- capture path ----

TEST_F(CalibrationTest, CaptureDarkStepResults) {
    EXPECT_EQ(CaptureDarkStep(false, fixture.root + "/missing"), 11);
    const std::string half =
        WriteTq("half", kHalfWidth, kHalfHeight, [](int, int) { return uint16_t(5); });
    EXPECT_EQ(CaptureDarkStep(false, half), 12);  // Full geometry needs the Full size
    EXPECT_EQ(s.currentImage, before);
    EXPECT_TRUE(fixture.ui.messages.empty());

    const std::string dark =
        WriteTq("dark", kFullWidth, kFullHeight, [](int, int) { return uint16_t(5); });
    EXPECT_EQ(CaptureDarkStep(false, dark), 0);
    EXPECT_EQ(s.undoImage[7], 5);  // the dark is kept in the undo plane
    EXPECT_EQ(s.currentImage[7], before[7] - 5);
    EXPECT_EQ(s.historyLines[0][0], '\0');
    EXPECT_EQ(fixture.ui.progressOpened, 0);

    // Once loaded the file is not read again.
    std::filesystem::remove(dark);
    EXPECT_EQ(CaptureDarkStep(true, dark), 0);
    EXPECT_EQ(s.currentImage[7], before[7] - 10);
}

TEST_F(CalibrationTest, CaptureDarkStepInHalfGeometryNeedsTheHalfSize) {
    s.geometryMode = 1;
    ApplyGeometry();
    const std::string full =
        WriteTq("full", kFullWidth, kFullHeight, [](int, int) { return uint16_t(5); });
    EXPECT_EQ(CaptureDarkStep(false, full), 12);
    const std::string half =
        WriteTq("half", kHalfWidth, kHalfHeight, [](int, int) { return uint16_t(5); });
    EXPECT_EQ(CaptureDarkStep(false, half), 0);
    EXPECT_EQ(s.currentImage[0], before[0] - 5);
}

TEST_F(CalibrationTest, CaptureFlatStepUsesSixHundredColumnsAndRowsTwoToLastButOne) {
    // Reference window: columns 5 to 604 of rows 10 to 19; 1000 there up to column 504 and
    // 4000 from 505 to 604: mean (5000 x 1000 + 1000 x 4000) / 6000 = 1500.
    const std::string flat = WriteTq("flat", kFullWidth, kFullHeight, [](int r, int c) {
        if (r >= 10 && r < 20 && c >= 505) return uint16_t(4000);
        return uint16_t(1000);
    });
    for (int k = 0; k < kFullSampleCount; ++k) s.currentImage[k] = 1000;
    EXPECT_EQ(CaptureFlatStep(false, flat), 0);
    EXPECT_EQ(s.flatReferenceImage[0], 1000);
    EXPECT_EQ(At(s.currentImage, 1, 100), 1000);
    EXPECT_EQ(At(s.currentImage, 2, 100), 1500);
    EXPECT_EQ(At(s.currentImage, kFullHeight - 2, 100), 1500);
    EXPECT_EQ(At(s.currentImage, kFullHeight - 1, 100), 1000);
    EXPECT_EQ(At(s.currentImage, 500, 2), 1000);
    EXPECT_EQ(s.historyLines[0][0], '\0');
    EXPECT_EQ(s.undoImage[0], 4242);
    EXPECT_EQ(fixture.ui.progressOpened, 0);
    EXPECT_EQ(CaptureFlatStep(false, fixture.root + "/missing"), 11);
}

}  // namespace
}  // namespace vexa
