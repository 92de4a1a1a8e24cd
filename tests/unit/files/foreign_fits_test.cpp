#include "files/foreign_fits.h"
#include "files/foreign_fits_load.h"

#include <fitsio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "files/fits_file.h"
#include "files/tq_file.h"
#include "session/history_lines.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/files/foreign_fits_writer.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ForeignFile;
using test::ReadBytes;
using test::WriteBytes;
using test::WriteForeign;
using test::WriteNumberKey;
using test::WriteTextKey;

constexpr const char* kNotValid = "You didn't choose a valid TQ or suitable FITs File";
constexpr const char* kFitsForeign = "Unable to load FITS file, File was not saved by this program";
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr long kLast = test::kLastSample;

class ForeignFitsTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();

    fs::path PathOf(const std::string& name) const { return fs::path(fixture.root) / name; }

    // A session that every refused load must leave exactly as it is.
    void SetKnownSession() {
        test::SetPatternImage(0, 3);
        s.settings.fitsObject = "M42";
        s.settings.fitsFilter = "Red";
        s.fitsDate = "1/1/70";
        s.exposureSeconds = 9.0;
        s.sequenceNumber = 4;
        s.currentFileName = "shown.tq";
        ClearHistory();
        AppendHistory("Normal Stretch");
    }

    void ExpectKnownSession(const Plane& image) const {
        EXPECT_EQ(s.geometryMode, 0);
        EXPECT_EQ(s.geometry.width, 1300);
        EXPECT_TRUE(s.currentImage == image);
        EXPECT_EQ(s.settings.fitsObject, "M42");
        EXPECT_EQ(s.settings.fitsFilter, "Red");
        EXPECT_EQ(s.fitsDate, "1/1/70");
        EXPECT_DOUBLE_EQ(s.exposureSeconds, 9.0);
        EXPECT_EQ(s.sequenceNumber, 4);
        EXPECT_STREQ(s.historyLines[0].data(), "Normal Stretch");
        EXPECT_EQ(s.historyLines[1][0], '\0');
    }
};

struct SampleCase {
    const char* name;
    int bitpix;
    std::optional<double> bzero, bscale;
    std::optional<long> blank;
    std::vector<long> axes;
    std::vector<std::pair<long, double>> stored;
    std::vector<std::pair<long, uint16_t>> expected;  // index, sample; index 5 holds the fill
};

const std::vector<long> kHalfAxes{650, 515}, kFullAxes{1300, 1030};

const std::vector<SampleCase> kBitpixCases = {
    {"8 bit",
     BYTE_IMG,
     {},
     {},
     {},
     kHalfAxes,
     {{0, 0}, {1, 255}, {kLast, 17}},
     {{0, 0}, {1, 255}, {kLast, 17}, {5, 0}}},
    {"8 bit scaled",
     BYTE_IMG,
     100.0,
     256.0,
     {},
     kHalfAxes,
     {{0, 0}, {1, 255}, {kLast, 1}},
     {{0, 100}, {1, 65380}, {kLast, 356}, {5, 100}}},
    {"16 bit",
     SHORT_IMG,
     {},
     {},
     {},
     kFullAxes,
     {{0, -5}, {1, 32767}, {kLast, 1000}},
     {{0, 0}, {1, 32767}, {kLast, 1000}, {5, 0}}},
    {"16 bit with the unsigned offset",
     SHORT_IMG,
     32768.0,
     {},
     {},
     kFullAxes,
     {{0, -32768}, {1, 32767}, {kLast, 0}},
     {{0, 0}, {1, 65535}, {kLast, 32768}, {5, 32768}}},
    {"16 bit undefined samples",
     SHORT_IMG,
     32768.0,
     1.0,
     7L,
     kHalfAxes,
     {{0, 7}, {1, 8}},
     {{0, 0}, {1, 32776}, {5, 32768}}},
    {"32 bit",
     LONG_IMG,
     {},
     {},
     {},
     kHalfAxes,
     {{0, 70000}, {1, -1}, {kLast, 40000}},
     {{0, 65535}, {1, 0}, {kLast, 40000}, {5, 0}}},
    {"32 bit scaled, halves round up",
     LONG_IMG,
     10.0,
     0.5,
     {},
     kHalfAxes,
     {{0, 3}, {1, 2}, {kLast, -30}},
     {{0, 12}, {1, 11}, {kLast, 0}, {5, 10}}},
    {"32-bit reals with NaN and infinities",
     FLOAT_IMG,
     {},
     {},
     {},
     kHalfAxes,
     {{0, 1.49},
      {1, 1.5},
      {2, 65534.5},
      {3, 70000},
      {4, -3},
      {6, kNaN},
      {7, kInf},
      {8, -kInf},
      {kLast, 0.4999}},
     {{0, 1},
      {1, 2},
      {2, 65535},
      {3, 65535},
      {4, 0},
      {5, 0},
      {6, 0},
      {7, 65535},
      {8, 0},
      {kLast, 0}}},
    {"64-bit reals",
     DOUBLE_IMG,
     {},
     {},
     {},
     kFullAxes,
     {{0, 12345.678}, {kLast, 65535.0}},
     {{0, 12346}, {kLast, 65535}, {5, 0}}},
    {"64-bit reals scaled",
     DOUBLE_IMG,
     0.25,
     2.0,
     {},
     kFullAxes,
     {{0, 100}, {1, 0.1}, {kLast, 32767.5}},
     {{0, 200}, {1, 0}, {kLast, 65535}, {5, 0}}},
};

TEST_F(ForeignFitsTest, EveryBitpixIsScaledRoundedAndClamped) {
    for (const SampleCase& c : kBitpixCases) {
        SCOPED_TRACE(c.name);
        ForeignFile foreign;
        foreign.bitpix = c.bitpix;
        foreign.axes = c.axes;
        foreign.bzero = c.bzero;
        foreign.bscale = c.bscale;
        foreign.blank = c.blank;
        foreign.stored = c.stored;
        ASSERT_EQ(WriteForeign(PathOf("in.fits"), foreign), 0);
        test::SetPatternImage(c.axes[0] == 1300 ? 1 : 0);  // the other geometry
        ASSERT_TRUE(LoadImageFile(PathOf("in.fits").string())) << fixture.ui.LastText();
        EXPECT_EQ(s.geometry.width, c.axes[0]);
        EXPECT_EQ(s.geometry.height, c.axes[1]);
        const long count = c.axes[0] * c.axes[1];
        for (auto [index, sample] : c.expected) {
            EXPECT_EQ(s.currentImage[static_cast<size_t>(index < 0 ? count + index : index)],
                      sample)
                << "sample " << index;
        }
    }
    EXPECT_TRUE(fixture.ui.messages.empty());
}

// A smooth image, which tile compression shrinks to a fraction of its size.
ForeignFile CompressedFile() {
    ForeignFile foreign;
    foreign.bitpix = USHORT_IMG;
    foreign.axes = {1300, 1030};
    foreign.compression = RICE_1;
    foreign.pattern = [](long i) { return (i / 1300 * 3 + i % 1300 * 5) % 65536; };
    return foreign;
}

TEST_F(ForeignFitsTest, TileCompressedImageLoadsWholly) {
    ForeignFile foreign = CompressedFile();
    foreign.imageKeys = [](fitsfile* f) { WriteTextKey(f, "OBJECT", "M51"); };
    ASSERT_EQ(WriteForeign(PathOf("m51.fits.fz"), foreign), 0);
    ASSERT_LT(fs::file_size(PathOf("m51.fits.fz")), 2678000u / 2);
    test::SetPatternImage(1);
    ASSERT_TRUE(LoadImageFile(PathOf("m51.fits.fz").string())) << fixture.ui.LastText();
    EXPECT_EQ(s.geometryMode, 0);
    for (int r = 0; r < 1030; ++r) {
        for (int c = 0; c < 1300; ++c) {
            ASSERT_EQ(s.currentImage[static_cast<size_t>(r) * 1300 + c], (r * 3 + c * 5) % 65536)
                << r << "," << c;
        }
    }
    EXPECT_EQ(s.settings.fitsObject, "M51");
}

TEST_F(ForeignFitsTest, ImageBehindAnEmptyPrimaryTakesKeywordsFromBothHeaders) {
    ForeignFile foreign;
    foreign.emptyPrimary = true;
    foreign.fill = 1234;
    foreign.primaryKeys = [](fitsfile* f) {
        WriteTextKey(f, "OBJECT", "M31");
        WriteTextKey(f, "TELESCOP", "C8");
        WriteTextKey(f, "DATE-OBS", "2024-01-02T03:04:05");
        int status = 0;
        fits_write_history(f, "from the primary", &status);
    };
    foreign.imageKeys = [](fitsfile* f) {
        WriteTextKey(f, "OBJECT", "M33");
        WriteNumberKey(f, "EXPTIME", 30.0);
        WriteTextKey(f, "TIME-OBS", "06:07:08");
        int status = 0;
        fits_write_history(f, "from the image", &status);
    };
    ASSERT_EQ(WriteForeign(PathOf("ext.fits"), foreign), 0);
    ASSERT_TRUE(LoadImageFile(PathOf("ext.fits").string())) << fixture.ui.LastText();
    EXPECT_EQ(s.geometryMode, 1);
    EXPECT_EQ(s.currentImage[0], 1234);
    EXPECT_EQ(s.settings.fitsObject, "M33");
    EXPECT_EQ(s.settings.fitsTelescope, "C8");
    EXPECT_DOUBLE_EQ(s.exposureSeconds, 30.0);
    EXPECT_EQ(s.fitsDate, "2/1/24");
    EXPECT_EQ(s.fitsTime, "06:07:08");  // TIME-OBS before the time part of DATE-OBS
    EXPECT_STREQ(s.historyLines[0].data(), "from the primary");
    EXPECT_STREQ(s.historyLines[1].data(), "from the image");
}

TEST_F(ForeignFitsTest, HeaderValuesAndHistoryReachTheSession) {
    SetKnownSession();
    s.settings.fitsOrigin = "kept when the file has none";
    s.pixelWidth = 0.009;
    ForeignFile foreign;
    foreign.imageKeys = [](fitsfile* f) {
        WriteTextKey(f, "OBJECT", "NGC 7000");
        WriteTextKey(f, "TELESCOP", "Newton 200/1000");
        WriteTextKey(f, "INSTRUME", "ZWO ASI1600");
        WriteTextKey(f, "OBSERVER", "Ann");
        WriteTextKey(f, "FILTER", "Ha");
        WriteTextKey(f, "DATE-OBS", "2024-03-05T21:03:07.25");
        WriteNumberKey(f, "EXPTIME", 120.5);
        WriteNumberKey(f, "APERTURE", 200.0);
        WriteNumberKey(f, "FOCALLEN", 1000.0);
        int status = 0;
        fits_write_record(f, "HISTORY = 'Dark Frame Subtracted'", &status);
        fits_write_record(f, "HISTORY = ''", &status);  // an empty line of this program
        for (int k = 1; k <= 15; ++k) {
            const std::string text = "step " + std::to_string(k) + std::string(40, '.');
            fits_write_history(f, text.c_str(), &status);
        }
    };
    ASSERT_EQ(WriteForeign(PathOf("IMG42.fits"), foreign), 0);
    s.fileDialogFolder = fixture.root;
    ASSERT_TRUE(LoadImageFile("IMG42.fits")) << fixture.ui.LastText();
    const PersistentSettings& p = s.settings;
    EXPECT_EQ(p.fitsObject, "NGC 7000");
    EXPECT_EQ(p.fitsTelescope, "Newton 200/1000");
    EXPECT_EQ(p.fitsInstrument, "ZWO ASI1600");
    EXPECT_EQ(p.fitsObserver, "Ann");
    EXPECT_EQ(p.fitsOrigin, "kept when the file has none");
    EXPECT_EQ(p.fitsFilter, "Ha");
    EXPECT_EQ(s.fitsDate, "5/3/24");
    EXPECT_EQ(s.fitsTime, "21:03:07");
    EXPECT_DOUBLE_EQ(s.exposureSeconds, 120.5);
    EXPECT_DOUBLE_EQ(p.apertureSquareInches, 200.0);
    EXPECT_DOUBLE_EQ(p.focalLengthInches, 1000.0);
    EXPECT_EQ(p.fitsHistory, "");
    EXPECT_DOUBLE_EQ(s.pixelWidth, 0.009);
    // Fifteen cards: the quoted one unwrapped, the empty one skipped, then thirteen more,
    // each cut to 39 characters.
    EXPECT_STREQ(s.historyLines[0].data(), "Dark Frame Subtracted");
    EXPECT_STREQ(s.historyLines[1].data(), ("step 1" + std::string(33, '.')).c_str());
    EXPECT_STREQ(s.historyLines[13].data(), ("step 13" + std::string(32, '.')).c_str());
    EXPECT_EQ(s.historyLines[14][0], '\0');
    EXPECT_EQ(s.sequenceNumber, 42);
    EXPECT_EQ(s.currentFileName, "IMG42.fits");
    EXPECT_EQ(fixture.ui.loadedBitmaps.size(), 1u);  // the display was refreshed
}

TEST_F(ForeignFitsTest, FileWithoutKeywordsResetsTheDetails) {
    SetKnownSession();
    ASSERT_EQ(WriteForeign(PathOf("bare.fits"), ForeignFile{}), 0);
    ASSERT_TRUE(LoadImageFile(PathOf("bare.fits").string()));
    EXPECT_EQ(s.settings.fitsObject, "");
    EXPECT_EQ(s.settings.fitsInstrument, "Corvane CCD");
    EXPECT_EQ(s.settings.fitsFilter, "None");
    EXPECT_EQ(s.fitsDate, "");
    EXPECT_EQ(s.exposureSeconds, 0.0);
    EXPECT_EQ(s.historyLines[0][0], '\0');
    EXPECT_EQ(s.sequenceNumber, 4);  // not an autosave name
}

TEST_F(ForeignFitsTest, OwnFileRepaddedToWholeBlocksComesBackIdentical) {
    // What another program writes when it saves one of ours unchanged: the same header, the
    // data padded with zeros to whole 2,880-byte blocks.
    test::SetPatternImage(1, 21);
    s.settings.fitsObject = "M42";
    s.settings.unsignedIntFits = false;  // BZERO 32768, the standard's way to unsigned data
    ClearHistory();
    AppendHistory("Gradient Filter");
    const Plane saved = s.currentImage;
    ASSERT_TRUE(WriteFitsFile(PathOf("ours.fit").string(), s.currentImage, false));
    Bytes file = ReadBytes(PathOf("ours.fit"));
    file.resize(5760 + 669500);
    file.resize(676800, 0);
    WriteBytes(PathOf("IMG5.FIT"), file);
    ResetFitsDetails();
    test::SetPatternImage(0);
    s.fileDialogFolder = fixture.root;
    ASSERT_TRUE(LoadImageFile("IMG5.FIT")) << fixture.ui.LastText();
    EXPECT_EQ(s.geometryMode, 1);
    EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + 650 * 515, s.currentImage.begin()));
    EXPECT_EQ(s.settings.fitsObject, "M42");
    EXPECT_STREQ(s.historyLines[0].data(), "Gradient Filter");
    EXPECT_EQ(s.historyLines[1][0], '\0');
    EXPECT_EQ(s.sequenceNumber, 5);

    // With BZERO 0 every standard reader takes the stored words as signed: samples from
    // 32,768 up read as negative and become 0.
    s.settings.unsignedIntFits = true;
    ASSERT_TRUE(WriteFitsFile(PathOf("ours.fit").string(), saved, false));
    file = ReadBytes(PathOf("ours.fit"));
    file.resize(676800, 0);
    WriteBytes(PathOf("IMG5.FIT"), file);
    ASSERT_TRUE(LoadImageFile("IMG5.FIT"));
    for (size_t i : {0u, 1u, 1000u, 334749u}) {
        EXPECT_EQ(s.currentImage[i], saved[i] < 32768 ? saved[i] : 0) << i;
    }
}

TEST_F(ForeignFitsTest, OwnSizedFileRefusedByTheFixedColumnsIsTriedAsStandardFits) {
    // The program's size and layout, but a mandatory card moved out of its fixed columns.
    test::SetPatternImage(1, 5);
    s.settings.unsignedIntFits = false;
    const Plane saved = s.currentImage;
    ASSERT_TRUE(WriteFitsFile(PathOf("edited.fit").string(), s.currentImage, false));
    Bytes file = ReadBytes(PathOf("edited.fit"));
    const std::string naxis1 = test::Padded("NAXIS1  =                 650  /");
    std::copy(naxis1.begin(), naxis1.end(), file.begin() + 3 * 80);
    WriteBytes(PathOf("edited.fit"), file);
    test::SetPatternImage(0);
    ASSERT_TRUE(LoadImageFile(PathOf("edited.fit").string())) << fixture.ui.LastText();
    EXPECT_EQ(s.geometryMode, 1);
    EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + 650 * 515, s.currentImage.begin()));

    // Not a standard file either: the program's own message, nothing changed.
    SetKnownSession();
    const Plane before = s.currentImage;
    WriteBytes(PathOf("blank.fit"), Bytes(677660, ' '));
    EXPECT_FALSE(LoadImageFile(PathOf("blank.fit").string()));
    EXPECT_EQ(fixture.ui.LastText(), kFitsForeign);
    ExpectKnownSession(before);
}

// A header of the given cards, padded to a whole block.
Bytes HeaderOf(const std::vector<std::string>& cards) {
    Bytes bytes;
    for (const std::string& card : cards) {
        const std::string padded = test::Padded(card);
        bytes.insert(bytes.end(), padded.begin(), padded.end());
    }
    bytes.resize((bytes.size() + 2879) / 2880 * 2880, ' ');
    return bytes;
}

struct BadCase {
    const char* name;
    std::function<void(const fs::path&)> make;
};

// A file that writes an image of these axes and sample type.
std::function<void(const fs::path&)> ImageFile(std::vector<long> axes, int bitpix = SHORT_IMG) {
    return [axes, bitpix](const fs::path& path) {
        ForeignFile foreign;
        foreign.axes = axes;
        foreign.bitpix = bitpix;
        ASSERT_EQ(WriteForeign(path, foreign), 0);
    };
}

const std::vector<BadCase> kBadFiles = {
    {"another size", ImageFile({640, 480})},
    {"rows and columns swapped", ImageFile({515, 650})},
    {"a third axis", ImageFile({650, 515, 2})},
    {"a third axis of one plane", ImageFile({650, 515, 1})},
    {"one axis", ImageFile({650 * 515})},
    {"64-bit integers", ImageFile({650, 515}, LONGLONG_IMG)},
    {"a table instead of an image",
     [](const fs::path& path) {
         fs::remove(path);
         fitsfile* f = nullptr;
         int status = 0;
         fits_create_diskfile(&f, path.c_str(), &status);
         fits_create_img(f, BYTE_IMG, 0, nullptr, &status);
         char name[] = "FLUX", form[] = "1J";
         char* names[] = {name};
         char* forms[] = {form};
         fits_create_tbl(f, BINARY_TBL, 334750, 1, names, forms, nullptr, "T", &status);
         fits_close_file(f, &status);
         ASSERT_EQ(status, 0);
     }},
    {"a truncated data block",
     [](const fs::path& path) {
         ImageFile({650, 515})(path);
         fs::resize_file(path, fs::file_size(path) - 10000);
     }},
    {"a huge image declared in a small file",
     [](const fs::path& path) {
         WriteBytes(path,
                    HeaderOf({"SIMPLE  =                    T", "BITPIX  =                  -64",
                              "NAXIS   =                    2", "NAXIS1  =           2000000000",
                              "NAXIS2  =           2000000000", "END"}));
     }},
    {"a truncated tile-compressed file",
     [](const fs::path& path) {
         ASSERT_EQ(WriteForeign(path, CompressedFile()), 0);
         fs::resize_file(path, fs::file_size(path) - 3000);
     }},
    {"a full frame declared in a header alone",
     [](const fs::path& path) {
         WriteBytes(path,
                    HeaderOf({"SIMPLE  =                    T", "BITPIX  =                  -64",
                              "NAXIS   =                    2", "NAXIS1  =                 1300",
                              "NAXIS2  =                 1030", "END"}));
     }},
    {"a header without END",
     [](const fs::path& path) {
         WriteBytes(path,
                    HeaderOf({"SIMPLE  =                    T", "BITPIX  =                   16",
                              "NAXIS   =                    2", "NAXIS1  =                  650",
                              "NAXIS2  =                  515"}));
     }},
    {"no FITS at all", [](const fs::path& path) { WriteBytes(path, Bytes(100000, 'x')); }},
    {"a gzip stream",
     [](const fs::path& path) {
         Bytes gz(5000, 0);
         gz[0] = 0x1f;
         gz[1] = 0x8b;
         WriteBytes(path, gz);
     }},
    {"larger than a foreign file may be",
     [](const fs::path& path) {
         ImageFile({650, 515})(path);
         fs::resize_file(path, static_cast<uintmax_t>(kForeignFitsMaxFileBytes) + 1);
     }},
    {"a named pipe",
     [](const fs::path& path) {
         fs::remove(path);
         ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
     }},
    {"a folder",
     [](const fs::path& path) {
         fs::remove(path);
         fs::create_directory(path);
     }},
};

TEST_F(ForeignFitsTest, BadFilesAreRefusedAndChangeNothing) {
    for (const BadCase& c : kBadFiles) {
        SCOPED_TRACE(c.name);
        const fs::path path = PathOf(std::string("IMG9-") + std::to_string(&c - kBadFiles.data()));
        c.make(path);
        SetKnownSession();
        const Plane before = s.currentImage;
        fixture.ui.loadedBitmaps.clear();
        EXPECT_FALSE(LoadImageFile(path.string()));
        EXPECT_EQ(fixture.ui.LastText(), kNotValid);
        ExpectKnownSession(before);
        EXPECT_EQ(s.currentFileName, "shown.tq");  // the title keeps naming the image shown
        EXPECT_TRUE(fixture.ui.loadedBitmaps.empty());
    }
}

TEST_F(ForeignFitsTest, TilesLargerThanTheImageAreRefused) {
    ForeignFile foreign;
    foreign.bitpix = USHORT_IMG;
    foreign.compression = RICE_1;
    ASSERT_EQ(WriteForeign(PathOf("tiles.fz"), foreign), 0);
    Bytes file = ReadBytes(PathOf("tiles.fz"));
    const std::string key =
        test::Padded("ZTILE2  =                    1 / size of tiles to be compressed");
    const std::string wide = test::Padded("ZTILE2  =               100000");
    auto at = std::search(file.begin(), file.end(), key.begin(), key.begin() + 30);
    ASSERT_NE(at, file.end());
    std::copy(wide.begin(), wide.end(), at);
    WriteBytes(PathOf("tiles.fz"), file);
    ForeignFitsImage image;
    EXPECT_FALSE(DecodeForeignFits(ReadBytes(PathOf("tiles.fz")), image));
    EXPECT_TRUE(image.samples.empty());
}

// The compressed unit's tile descriptors (length and heap offset, big-endian 32-bit words):
// their place in the file and how many there are.
struct DescriptorTable {
    size_t offset = 0;
    size_t rows = 0;
    size_t rowBytes = 0;
};

DescriptorTable DescriptorsOf(const fs::path& path) {
    fitsfile* f = nullptr;
    int status = 0, type = 0;
    long long headerStart = 0, dataStart = 0, dataEnd = 0, rowBytes = 0, rows = 0;
    fits_open_diskfile(&f, path.c_str(), READONLY, &status);
    fits_movabs_hdu(f, 2, &type, &status);
    fits_get_hduaddrll(f, &headerStart, &dataStart, &dataEnd, &status);
    fits_read_key(f, TLONGLONG, "NAXIS1", &rowBytes, nullptr, &status);
    fits_read_key(f, TLONGLONG, "NAXIS2", &rows, nullptr, &status);
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0);
    return {static_cast<size_t>(dataStart), static_cast<size_t>(rows),
            static_cast<size_t>(rowBytes)};
}

TEST_F(ForeignFitsTest, DamagedTileStreamsAreRefusedWithoutHarm) {
    // cfitsio's decompressors trust the compressed bytes. One damaged byte in a gzip tile
    // (kept in tests/data) makes it grow a buffer without end; tiles placed past the heap
    // make the Rice decoder read past its buffer. The decode runs in a child process that
    // such a file cannot take the program down with.
    ASSERT_EQ(WriteForeign(PathOf("rice.fz"), CompressedFile()), 0);
    const DescriptorTable table = DescriptorsOf(PathOf("rice.fz"));
    Bytes rice = ReadBytes(PathOf("rice.fz"));
    ASSERT_GE(table.rowBytes, 8u);
    for (size_t row = 0; row < table.rows; ++row) {
        uint8_t* offset = rice.data() + table.offset + row * table.rowBytes + 4;
        offset[0] = 0x00;
        offset[1] = 0x7f;  // far beyond the heap
    }
    WriteBytes(PathOf("rice.fz"), rice);
    const std::vector<fs::path> files = {fs::path(VEXA_TEST_DATA_DIR) / "damaged_gzip_tile.fits.fz",
                                         PathOf("rice.fz")};
    ForeignFitsImage image;
    EXPECT_FALSE(DecodeForeignFitsIsolated(rice, image));
    EXPECT_TRUE(image.samples.empty());
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        SetKnownSession();
        const Plane before = s.currentImage;
        EXPECT_FALSE(LoadImageFile(path.string()));
        EXPECT_EQ(fixture.ui.LastText(), kNotValid);
        ExpectKnownSession(before);
    }
}

TEST_F(ForeignFitsTest, TheChildProcessHandsBackWhatTheDecoderGives) {
    ForeignFile foreign;
    foreign.bitpix = FLOAT_IMG;
    foreign.axes = {1300, 1030};
    foreign.pattern = [](long i) {
        return double(test::PatternSample(int(i / 1300), int(i % 1300)));
    };
    foreign.imageKeys = [](fitsfile* f) {
        WriteTextKey(f, "OBJECT", std::string(68, 'o').c_str());
        WriteTextKey(f, "DATE-OBS", "1999-12-31T23:59:59");
        WriteTextKey(f, "FILTER", "");
        WriteNumberKey(f, "FOCALLEN", -2.5e300);
        int status = 0;
        for (int k = 0; k < 20; ++k)
            fits_write_history(f, std::string(60, 'a' + k).c_str(), &status);
    };
    ASSERT_EQ(WriteForeign(PathOf("all.fits"), foreign), 0);
    const Bytes file = ReadBytes(PathOf("all.fits"));
    ForeignFitsImage here, there;
    ASSERT_TRUE(DecodeForeignFits(file, here));
    ASSERT_TRUE(DecodeForeignFitsIsolated(file, there));
    EXPECT_EQ(there.width, 1300);
    EXPECT_EQ(there.height, 1030);
    EXPECT_EQ(there.samples, here.samples);
    const ForeignFitsHeader& a = here.header;
    const ForeignFitsHeader& b = there.header;
    EXPECT_EQ(b.object, std::string(68, 'o'));
    EXPECT_EQ(b.object, a.object);
    EXPECT_EQ(b.telescope, std::nullopt);
    EXPECT_EQ(b.filter, std::string());
    EXPECT_EQ(b.date, "31/12/99");
    EXPECT_EQ(b.time, "23:59:59");
    EXPECT_EQ(b.exposureSeconds, std::nullopt);
    EXPECT_EQ(b.focalLengthInches, -2.5e300);
    EXPECT_EQ(b.history.size(), 15u);
    EXPECT_EQ(b.history, a.history);
    EXPECT_EQ(b.history.back(), std::string(39, 'o'));
}

TEST(ForeignFitsTextTest, HistoryTextsAreTrimmedAndQuotedValuesUnwrapped) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"HISTORY   Dark subtracted   ", "Dark subtracted"},
        {"HISTORY = 'Normal Stretch'         ", "Normal Stretch"},
        {"HISTORY = ''", ""},
        {"HISTORY = 'it's'", "it"},
        {"HISTORY", ""},
        {"HISTORY = plain = sign", "= plain = sign"},
    };
    for (const auto& [card, text] : cases) EXPECT_EQ(ForeignHistoryText(card), text) << card;
}

TEST(ForeignFitsTextTest, DatesParseIntoTheProgramsForm) {
    struct DateCase {
        const char* value;
        std::optional<std::string> date;
        std::optional<std::string> time;
    };
    const std::vector<DateCase> cases = {
        {"2024-03-05T21:03:07.25", "5/3/24", "21:03:07"},
        {"2007-03-05", "5/3/07", {}},
        {"1985-12-31T00:00:00", "31/12/85", "00:00:00"},
        {"2000-02-29", "29/2/00", {}},
        {"  2012-11-28  ", "28/11/12", {}},
        {"5/3/07", "5/3/07", {}},
        {"28/11/12", "28/11/12", {}},
        {"29/02/00", "29/02/00", {}},
        {"2023-02-29", {}, {}},
        {"2024-13-01", {}, {}},
        {"1899-12-31", {}, {}},
        {"2100-01-01", {}, {}},
        {"2024-03-05T25:00:00", {}, {}},
        {"2024-03-05 21:03:07", {}, {}},
        {"31/4/07", {}, {}},
        {"5/3/2007", {}, {}},
        {"yesterday", {}, {}},
        {"", {}, {}},
    };
    for (const DateCase& c : cases) {
        std::optional<std::string> time;
        EXPECT_EQ(ForeignFitsDate(c.value, time), c.date) << c.value;
        if (c.date) {
            EXPECT_EQ(time, c.time) << c.value;
        }
    }
}

TEST(ForeignFitsTextTest, TimesKeepWholeSeconds) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"21:03:07", "21:03:07"},    {"21:03:07.999", "21:03:07"}, {"23:59:60", "23:59:60"},
        {"7:03:07", std::nullopt},   {"24:00:00", std::nullopt},   {"21:03", std::nullopt},
        {"21:03:07Z", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [value, time] : cases) EXPECT_EQ(ForeignFitsTime(value), time) << value;
}

}  // namespace
}  // namespace vexa
