#include "files/tiff_file.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;

// The file as the layout table gives it, built byte by byte.
Bytes ExpectedTiff(int width, int height, const Plane& image) {
    Bytes b;
    auto u16 = [&](uint32_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    auto entry = [&](uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
        u16(tag), u16(type), u32(count);
        if (type == 3) {
            u16(value), u16(0);
        } else {
            u32(value);
        }
    };
    const bool full = width == 1300;
    const uint32_t strips = full ? 10 : 5;
    b.push_back('I'), b.push_back('I'), u16(42), u32(8), u16(13);
    entry(254, 4, 1, 0);
    entry(256, 3, 1, full ? 1300 : 650);
    entry(257, 3, 1, full ? 1030 : 515);
    entry(258, 3, 1, 8);
    entry(259, 3, 1, 1);
    entry(262, 3, 1, 1);
    entry(273, 4, strips, 186);
    entry(277, 3, 1, 1);
    entry(278, 4, 1, 103);
    entry(279, 4, strips, full ? 226 : 206);
    entry(282, 5, 1, 170);
    entry(283, 5, 1, 178);
    entry(296, 3, 1, 3);
    u32(0);
    EXPECT_EQ(b.size(), 170u);
    u32(510), u32(6), u32(256), u32(4);
    for (uint32_t k = 0; k < strips; ++k) u32(full ? 266 + 133900 * k : 226 + 66950 * k);
    for (uint32_t k = 0; k < strips; ++k) u32(full ? 133900 : 66950);
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) b.push_back(image[static_cast<size_t>(r) * width + c] >> 8);
    }
    return b;
}

class TiffFileTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();
    fs::path PathOf(const std::string& name) const { return fs::path(fixture.root) / name; }
};

TEST_F(TiffFileTest, FullGeometryFileByteForByte) {
    test::SetPatternImage(0);
    ASSERT_TRUE(WriteTiffFile(PathOf("f.tif").string(), s.currentImage));
    const Bytes f = ReadBytes(PathOf("f.tif"));
    EXPECT_EQ(f.size(), 1339266u);
    EXPECT_EQ(f, ExpectedTiff(1300, 1030, s.currentImage));
}

TEST_F(TiffFileTest, HalfGeometryFileByteForByte) {
    test::SetPatternImage(1);
    ASSERT_TRUE(WriteTiffFile(PathOf("h.tif").string(), s.currentImage));
    const Bytes f = ReadBytes(PathOf("h.tif"));
    EXPECT_EQ(f.size(), 334976u);
    EXPECT_EQ(f, ExpectedTiff(650, 515, s.currentImage));
}

TEST_F(TiffFileTest, SamplesAreWrittenAsTheirHighByte) {
    s.geometryMode = 1;
    ApplyGeometry();
    s.currentImage[0] = 65535;
    s.currentImage[1] = 256;
    s.currentImage[2] = 255;
    ASSERT_TRUE(WriteTiffFile(PathOf("b.tif").string(), s.currentImage));
    const Bytes f = ReadBytes(PathOf("b.tif"));
    EXPECT_EQ(Bytes(f.begin() + 226, f.begin() + 229), (Bytes{255, 1, 0}));
}

TEST_F(TiffFileTest, FailedWriteKeepsTheOlderFile) {
    test::SetPatternImage(0);
    test::WriteBytes(PathOf("old.tif"), Bytes{1, 2, 3});
    bool ok = true;
    {
        test::FileSizeLimit limit(100000);
        ok = WriteTiffFile(PathOf("old.tif").string(), s.currentImage);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadBytes(PathOf("old.tif")), (Bytes{1, 2, 3}));
    EXPECT_EQ(test::NamesIn(fixture.root), std::vector<std::string>{"old.tif"});
}

}  // namespace
}  // namespace vexa
