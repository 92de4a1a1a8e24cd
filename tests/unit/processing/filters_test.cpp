// The filter passes on small synthetic images against hand-computed values, the fast paths
// against plain one-window-at-a-time forms on random images, and the filters on the session:
// label band, borders, Half geometry, undo copy, progress window and history.
#include "processing/filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "processing/filter_passes.h"
#include "processing/filter_simd.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

// A small image with its own width and height.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> samples;
    Image(int w, int h, uint16_t fill = 0)
        : width(w), height(h), samples(static_cast<size_t>(w) * h, fill) {}
    uint16_t& at(int row, int column) { return samples[static_cast<size_t>(row) * width + column]; }
    uint16_t at(int row, int column) const {
        return samples[static_cast<size_t>(row) * width + column];
    }
};

Image Convolved(const Image& in, int radius, int kernel, int divisor, int firstRow = -1) {
    Image out = in;
    ConvolvePass(in.samples.data(), out.samples.data(), in.width, in.height,
                 firstRow < 0 ? radius : firstRow, radius, filterKernels[kernel], divisor);
    return out;
}

Image Unsharped(const Image& in, int radius, int power) {
    Image out = in;
    UnsharpPass(in.samples.data(), out.samples.data(), in.width, in.height, radius, radius, power);
    return out;
}

Image Medianed(const Image& in, int radius, int tenths) {
    Image out = in;
    MedianPass(in.samples.data(), out.samples.data(), in.width, in.height, radius, radius, tenths);
    return out;
}

Image RandomImage(int width, int height, uint32_t seed, int low = 0, int high = 65535) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(low, high);
    Image image(width, height);
    for (uint16_t& v : image.samples) v = static_cast<uint16_t>(value(random));
    return image;
}

// ---- the fixed kernels ----

TEST(ConvolvePass, UniformImageStaysUnchangedUnderEveryKernel) {
    struct Case {
        int radius, kernel, divisor;
    };
    const Case cases[] = {{1, kLowPassKernel, 16},         {2, kGaussianKernel, 80},
                          {1, kHighPassLowPowerKernel, 1}, {2, kHighPassHighPowerKernel, 1},
                          {2, kSmootherSharperKernel, 1},  {2, kBasReliefKernel, 1}};
    for (const Case& c : cases) {
        const Image in(11, 9, 1234);
        EXPECT_EQ(Convolved(in, c.radius, c.kernel, c.divisor).samples, in.samples)
            << "kernel " << c.kernel;
    }
}

TEST(ConvolvePass, HighPassLowPowerOnOneBrightPixel) {
    Image in(7, 7);
    in.at(3, 3) = 1000;
    const Image out = Convolved(in, 1, kHighPassLowPowerKernel, 1);
    EXPECT_EQ(out.at(3, 3), 5000);
    // -1000 at the four edge neighbours is clamped to 0; the diagonals see nothing.
    EXPECT_EQ(out.at(2, 3), 0);
    EXPECT_EQ(out.at(4, 3), 0);
    EXPECT_EQ(out.at(3, 2), 0);
    EXPECT_EQ(out.at(3, 4), 0);
    EXPECT_EQ(out.at(2, 2), 0);
}

TEST(ConvolvePass, ClampsAbove65280NotAbove65535) {
    Image in(5, 3);
    in.at(1, 1) = 13056;  // 5 x 13056 = 65280: stored as it is
    in.at(1, 3) = 13057;  // 5 x 13057 - 4 = 65281: becomes 65535
    in.at(0, 3) = 4;
    const Image out = Convolved(in, 1, kHighPassLowPowerKernel, 1);
    EXPECT_EQ(out.at(1, 1), 65280);
    EXPECT_EQ(out.at(1, 3), 65535);
}

TEST(ConvolvePass, GaussianTruncatesEachQuotient) {
    Image in(9, 9);
    in.at(4, 4) = 100;
    const Image out = Convolved(in, 2, kGaussianKernel, 80);
    EXPECT_EQ(out.at(4, 4), 20);  // 16 x 100 / 80
    EXPECT_EQ(out.at(4, 5), 10);  // 8 x 100 / 80
    EXPECT_EQ(out.at(5, 5), 5);   // 4 x 100 / 80
    EXPECT_EQ(out.at(4, 6), 2);   // 2 x 100 / 80 = 2.5
    EXPECT_EQ(out.at(5, 6), 1);   // 1 x 100 / 80 = 1.25
    EXPECT_EQ(out.at(6, 6), 0);   // corner weight 0
}

TEST(ConvolvePass, BasReliefIsDirectional) {
    Image in(9, 9);
    in.at(4, 4) = 100;
    const Image out = Convolved(in, 2, kBasReliefKernel, 1);
    // The output at (y, x) weighs the input at (y + dy, x + dx) by K[dy][dx].
    EXPECT_EQ(out.at(4, 4), 100);
    EXPECT_EQ(out.at(2, 4), 100);  // the pixel lies two rows below: bottom weight 1
    EXPECT_EQ(out.at(6, 4), 0);    // two rows above: -100 clamped
    EXPECT_EQ(out.at(4, 2), 100);  // right of centre row weight 1
    EXPECT_EQ(out.at(4, 6), 0);
}

TEST(ConvolvePass, BorderOfTheRadiusKeepsItsSamples) {
    const Image in = RandomImage(12, 10, 7);
    for (int radius : {1, 2}) {
        const Image out = Convolved(in, radius, radius == 1 ? kLowPassKernel : kGaussianKernel,
                                    radius == 1 ? kLowPassDivisor : kGaussianDivisor);
        for (int y = 0; y < in.height; ++y) {
            for (int x = 0; x < in.width; ++x) {
                const bool border =
                    y < radius || y >= in.height - radius || x < radius || x >= in.width - radius;
                if (border) {
                    EXPECT_EQ(out.at(y, x), in.at(y, x)) << y << "," << x;
                }
            }
        }
    }
}

// Every kernel the menu uses, on random images, against the plain form; the widths cover the
// vector bodies and their tails.
TEST(ConvolvePass, FastPathsMatchThePlainFormOnRandomImages) {
    struct Case {
        int radius, kernel, divisor;
    };
    const Case cases[] = {{1, kLowPassKernel, 16},         {2, kGaussianKernel, 80},
                          {1, kHighPassLowPowerKernel, 1}, {2, kHighPassHighPowerKernel, 1},
                          {2, kSmootherSharperKernel, 1},  {2, kBasReliefKernel, 1},
                          {2, kLowPassKernel, 7},          {1, kBasReliefKernel, 3}};
    uint32_t seed = 1;
    for (int width : {5, 16, 37, 83}) {
        for (const Case& c : cases) {
            for (int range : {65535, 4000}) {
                const Image in = RandomImage(width, 23, seed++, 0, range);
                Image plain = in;
                ConvolveRowsPlain(in.samples.data(), plain.samples.data(), width, in.height,
                                  c.radius + 1, c.radius, filterKernels[c.kernel], c.divisor);
                EXPECT_EQ(Convolved(in, c.radius, c.kernel, c.divisor, c.radius + 1).samples,
                          plain.samples)
                    << "width " << width << " kernel " << c.kernel << " radius " << c.radius;
            }
        }
    }
}

// ---- unsharp mask ----

TEST(UnsharpPass, RadiusOnePowerOneOnABrightPixel) {
    Image in(7, 7, 10);
    in.at(3, 3) = 100;
    const Image out = Unsharped(in, 1, 1);
    EXPECT_EQ(out.at(3, 3), 180);  // mean trunc(180 / 9) = 20
    EXPECT_EQ(out.at(3, 4), 0);    // 10 + (10 - 20) = 0
    EXPECT_EQ(out.at(1, 1), 10);   // the box no longer reaches the pixel
}

TEST(UnsharpPass, ClampsAt65280AndZero) {
    Image in(5, 5, 0);
    in.at(2, 2) = 9000;  // mean 1000: 9000 + 8000 x 7 = 65000
    EXPECT_EQ(Unsharped(in, 1, 7).at(2, 2), 65000);
    in.at(2, 2) = 9010;  // mean 1001: 9010 + 8009 x 7 = 65073
    in.at(1, 1) = 0;
    EXPECT_EQ(Unsharped(in, 1, 7).at(2, 2), 65073);
    in.at(2, 2) = 9045;  // mean 1005: 9045 + 8040 x 7 = 65325, above 65280
    EXPECT_EQ(Unsharped(in, 1, 7).at(2, 2), 65535);
    in.at(2, 2) = 0;
    in.at(1, 1) = 900;  // mean 100: 0 + (0 - 100) = -100
    EXPECT_EQ(Unsharped(in, 1, 1).at(2, 2), 0);
}

TEST(UnsharpPass, RunningBoxSumMatchesTheDirectBoxMean) {
    uint32_t seed = 100;
    for (int radius = 1; radius <= 7; ++radius) {
        for (int power : {1, 4, 7}) {
            const Image in = RandomImage(41, 2 * radius + 6, seed++);
            const Image out = Unsharped(in, radius, power);
            const int side = 2 * radius + 1;
            for (int y = 0; y < in.height; ++y) {
                for (int x = 0; x < in.width; ++x) {
                    int32_t expected = in.at(y, x);
                    if (y >= radius && y < in.height - radius && x >= radius &&
                        x < in.width - radius) {
                        int32_t sum = 0;
                        for (int dy = -radius; dy <= radius; ++dy)
                            for (int dx = -radius; dx <= radius; ++dx) sum += in.at(y + dy, x + dx);
                        const int32_t c = in.at(y, x);
                        const int32_t v = c + (c - sum / (side * side)) * power;
                        expected = v > 65280 ? 65535 : std::max(v, 0);
                    }
                    ASSERT_EQ(out.at(y, x), expected)
                        << "radius " << radius << " power " << power << " at " << y << "," << x;
                }
            }
        }
    }
}

// The fast unsharp pass (column sums kept from row to row) against the running box sum as
// described, for every radius and power, with rows that start below a label band.
TEST(UnsharpPass, FastPathMatchesTheDescribedRunningSum) {
    uint32_t seed = 900;
    for (int radius = 1; radius <= 7; ++radius) {
        for (int power = 1; power <= 7; ++power) {
            const int width = 2 * radius + 1 + static_cast<int>(seed * 13 % 120);
            const Image in =
                RandomImage(width, 2 * radius + 14, seed++, 0, power % 2 ? 65535 : 3000);
            for (int firstRow : {radius, radius + 10}) {
                Image fast = in;
                Image plain = in;
                UnsharpPass(in.samples.data(), fast.samples.data(), width, in.height, firstRow,
                            radius, power);
                UnsharpRowsPlain(in.samples.data(), plain.samples.data(), width, in.height,
                                 firstRow, radius, power);
                ASSERT_EQ(fast.samples, plain.samples)
                    << "radius " << radius << " power " << power << " first row " << firstRow;
            }
        }
    }
}

// ---- conditional median ----

// The selection as described, written out independently: collect the window column by column,
// track the minimum from 65000, pick the largest remaining value k + 1 times.
uint16_t ReferenceMedianSample(const Image& in, int y, int x, int radius, int tenths) {
    std::vector<int> window;
    int minimum = 65000;
    for (int cx = x - radius; cx <= x + radius; ++cx) {
        for (int cy = y - radius; cy <= y + radius; ++cy) {
            window.push_back(in.at(cy, cx));
            if (in.at(cy, cx) < minimum) minimum = in.at(cy, cx);
        }
    }
    const int k = static_cast<int>(window.size()) / 2;
    std::vector<int> ranked;
    for (int i = 0; i <= k; ++i) {
        int best = 0;
        for (int j = 0; j < static_cast<int>(window.size()); ++j)
            if (window[j] >= window[best]) best = j;
        ranked.push_back(window[best]);
        window[best] = 0;
    }
    const float power = static_cast<float>(tenths * 0.1);
    const int limit = static_cast<int>(static_cast<float>(ranked.front() - minimum) * power);
    const int centre = in.at(y, x);
    return std::abs(ranked.back() - centre) > limit ? static_cast<uint16_t>(ranked.back())
                                                    : static_cast<uint16_t>(centre);
}

// The vector passes form the limit trunc(range x power) from integer products: it must equal
// the single-precision product for every range and power.
TEST(MedianPass, IntegerLimitEqualsTheSinglePrecisionProduct) {
    for (int tenths = 1; tenths <= 10; ++tenths) {
        const float power = MedianPower(tenths);
        for (int range = 0; range <= 65535; ++range) {
            const auto expected = static_cast<uint16_t>(static_cast<float>(range) * power);
            ASSERT_EQ(MedianLimit(static_cast<uint16_t>(range), tenths), expected)
                << "tenths " << tenths << " range " << range;
        }
    }
}

TEST(MedianPass, HotPixelIsReplacedByTheMedian) {
    Image in(5, 5, 100);
    in.at(2, 2) = 60000;
    // 59900 > trunc(59900 x 0.6) = 35940
    EXPECT_EQ(Medianed(in, 1, 6).at(2, 2), 100);
    // power 1.0: the limit is the whole range, so nothing changes
    EXPECT_EQ(Medianed(in, 1, 10).at(2, 2), 60000);
}

TEST(MedianPass, MinimumStartsFrom65000) {
    Image in(3, 3, 65535);
    in.at(1, 1) = 65300;
    // maximum 65535, minimum 65000 (not 65300): limit trunc(535 x 0.6) = 321 >= 235
    EXPECT_EQ(Medianed(in, 1, 6).at(1, 1), 65300);
    in.at(1, 1) = 65200;  // 335 > 321
    EXPECT_EQ(Medianed(in, 1, 6).at(1, 1), 65535);
}

TEST(MedianPass, ExactlyAtTheLimitKeepsTheSample) {
    // Window 0 x 4, 1000 x 4 and centre 500 -> median 500 when ... use an asymmetric case:
    // values 0 (x3), 100 (x5), centre 40: median 100, range 100, power 0.6 -> limit 60.
    Image in(3, 3, 100);
    in.at(0, 0) = 0;
    in.at(0, 1) = 0;
    in.at(0, 2) = 0;
    in.at(1, 1) = 40;  // |100 - 40| = 60, not above 60
    EXPECT_EQ(Medianed(in, 1, 6).at(1, 1), 40);
    in.at(1, 1) = 39;  // 61 > 60
    EXPECT_EQ(Medianed(in, 1, 6).at(1, 1), 100);
}

// Every instruction set this processor has, so that each vector path is checked.
std::vector<simd::Isa> AvailableIsas() {
    std::vector<simd::Isa> isas;
    for (simd::Isa isa : {simd::Isa::Generic, simd::Isa::Avx2, simd::Isa::Avx512})
        if (simd::IsaAvailable(isa)) isas.push_back(isa);
    return isas;
}

// Puts the processor's best path back however a test ends.
struct IsaGuard {
    ~IsaGuard() { simd::ResetIsa(); }
};

void ExpectMedianMatchesReference(const Image& in, int radius, int tenths, const char* what) {
    const Image out = Medianed(in, radius, tenths);
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            const bool inside =
                y >= radius && y < in.height - radius && x >= radius && x < in.width - radius;
            const uint16_t expected =
                inside ? ReferenceMedianSample(in, y, x, radius, tenths) : in.at(y, x);
            ASSERT_EQ(out.at(y, x), expected)
                << what << ": radius " << radius << " tenths " << tenths << " width " << in.width
                << " at " << y << "," << x;
        }
    }
}

// The fast selection must equal the described partial selection at every sample, for every
// radius and power and every vector path, on random images of wide and of narrow value ranges
// (many ties), with widths that exercise the plain form, whole vectors and the moved-back last
// vector of a row.
TEST(MedianPass, FastSelectionEqualsTheDescribedPartialSelection) {
    IsaGuard guard;
    uint32_t seed = 500;
    for (simd::Isa isa : AvailableIsas()) {
        simd::ForceIsa(isa);
        for (int radius = 1; radius <= 3; ++radius) {
            for (int tenths = 1; tenths <= 10; ++tenths) {
                for (int range : {65535, 12, 1}) {
                    const int width = 2 * radius + 1 + static_cast<int>(seed * 7 % 90);
                    const int height = 2 * radius + 1 + static_cast<int>(seed % 5);
                    const int low = range == 1 ? 64990 : 0;
                    const Image in =
                        RandomImage(width, height, seed++, low, range == 1 ? 65535 : range);
                    ExpectMedianMatchesReference(in, radius, tenths, "random");
                }
            }
        }
    }
}

// With samples of 0 and 1 and power 0.1 every output is the window's median (the limit is 0),
// so these images check the selection network on 0-1 inputs: for radius 1 on every 3 x 3
// window, for radius 2 on every 5 x 5 window up to the order within its columns (which the
// pass sorts first), for radius 3 on many random ones. A network of comparisons that selects
// the median of every 0-1 input selects it of every input.
TEST(MedianPass, SelectionNetworkIsRightOnEveryZeroOneWindow) {
    IsaGuard guard;
    for (simd::Isa isa : AvailableIsas()) {
        simd::ForceIsa(isa);
        {
            Image in(3 * 512, 3);
            for (int pattern = 0; pattern < 512; ++pattern)
                for (int bit = 0; bit < 9; ++bit)
                    in.at(bit % 3, 3 * pattern + bit / 3) = (pattern >> bit) & 1;
            ExpectMedianMatchesReference(in, 1, 1, "every 3 x 3 window");
        }
        {
            constexpr int kPatterns = 6 * 6 * 6 * 6 * 6;  // ones per column: 0 to 5
            Image in(5 * kPatterns, 5);
            for (int pattern = 0; pattern < kPatterns; ++pattern) {
                int ones = pattern;
                for (int column = 0; column < 5; ++column, ones /= 6)
                    for (int row = 0; row < ones % 6; ++row) in.at(row, 5 * pattern + column) = 1;
            }
            ExpectMedianMatchesReference(in, 2, 1, "every sorted 5 x 5 window");
        }
        ExpectMedianMatchesReference(RandomImage(4000, 9, 99, 0, 1), 3, 1, "random 7 x 7");
    }
}

// Windows whose distance from the median is exactly the limit (kept) or one more (replaced),
// over many ranges, on every vector path.
TEST(MedianPass, VectorPathsDecideAtTheLimitLikeThePlainForm) {
    IsaGuard guard;
    std::mt19937 random(5);
    std::uniform_int_distribution<int> top(2, 65535);
    for (simd::Isa isa : AvailableIsas()) {
        simd::ForceIsa(isa);
        for (int tenths = 1; tenths <= 10; ++tenths) {
            constexpr int kBlocks = 200;
            Image in(3 * kBlocks, 3);
            for (int b = 0; b < kBlocks; ++b) {
                // Bottom row 0, the rest M: median M, range M, centre M - limit (- 1).
                const int m = top(random);
                const int limit = MedianLimit(static_cast<uint16_t>(m), tenths);
                for (int c = 3 * b; c < 3 * b + 3; ++c) {
                    in.at(1, c) = static_cast<uint16_t>(m);
                    in.at(2, c) = static_cast<uint16_t>(m);
                }
                in.at(1, 3 * b + 1) = static_cast<uint16_t>(std::max(0, m - limit - (b % 2)));
            }
            ExpectMedianMatchesReference(in, 1, tenths, "at the limit");
        }
    }
}

TEST(MedianPass, FastSelectionOnAFullSizeRandomImage) {
    const Image in = RandomImage(kFullWidth, 40, 77);
    for (int radius = 1; radius <= 3; ++radius) {
        Image plain = in;
        MedianRowsPlain(in.samples.data(), plain.samples.data(), in.width, in.height, radius,
                        radius, 6);
        EXPECT_EQ(Medianed(in, radius, 6).samples, plain.samples) << "radius " << radius;
    }
}

// ---- gradient filter ----

TEST(GradientFilter, PatchLevelIsTheModeWithTheLowestBinWinningTies) {
    Image in(60, 60);
    for (int r = 10; r < 50; ++r)
        for (int c = 20; c < 60; ++c) in.at(r, c) = (c < 40) ? 160 : 320;  // bins 10 and 20
    EXPECT_EQ(PatchLevel(in.samples.data(), 60, 10, 20, 0, 0), 10);
    in.at(10, 20) = 320;  // now bin 20 has one more
    EXPECT_EQ(PatchLevel(in.samples.data(), 60, 10, 20, 0, 0), 20);
    Image zero(60, 60);
    EXPECT_EQ(PatchLevel(zero.samples.data(), 60, 10, 20, 0, 0), 0);
    EXPECT_EQ(PatchLevel(zero.samples.data(), 60, 10, 20, 1, 1), 1);  // bin 0 not searched
}

TEST(GradientPass, FastPathMatchesThePlainForm) {
    const GradientLevels cases[] = {{10, 10, 10, 10}, {30, 12, 12, 12}, {12, 30, 12, 12},
                                    {12, 12, 30, 12}, {12, 12, 12, 30}, {4095, 0, 1, 2000},
                                    {7, 300, 41, 1}};
    uint32_t seed = 40;
    for (const GradientLevels& levels : cases) {
        for (bool half : {false, true}) {
            const int width = half ? kHalfWidth : kFullWidth;
            const int height = half ? kHalfHeight : kFullHeight;
            const Image in = RandomImage(width, height, seed++);
            Image fast = in;
            Image plain = in;
            const int32_t count = half ? kHalfPassSampleCount : kFullSampleCount;
            GradientPass(fast.samples.data(), width, height, 3, static_cast<float>(width),
                         static_cast<float>(height), count, levels);
            GradientRowsPlain(plain.samples.data(), width, height, 3, static_cast<float>(width),
                              static_cast<float>(height), count, levels);
            ASSERT_EQ(fast.samples, plain.samples) << levels.topLeft << " " << levels.topRight;
        }
    }
}

class GradientSessionTest : public ::testing::Test {
  protected:
    void Fill(int geometryMode, uint16_t value) {
        s.geometryMode = geometryMode;
        ApplyGeometry();
        std::fill(s.currentImage.begin(), s.currentImage.end(), value);
    }
    uint16_t At(int row, int column) const {
        return s.currentImage[static_cast<size_t>(row) * s.geometry.width + column];
    }
    void FillTopLeftPatch(uint16_t value) {
        for (int r = 10; r < 50; ++r)
            for (int c = 20; c < 60; ++c)
                s.currentImage[static_cast<size_t>(r) * s.geometry.width + c] = value;
    }
    test::SessionFixture fixture;
    SessionState& s = Session();
};

TEST_F(GradientSessionTest, EqualPatchesChangeNothing) {
    Fill(0, 500);
    for (int c = 0; c < kFullWidth; ++c) s.currentImage[700 * kFullWidth + c] = 9000;
    const Plane before = s.currentImage;
    GradientFilter();
    EXPECT_EQ(s.currentImage, before);
    EXPECT_STREQ(s.historyLines[0].data(), "Gradient Filter");
    EXPECT_EQ(s.undoImage[0], 500);
    EXPECT_EQ(fixture.ui.progressOpened, 0);  // no progress window
}

TEST_F(GradientSessionTest, FullGeometryInterpolatesTheCornerOffsets) {
    Fill(0, 200);
    FillTopLeftPatch(400);  // level 25 against 12 elsewhere: offset 13 x 16 = 208
    GradientFilter();
    EXPECT_EQ(At(0, 0), 0);          // g = 208: 200 is not above it
    EXPECT_EQ(At(515, 650), 148);    // g = 52
    EXPECT_EQ(At(1029, 1299), 200);  // g = 208 / 1,339,000
    EXPECT_EQ(At(10, 20), 198);      // 400 - trunc(1020 x 1280 x 208 / 1,339,000 = 202.8)
}

TEST_F(GradientSessionTest, HalfGeometryWeightsAddUpToOneHalf) {
    Fill(1, 200);
    FillTopLeftPatch(400);
    GradientFilter();
    EXPECT_EQ(At(0, 0), 96);  // g = 515 x 650 x 208 / 669,500 = 104
    // Samples past the 650 x 515 image are left alone.
    EXPECT_EQ(s.currentImage[kHalfWidth * kHalfHeight + 5], 200);
}

TEST_F(GradientSessionTest, LabelledImageKeepsItsFirstTenRows) {
    Fill(0, 200);
    FillTopLeftPatch(400);
    s.currentImage[4] = 30;
    s.currentImage[5] = 4;
    GradientFilter();
    EXPECT_EQ(At(0, 0), 200);
    EXPECT_EQ(At(9, 100), 200);
    EXPECT_LT(At(10, 100), 200);
}

// ---- the filters on the session ----

class FilterSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::mt19937 random(3);
        std::uniform_int_distribution<int> value(1000, 60000);
        for (auto& v : s.currentImage) v = static_cast<uint16_t>(value(random));
        s.currentImage[4] = 1;  // no label marker
        s.currentImage[5] = 2;
        before = s.currentImage;
    }
    uint16_t At(const Plane& p, int row, int column) const {
        return p[static_cast<size_t>(row) * s.geometry.width + column];
    }
    test::SessionFixture fixture;
    SessionState& s = Session();
    Plane before{};
};

TEST_F(FilterSessionTest, ConvolveImageTakesTheUndoCopyAndShowsProgress) {
    ConvolveImage(1, kLowPassKernel, kLowPassDivisor, true);
    EXPECT_EQ(s.undoImage, [&] {
        Plane undo{};
        std::copy_n(before.begin(), kFullSampleCount, undo.begin());
        return undo;
    }());
    EXPECT_EQ(s.pendingProgressTitle, "FILTER PROGRESS");
    EXPECT_EQ(fixture.ui.progressOpened, 1);
    EXPECT_EQ(fixture.ui.progressClosed, 1);
    EXPECT_TRUE(fixture.ui.progressTitles.empty());  // the title is not pending
    ASSERT_FALSE(fixture.ui.progressPositions.empty());
    EXPECT_EQ(fixture.ui.progressPositions.front(), 0);  // row 1 / 4
    EXPECT_EQ(fixture.ui.progressPositions.back(), 1028 / 4);
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);  // refreshed
    // Result: the plain pass over the Full image.
    Plane expected = before;
    ConvolveRowsPlain(before.data(), expected.data(), kFullWidth, kFullHeight, 1, 1,
                      filterKernels[kLowPassKernel], kLowPassDivisor);
    EXPECT_EQ(s.currentImage, expected);
}

TEST_F(FilterSessionTest, PendingTitleIsShownWhenTheCaptureAsksForIt) {
    s.progressTitlePending = true;
    ConvolveImage(2, kGaussianKernel, kGaussianDivisor, false);
    ASSERT_EQ(fixture.ui.progressTitles.size(), 1u);
    EXPECT_EQ(fixture.ui.progressTitles[0], "FILTER PROGRESS");
    EXPECT_FALSE(s.progressTitlePending);
    EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());  // no refresh asked
}

TEST_F(FilterSessionTest, LabelledImageFirstProcessedRowIsTenPlusRadius) {
    s.currentImage[4] = 20;
    s.currentImage[5] = 14;
    before = s.currentImage;
    ConvolveImage(2, kHighPassHighPowerKernel, 1, false);
    for (int row = 0; row < 12; ++row)
        for (int c = 0; c < kFullWidth; ++c)
            ASSERT_EQ(At(s.currentImage, row, c), At(before, row, c));
    EXPECT_NE(At(s.currentImage, 12, 100), At(before, 12, 100));
    EXPECT_EQ(fixture.ui.progressPositions.front(), 12 / 4);
}

TEST_F(FilterSessionTest, LabelledImageKeepsTheBandUnderEveryFilter) {
    s.currentImage[4] = 20;
    s.currentImage[5] = 14;
    before = s.currentImage;
    ApplyUnsharpMask(3, 2);   // rows 13 on
    ApplyMedianFilter(2, 1);  // rows 12 on
    for (int row = 0; row < 10 + 2; ++row)
        for (int c = 0; c < kFullWidth; ++c)
            ASSERT_EQ(At(s.currentImage, row, c), At(before, row, c));
}

TEST_F(FilterSessionTest, HalfGeometryPassesCoverTheWholeImageOnly) {
    s.geometryMode = 1;
    ApplyGeometry();
    s.workImage.fill(7);
    ConvolveImage(1, kHighPassLowPowerKernel, 1, false);
    // The 650 x 515 image is filtered with its own row stride ...
    Plane expected = before;
    ConvolveRowsPlain(before.data(), expected.data(), kHalfWidth, kHalfHeight, 1, 1,
                      filterKernels[kHighPassLowPowerKernel], 1);
    EXPECT_EQ(s.currentImage, expected);
    // ... and the whole-image copies run over 669,500 samples of the planes.
    EXPECT_EQ(s.workImage[kHalfPassSampleCount - 1], before[kHalfPassSampleCount - 1]);
    EXPECT_EQ(s.workImage[kHalfPassSampleCount], 7);
    EXPECT_EQ(s.undoImage[kHalfPassSampleCount - 1], before[kHalfPassSampleCount - 1]);
    EXPECT_EQ(fixture.ui.progressPositions.back(), 513 / 2);
}

TEST_F(FilterSessionTest, SixteenthHistoryLineIsDroppedButTheFilterRuns) {
    for (int i = 0; i < kHistoryEntries; ++i) s.historyLines[i] = {'x', '\0'};
    ApplyMedianFilter(1, 6);
    EXPECT_STREQ(s.historyLines[kHistoryEntries - 1].data(), "x");
    EXPECT_NE(s.currentImage, before);
}

TEST_F(FilterSessionTest, UnsharpAndMedianWriteTheirHistoryLines) {
    ApplyUnsharpMask(3, 1);
    ApplyMedianFilter(1, 6);
    ApplyMedianFilter(3, 10);
    EXPECT_STREQ(s.historyLines[0].data(), "Unsharp Mask : rad 3 ,power 1");
    EXPECT_STREQ(s.historyLines[1].data(), "Median Filter : rad 1 ,power 0.6");
    EXPECT_STREQ(s.historyLines[2].data(), "Median Filter : rad 3 ,power 1.0");
    EXPECT_EQ(s.pendingProgressTitle, "MEDIAN FILTER PROGRESS");
}

TEST_F(FilterSessionTest, OutOfRangeParametersDoNothing) {
    ApplyUnsharpMask(0, 1);
    ApplyUnsharpMask(8, 1);
    ApplyUnsharpMask(3, 0);
    ApplyMedianFilter(4, 6);
    ApplyMedianFilter(1, 11);
    ConvolveImage(3, kGaussianKernel, 80, true);
    ConvolveImage(1, 6, 1, true);
    ConvolveImage(1, 0, 0, true);
    EXPECT_EQ(s.currentImage, before);
    EXPECT_EQ(s.historyLines[0][0], '\0');
    EXPECT_EQ(fixture.ui.progressOpened, 0);
}

}  // namespace
}  // namespace vexa
