// The view bitmaps byte for byte: header fields, colour table, bottom-up rows of the three
// variants, the file names and the writer's return codes; and an outside reader's view.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/display_refresh.h"
#include "files/view_bitmap.h"
#include "session/session_state.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

uint32_t U32(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<uint32_t>(f[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& f, size_t at) {
    return static_cast<uint16_t>(f[at] | f[at + 1] << 8);
}
std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A colour table whose entries are all different, so misplaced bytes show.
ColourTable DistinctColours() {
    ColourTable t;
    for (int i = 0; i < 256; ++i) {
        t[i].blue = static_cast<uint8_t>(i);
        t[i].green = static_cast<uint8_t>(255 - i);
        t[i].red = static_cast<uint8_t>(i * 7);
        t[i].reserved = 0x5A;  // never written: the file's fourth byte is always 0
    }
    return t;
}

class ViewBitmapTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    fs::path Root() const { return fs::path(fixture.root); }
    // Display bytes where every (row, column) of a stride holds its own pattern.
    std::vector<uint8_t> Pattern(int stride, int rows) {
        std::vector<uint8_t> b(kFullSampleCount, 0);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < stride; ++c)
                b[static_cast<size_t>(r) * stride + c] = static_cast<uint8_t>(r * 7 + c * 3);
        return b;
    }
    void ExpectHeader(const std::vector<uint8_t>& f, uint32_t size, uint32_t width, uint32_t height,
                      uint32_t imageSize) {
        ASSERT_GE(f.size(), 1078u);
        EXPECT_EQ(f[0], 'B');
        EXPECT_EQ(f[1], 'M');
        EXPECT_EQ(U32(f, 2), size);
        EXPECT_EQ(U32(f, 6), 0u);
        EXPECT_EQ(U32(f, 10), 1078u);
        EXPECT_EQ(U32(f, 14), 40u);
        EXPECT_EQ(U32(f, 18), width);
        EXPECT_EQ(U32(f, 22), height);
        EXPECT_EQ(U16(f, 26), 1);
        EXPECT_EQ(U16(f, 28), 8);
        EXPECT_EQ(U32(f, 30), 0u);
        EXPECT_EQ(U32(f, 34), imageSize);
        for (size_t k = 38; k < 54; ++k) EXPECT_EQ(f[k], 0) << k;
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(f[54 + 4 * i], i);
            ASSERT_EQ(f[55 + 4 * i], 255 - i);
            ASSERT_EQ(f[56 + 4 * i], static_cast<uint8_t>(i * 7));
            ASSERT_EQ(f[57 + 4 * i], 0);
        }
        EXPECT_EQ(f.size(), size);
    }
};

TEST_F(ViewBitmapTest, FullVariantHeaderAndBottomUpRows) {
    const auto bytes = Pattern(1300, 1030);
    const fs::path p = Root() / "full.bmp";
    ASSERT_EQ(WriteViewBitmapFile(p, ViewBitmapVariant::Full, bytes.data(), DistinctColours()), 0);
    const auto f = ReadAll(p);
    ExpectHeader(f, 1340078, 1300, 1030, 1339000);
    // The first pixel row is the bottom image row (1029), the last the top row.
    for (int c = 0; c < 1300; ++c) {
        ASSERT_EQ(f[1078 + c], bytes[1029 * 1300 + c]);
        ASSERT_EQ(f[1078 + 1029 * 1300 + c], bytes[c]);
    }
    for (int r = 0; r < 1030; ++r)
        ASSERT_EQ(f[1078 + static_cast<size_t>(r) * 1300 + 17], bytes[(1029 - r) * 1300 + 17]);
}

TEST_F(ViewBitmapTest, HalfVariantRepeatsTheFirstLevelAndEndsWithTheFiller) {
    const auto bytes = Pattern(650, 515);
    const fs::path p = Root() / "half.bmp";
    ASSERT_EQ(WriteViewBitmapFile(p, ViewBitmapVariant::Half, bytes.data(), DistinctColours()), 0);
    const auto f = ReadAll(p);
    ExpectHeader(f, 336858, 652, 515, 335780);
    for (int r = 0; r < 515; ++r) {
        const size_t row = 1078 + static_cast<size_t>(r) * 652;
        const size_t src = static_cast<size_t>(514 - r) * 650;
        ASSERT_EQ(f[row], f[row + 1]) << r;
        ASSERT_EQ(f[row], bytes[src]);
        for (int c = 0; c < 650; ++c) ASSERT_EQ(f[row + 1 + c], bytes[src + c]);
        ASSERT_EQ(f[row + 651], bytes[src + 649]);  // filler repeats the last level
    }
}

TEST_F(ViewBitmapTest, FrameVariantTakesTheFrameAtStride128) {
    const auto bytes = Pattern(128, 128);
    const fs::path p = Root() / "frame.bmp";
    ASSERT_EQ(WriteViewBitmapFile(p, ViewBitmapVariant::Frame, bytes.data(), DistinctColours()), 0);
    const auto f = ReadAll(p);
    ExpectHeader(f, 17462, 128, 128, 0);
    for (int r = 0; r < 128; ++r)
        for (int c = 0; c < 128; ++c) ASSERT_EQ(f[1078 + r * 128 + c], bytes[(127 - r) * 128 + c]);
}

TEST_F(ViewBitmapTest, ReplacesALargerOldFileCompletely) {
    const fs::path p = Root() / "VEXAQ4f.bmp";
    std::ofstream(p, std::ios::binary) << std::string(50000, 'x');
    const auto bytes = Pattern(128, 128);
    ASSERT_EQ(WriteViewBitmapFile(p, ViewBitmapVariant::Frame, bytes.data(), DistinctColours()), 0);
    EXPECT_EQ(fs::file_size(p), 17462u);
}

TEST_F(ViewBitmapTest, VariantAndFileFollowTheFlagAndGeometry) {
    EXPECT_EQ(ChooseViewBitmapVariant(false, 0), ViewBitmapVariant::Full);
    EXPECT_EQ(ChooseViewBitmapVariant(false, 1), ViewBitmapVariant::Half);
    EXPECT_EQ(ChooseViewBitmapVariant(true, 1), ViewBitmapVariant::Frame);
    EXPECT_STREQ(ViewBitmapProgramPath(ViewBitmapVariant::Half), "c:\\VEXAQ4.bmp");
    EXPECT_STREQ(ViewBitmapProgramPath(ViewBitmapVariant::Frame), "c:\\VEXAQ4f.bmp");

    Session().geometryMode = 1;
    ApplyGeometry();
    // A frame file spelt in lower case, as the camera dialog names it, is the same file.
    std::ofstream(Root() / "vexaq4f.bmp") << "old";
    const auto bytes = Pattern(650, 515);
    ASSERT_EQ(WriteViewBitmap(bytes.data(), DistinctColours(), false), 0);
    ASSERT_EQ(WriteViewBitmap(bytes.data(), DistinctColours(), true), 0);
    EXPECT_EQ(fs::file_size(Root() / "VEXAQ4.bmp"), 336858u);
    EXPECT_EQ(fs::file_size(Root() / "vexaq4f.bmp"), 17462u);
    int frameFiles = 0;
    for (const auto& e : fs::directory_iterator(Root()))
        frameFiles += e.path().filename() == "vexaq4f.bmp" || e.path().filename() == "VEXAQ4f.bmp";
    EXPECT_EQ(frameFiles, 1);
}

TEST_F(ViewBitmapTest, ReturnCodesForTargetsThatCannotBeWritten) {
    const auto bytes = Pattern(128, 128);
    fs::create_directories(Root() / "folder.bmp");
    EXPECT_EQ(WriteViewBitmapFile(Root() / "folder.bmp", ViewBitmapVariant::Frame, bytes.data(),
                                  DistinctColours()),
              1);
    EXPECT_TRUE(fs::is_directory(Root() / "folder.bmp"));  // an empty folder is not deleted
    EXPECT_EQ(WriteViewBitmapFile(Root() / "missing" / "x.bmp", ViewBitmapVariant::Frame,
                                  bytes.data(), DistinctColours()),
              2);
    EXPECT_EQ(
        WriteViewBitmapFile(Root() / "x.bmp", ViewBitmapVariant::Frame, nullptr, DistinctColours()),
        1);
}

// A write cut short by a full disk or a file-size limit leaves no torn view file behind.
TEST_F(ViewBitmapTest, ShortWriteRemovesTheCutViewFile) {
    const auto bytes = Pattern(1300, 1030);
    struct Case {
        rlim_t limit;
        int code;
    };
    for (const Case& c :
         {Case{500, kViewBitmapHeaderShort}, Case{200000, kViewBitmapPixelsShort}}) {
        SCOPED_TRACE(c.limit);
        int written = kViewBitmapOk;
        {
            test::FileSizeLimit limit(c.limit);
            ASSERT_TRUE(limit.Active());
            written = WriteViewBitmapFile(Root() / "VEXAQ4.bmp", ViewBitmapVariant::Full,
                                          bytes.data(), DistinctColours());
        }
        EXPECT_EQ(written, c.code);
        EXPECT_TRUE(test::NamesIn(Root()).empty());
    }
}

TEST_F(ViewBitmapTest, ExportKeepsAnOlderFileUnlessTheNewOneIsComplete) {
    const auto bytes = Pattern(650, 515);
    const fs::path p = Root() / "user.bmp";
    std::ofstream(p, std::ios::binary) << "older";
    bool written = true;
    {
        test::FileSizeLimit limit(100000);
        written = ExportViewBitmapFile(p, ViewBitmapVariant::Half, bytes.data(), DistinctColours());
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(p), (std::vector<uint8_t>{'o', 'l', 'd', 'e', 'r'}));
    EXPECT_EQ(test::NamesIn(Root()), std::vector<std::string>{"user.bmp"});

    ASSERT_TRUE(ExportViewBitmapFile(p, ViewBitmapVariant::Half, bytes.data(), DistinctColours()));
    const fs::path other = Root() / "other.bmp";
    ASSERT_EQ(WriteViewBitmapFile(other, ViewBitmapVariant::Half, bytes.data(), DistinctColours()),
              kViewBitmapOk);
    EXPECT_EQ(ReadAll(p), ReadAll(other));  // the same bytes as the view's writer
}

// ImageMagick reads each variant with the declared size.
TEST_F(ViewBitmapTest, IdentifyReportsTheDeclaredSizes) {
    if (!fs::exists("/usr/bin/identify")) GTEST_SKIP() << "ImageMagick is not installed";
    const auto bytes = Pattern(1300, 1030);
    const ColourTable grey = BuildColourTable();
    const struct {
        ViewBitmapVariant variant;
        const char* name;
        const char* size;
    } cases[] = {{ViewBitmapVariant::Full, "full.bmp", "1300x1030"},
                 {ViewBitmapVariant::Half, "half.bmp", "652x515"},
                 {ViewBitmapVariant::Frame, "frame.bmp", "128x128"}};
    for (const auto& c : cases) {
        const fs::path p = Root() / c.name;
        ASSERT_EQ(WriteViewBitmapFile(p, c.variant, bytes.data(), grey), 0);
        const std::string command = "/usr/bin/identify -format '%wx%h' '" + p.string() + "' 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        EXPECT_EQ(pclose(pipe), 0) << out;
        EXPECT_EQ(out, c.size);
    }
}

}  // namespace
}  // namespace vexa
