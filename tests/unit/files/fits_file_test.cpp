#include "files/fits_file.h"

#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "files/tq_file.h"
#include "processing/undo_history.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::CardOf;
using test::Padded;
using test::ReadBytes;
using test::WriteBytes;

class FitsFileTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    SessionState& s = Session();

    fs::path PathOf(const std::string& name) const { return fs::path(fixture.root) / name; }

    void SetDetails() {
        PersistentSettings& p = s.settings;
        p.fitsObject = "M42";
        p.fitsTelescope = "C8";
        p.fitsInstrument = "TQ4";
        p.fitsObserver = "Ann";
        p.fitsOrigin = "Home";
        s.fitsDate = "5/3/07";
        s.fitsTime = "03:07:09";
        p.fitsHistory = "abc";
        p.fitsComment = std::string(255, 'c');
        p.fitsFilter = "Red";
        s.exposureSeconds = 120.5;
        p.focalLengthInches = 80.0;
        p.apertureSquareInches = 50.25;
        p.unsignedIntFits = true;  // raw samples, as a user who turned the option on has them
        s.pixelWidth = 0.0074;
        s.pixelHeight = 0.0074;
        ClearHistory();
        AppendHistory("Normal Stretch");
        AppendHistory("Dark Frame Subtracted");
    }

    Bytes WriteAndRead(const std::string& name, bool eightBit = false) {
        EXPECT_TRUE(WriteFitsFile(PathOf(name).string(), s.currentImage, eightBit));
        return ReadBytes(PathOf(name));
    }
};

TEST_F(FitsFileTest, SixteenBitSizesAreHeaderSamplesAndTrailer) {
    test::SetPatternImage(0);
    EXPECT_EQ(WriteAndRead("full.fit").size(), 5760u + 1300u * 1030u * 2u + 2400u);
    EXPECT_EQ(WriteAndRead("full.fit").size(), 2686160u);
    test::SetPatternImage(1);
    EXPECT_EQ(WriteAndRead("half.fit").size(), 677660u);
}

TEST_F(FitsFileTest, EightBitSizesHaveOneBytePerSampleAndA1600ByteTrailer) {
    test::SetPatternImage(0);
    EXPECT_EQ(WriteAndRead("f8.fit", true).size(), 5760u + 1339000u + 1600u);  // 1,346,360
    test::SetPatternImage(1);
    EXPECT_EQ(WriteAndRead("h8.fit", true).size(), 5760u + 334750u + 1600u);  // 342,110
}

TEST_F(FitsFileTest, HeaderCardsColumnForColumn) {
    SetDetails();
    test::SetPatternImage(0);
    const Bytes f = WriteAndRead("h.fit");
    EXPECT_EQ(CardOf(f, 1), Padded("SIMPLE  =                    T /"));
    EXPECT_EQ(CardOf(f, 1)[29], 'T');  // column 30
    EXPECT_EQ(CardOf(f, 2).substr(28, 2), "16");
    EXPECT_EQ(CardOf(f, 3), Padded("NAXIS   =                    2 /"));
    EXPECT_EQ(CardOf(f, 4).substr(26, 4), "1300");
    EXPECT_EQ(CardOf(f, 5).substr(26, 4), "1030");
    EXPECT_EQ(CardOf(f, 6), Padded("OBJECT  = 'M42'"));
    EXPECT_EQ(CardOf(f, 7), Padded("TELESCOP= 'C8'"));
    EXPECT_EQ(CardOf(f, 8), Padded("INSTRUME= 'TQ4'"));
    EXPECT_EQ(CardOf(f, 9), Padded("OBSERVER= 'Ann'"));
    EXPECT_EQ(CardOf(f, 10), Padded("ORIGIN  = 'Home'"));
    EXPECT_EQ(CardOf(f, 11), Padded("DATE-OBS= '5/3/07'"));
    EXPECT_EQ(CardOf(f, 12), Padded("TIME-OBS= '03:07:09'"));
    EXPECT_EQ(CardOf(f, 13), Padded("HISTORY = 'Normal Stretch'"));
    EXPECT_EQ(CardOf(f, 14), Padded("HISTORY = 'Dark Frame Subtracted'"));
    for (int k = 15; k <= 27; ++k) EXPECT_EQ(CardOf(f, k), Padded("HISTORY = ''")) << k;
    // The long texts: four pieces of 68 characters each, closing quote in column 80.
    EXPECT_EQ(CardOf(f, 28), "HISTORY = 'abc" + std::string(65, ' ') + "'");
    for (int k = 29; k <= 31; ++k) {
        EXPECT_EQ(CardOf(f, k), "HISTORY = '" + std::string(68, ' ') + "'") << k;
    }
    for (int k = 32; k <= 34; ++k) {
        EXPECT_EQ(CardOf(f, k), "COMMENT = '" + std::string(68, 'c') + "'") << k;
    }
    EXPECT_EQ(CardOf(f, 35), "COMMENT = '" + std::string(51, 'c') + std::string(17, ' ') + "'");
    EXPECT_EQ(CardOf(f, 36), Padded("BZERO   =   +0.0000000000E+00"));
    EXPECT_EQ(CardOf(f, 37), Padded("BSCALE  =   +1.0000000000E+00"));
    EXPECT_EQ(CardOf(f, 38), Padded("PIXWIDTH=    7.4000000000E-03"));
    EXPECT_EQ(CardOf(f, 38).substr(13, 16), "7.4000000000E-03");  // columns 14 to 29
    EXPECT_EQ(CardOf(f, 39), Padded("PIXHEIGH=    7.4000000000E-03"));
    EXPECT_EQ(CardOf(f, 40), Padded("SATURATE=                65535"));
    EXPECT_EQ(CardOf(f, 41), Padded("EXPTIME =    1.2050000000E+02"));
    EXPECT_EQ(CardOf(f, 42), Padded("FOCALLEN=    8.0000000000E+01"));
    EXPECT_EQ(CardOf(f, 43), Padded("APERTURE=    5.0250000000E+01"));
    EXPECT_EQ(CardOf(f, 44), Padded("FILTER  = 'Red'"));
    EXPECT_EQ(CardOf(f, 45), Padded("END"));
    for (int k = 46; k <= 72; ++k) EXPECT_EQ(CardOf(f, k), std::string(80, ' ')) << k;
}

TEST_F(FitsFileTest, HalfGeometryEightBitAndSignedChoicesChangeTheirCards) {
    test::SetPatternImage(1);
    s.settings.unsignedIntFits = false;
    const Bytes f = WriteAndRead("h8.fit", true);
    EXPECT_EQ(CardOf(f, 2), Padded("BITPIX  =                    8 /"));
    EXPECT_EQ(CardOf(f, 4), Padded("NAXIS1  =                  650 /"));
    EXPECT_EQ(CardOf(f, 5), Padded("NAXIS2  =                  515 /"));
    EXPECT_EQ(CardOf(f, 36), Padded("BZERO   =   +3.2768000000E+04"));
}

TEST_F(FitsFileTest, ByDefaultSamplesAreStoredAsStandardSignedValuesWithBzero32768) {
    test::SetPatternImage(1);
    const Bytes f = WriteAndRead("default.fit");
    EXPECT_EQ(CardOf(f, 36), Padded("BZERO   =   +3.2768000000E+04"));
    const uint16_t v = test::PatternSample(0, 1) ^ 0x8000;
    EXPECT_EQ(f[5762], v >> 8);
    EXPECT_EQ(f[5763], v & 0xFF);
    EXPECT_FALSE(FitsDetails().unsignedIntFits);
}

TEST_F(FitsFileTest, SixteenBitDataIsBigEndianWithZeroTrailer) {
    test::SetPatternImage(1);
    s.settings.unsignedIntFits = true;
    const Bytes f = WriteAndRead("d.fit");
    for (int r : {0, 1, 257, 514}) {
        for (int c : {0, 1, 333, 649}) {
            const uint16_t v = test::PatternSample(r, c);
            const size_t at = 5760 + 2 * (static_cast<size_t>(r) * 650 + c);
            EXPECT_EQ(f[at], v >> 8);
            EXPECT_EQ(f[at + 1], v & 0xFF);
        }
    }
    EXPECT_EQ(Bytes(f.end() - 2400, f.end()), Bytes(2400, 0));
}

TEST_F(FitsFileTest, SignedChoiceStoresSampleLess32768) {
    s.geometryMode = 1;
    ApplyGeometry();
    s.currentImage[0] = 0;
    s.currentImage[1] = 32768;
    s.currentImage[2] = 65535;
    s.currentImage[3] = 1000;
    s.settings.unsignedIntFits = false;
    const Bytes f = WriteAndRead("s.fit");
    // 0 - 32768 = 0x8000, 32768 - 32768 = 0, 65535 - 32768 = 0x7FFF, 1000 - 32768 = 0x83E8.
    EXPECT_EQ(Bytes(f.begin() + 5760, f.begin() + 5768),
              (Bytes{0x80, 0x00, 0x00, 0x00, 0x7F, 0xFF, 0x83, 0xE8}));
}

TEST_F(FitsFileTest, EightBitDataIsTheHighByteThen1600Zeros) {
    s.geometryMode = 1;
    ApplyGeometry();
    s.currentImage[0] = 65535;
    s.currentImage[1] = 256;
    s.currentImage[2] = 255;
    const Bytes f = WriteAndRead("e.fit", true);
    EXPECT_EQ(Bytes(f.begin() + 5760, f.begin() + 5763), (Bytes{255, 1, 0}));
    EXPECT_EQ(Bytes(f.end() - 1600, f.end()), Bytes(1600, 0));
}

TEST_F(FitsFileTest, RoundTripGivesSamplesDetailsAndHistoryBack) {
    for (bool unsignedFits : {true, false}) {
        SetDetails();
        test::SetPatternImage(0, unsignedFits ? 0 : 3);
        s.settings.unsignedIntFits = unsignedFits;
        ASSERT_TRUE(WriteFitsFile(PathOf("r.fit").string(), s.currentImage, false));
        const Plane original = s.currentImage;
        ResetFitsDetails();
        s.settings.unsignedIntFits = !unsignedFits;
        Plane& into = s.workImage;
        into.fill(1);
        ASSERT_EQ(ReadFitsFile(PathOf("r.fit").string(), into), FitsReadResult::Ok);
        EXPECT_TRUE(std::equal(into.begin(), into.begin() + kFullSampleCount, original.begin()));
        EXPECT_EQ(s.settings.unsignedIntFits, unsignedFits);
        EXPECT_EQ(s.settings.fitsObject, "M42");
        EXPECT_EQ(s.settings.fitsTelescope, "C8");
        EXPECT_EQ(s.settings.fitsInstrument, "TQ4");
        EXPECT_EQ(s.settings.fitsObserver, "Ann");
        EXPECT_EQ(s.settings.fitsOrigin, "Home");
        EXPECT_EQ(s.fitsDate, "5/3/07");
        EXPECT_EQ(s.fitsTime, "03:07:09");
        EXPECT_EQ(s.settings.fitsFilter, "Red");
        // A 3-character history comes back padded with blanks to 255 characters.
        EXPECT_EQ(s.settings.fitsHistory, "abc" + std::string(252, ' '));
        EXPECT_EQ(s.settings.fitsComment, std::string(255, 'c'));
        EXPECT_DOUBLE_EQ(s.exposureSeconds, 120.5);
        EXPECT_DOUBLE_EQ(s.settings.focalLengthInches, 80.0);
        EXPECT_DOUBLE_EQ(s.settings.apertureSquareInches, 50.25);
        EXPECT_DOUBLE_EQ(s.pixelWidth, 0.0074);
        EXPECT_STREQ(s.historyLines[0].data(), "Normal Stretch");
        EXPECT_STREQ(s.historyLines[1].data(), "Dark Frame Subtracted");
        EXPECT_EQ(s.historyLines[2][0], '\0');
    }
}

TEST_F(FitsFileTest, QuoteIsDoubledOnWritingAndTheReaderStopsAtTheFirstOne) {
    s.settings.fitsObject = "it's";
    test::SetPatternImage(1);
    const Bytes f = WriteAndRead("q.fit");
    EXPECT_EQ(CardOf(f, 6), Padded("OBJECT  = 'it''s'"));
    ASSERT_EQ(ReadFitsFile(PathOf("q.fit").string(), s.workImage), FitsReadResult::Ok);
    EXPECT_EQ(s.settings.fitsObject, "it");
}

TEST_F(FitsFileTest, LongValueWithQuotesIsCutSoTheCardEndsByColumn80) {
    s.settings.fitsObject = std::string(67, 'a') + "'b";
    test::SetPatternImage(1);
    const Bytes f = WriteAndRead("q.fit");
    // 67 characters fill columns 12 to 78; the doubled quote would need 79 and 80.
    EXPECT_EQ(CardOf(f, 6), "OBJECT  = '" + std::string(67, 'a') + "' ");
    s.settings.fitsObject = std::string(100, 'x');
    const Bytes g = WriteAndRead("q.fit");
    EXPECT_EQ(CardOf(g, 6), "OBJECT  = '" + std::string(68, 'x') + "'");
}

TEST_F(FitsFileTest, LineBreaksAndOtherUnprintableBytesBecomeBlanks) {
    s.settings.fitsComment = "one\r\ntwo";
    s.settings.fitsObject = "a\tb";
    test::SetPatternImage(1);
    const Bytes f = WriteAndRead("p.fit");
    EXPECT_EQ(CardOf(f, 6), Padded("OBJECT  = 'a b'"));
    EXPECT_EQ(CardOf(f, 32).substr(0, 19), "COMMENT = 'one  two");
}

TEST_F(FitsFileTest, NumbersAreWrittenAsPrintfWouldAndReadFromColumns14To29Only) {
    EXPECT_EQ(FormatFitsNumber(0.0074), "    7.4000000000E-03");
    EXPECT_EQ(FormatFitsNumber(0.0), "    0.0000000000E+00");
    EXPECT_EQ(FormatFitsNumber(-1.5e-5), "    -1.5000000000E-05");
    EXPECT_EQ(FormatFitsNumber(1e100), "    1.0000000000E+100");
    // A negative exposure of 17 characters loses its last exponent digit on reading.
    s.exposureSeconds = -1.5e-5;
    test::SetPatternImage(1);
    const Bytes f = WriteAndRead("n.fit");
    EXPECT_EQ(CardOf(f, 41), Padded("EXPTIME =    -1.5000000000E-05"));
    ASSERT_EQ(ReadFitsFile(PathOf("n.fit").string(), s.workImage), FitsReadResult::Ok);
    EXPECT_DOUBLE_EQ(s.exposureSeconds, -1.5);
}

TEST_F(FitsFileTest, ParsingIsIndependentOfThePlainTextAround) {
    double v = 9.0;
    EXPECT_TRUE(ParseFitsNumber("   +2.5E+01xyz", v));
    EXPECT_DOUBLE_EQ(v, 25.0);
    EXPECT_FALSE(ParseFitsNumber("    abc", v));
    EXPECT_FALSE(ParseFitsNumber("                ", v));
    EXPECT_FALSE(ParseFitsNumber("+-1", v));
    EXPECT_DOUBLE_EQ(v, 25.0);
}

class FitsReaderChecksTest : public FitsFileTest {
  protected:
    Bytes good;
    void SetUp() override {
        SetDetails();
        test::SetPatternImage(1);
        good = WriteAndRead("good.fit");
        ResetFitsDetails();
        s.workImage.fill(7);
    }
    FitsReadResult ReadVariant(const Bytes& bytes) {
        WriteBytes(PathOf("v.fit"), bytes);
        return ReadFitsFile(PathOf("v.fit").string(), s.workImage);
    }
    Bytes WithColumn(int card, int column, char c) const {
        Bytes b = good;
        b[static_cast<size_t>(card - 1) * 80 + column - 1] = static_cast<uint8_t>(c);
        return b;
    }
    bool DestinationUntouched() const {
        return std::all_of(s.workImage.begin(), s.workImage.end(),
                           [](uint16_t v) { return v == 7; });
    }
};

TEST_F(FitsReaderChecksTest, ColumnChecksReportNotThisProgram) {
    EXPECT_EQ(ReadVariant(WithColumn(2, 29, ' ')), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadVariant(WithColumn(2, 30, '8')), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadVariant(WithColumn(3, 30, '3')), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadVariant(WithColumn(4, 28, '1')), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadVariant(WithColumn(4, 29, '1')), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadVariant(WithColumn(4, 30, '1')), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadVariant(WithColumn(5, 28, '1')), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadVariant(WithColumn(5, 29, '5')), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadVariant(WithColumn(5, 30, '1')), FitsReadResult::NotThisProgram);
    EXPECT_TRUE(DestinationUntouched());
    EXPECT_EQ(s.settings.fitsObject, "");  // nothing of the file reached the session
    // The other accepted digits of both geometries pass.
    EXPECT_EQ(ReadVariant(WithColumn(4, 28, '3')), FitsReadResult::Ok);
    EXPECT_EQ(ReadVariant(WithColumn(5, 29, '3')), FitsReadResult::Ok);
    // Card 1 is read but never checked.
    EXPECT_EQ(ReadVariant(WithColumn(1, 30, 'F')), FitsReadResult::Ok);
}

TEST_F(FitsReaderChecksTest, EightBitFileIsRefusedAsForeign) {
    Bytes b = good;
    std::memcpy(b.data() + 80, "BITPIX  =                    8 /", 32);
    EXPECT_EQ(ReadVariant(b), FitsReadResult::NotThisProgram);
}

TEST_F(FitsReaderChecksTest, ShortFilesAreInputFailuresAndChangeNothing) {
    EXPECT_EQ(ReadVariant(Bytes(good.begin(), good.begin() + 100)), FitsReadResult::IoFailure);
    EXPECT_EQ(ReadVariant(Bytes(good.begin(), good.begin() + 5760)), FitsReadResult::IoFailure);
    // One sample byte short.
    EXPECT_EQ(ReadVariant(Bytes(good.begin(), good.begin() + 5760 + 669499)),
              FitsReadResult::IoFailure);
    EXPECT_TRUE(DestinationUntouched());
    EXPECT_EQ(s.settings.fitsObject, "");
    EXPECT_EQ(s.historyLines[0][0], '\0');
    // A file that ends before card 3 but has a foreign card 2 is foreign: checks run in card
    // order.
    Bytes foreign = WithColumn(2, 29, 'x');
    foreign.resize(170);
    EXPECT_EQ(ReadVariant(foreign), FitsReadResult::NotThisProgram);
    EXPECT_EQ(ReadFitsFile(PathOf("missing.fit").string(), s.workImage), FitsReadResult::IoFailure);
    EXPECT_EQ(ReadFitsFile(fixture.root, s.workImage), FitsReadResult::IoFailure);  // a folder
}

TEST_F(FitsReaderChecksTest, TheTrailerIsNotNeeded) {
    EXPECT_EQ(ReadVariant(Bytes(good.begin(), good.begin() + 5760 + 669500)), FitsReadResult::Ok);
}

TEST_F(FitsReaderChecksTest, CardsAreTakenByPosition) {
    Bytes swapped = good;
    std::swap_ranges(swapped.begin() + 5 * 80, swapped.begin() + 6 * 80, swapped.begin() + 6 * 80);
    ASSERT_EQ(ReadVariant(swapped), FitsReadResult::Ok);
    EXPECT_EQ(s.settings.fitsObject, "C8");
    EXPECT_EQ(s.settings.fitsTelescope, "M42");
}

TEST_F(FitsReaderChecksTest, AnyBzeroTextOtherThanTheZeroCardMeansOffset32768) {
    Bytes b = good;
    std::memcpy(b.data() + 35 * 80, "BZERO   =   0", 13);
    ASSERT_EQ(ReadVariant(b), FitsReadResult::Ok);
    EXPECT_FALSE(s.settings.unsignedIntFits);
    EXPECT_EQ(s.workImage[0], static_cast<uint16_t>(test::PatternSample(0, 0) + 32768));
}

TEST_F(FitsReaderChecksTest, ValueWithoutClosingQuoteTakes69CharactersCutToCapacity) {
    Bytes b = good;
    std::memset(b.data() + 5 * 80 + 11, 'z', 69);   // OBJECT, no quote
    std::memset(b.data() + 10 * 80 + 11, '1', 69);  // DATE-OBS, capacity 9
    std::memset(b.data() + 12 * 80 + 11, 'h', 69);  // first history line, capacity 39
    ASSERT_EQ(ReadVariant(b), FitsReadResult::Ok);
    EXPECT_EQ(s.settings.fitsObject, std::string(68, 'z'));
    EXPECT_EQ(s.fitsDate, std::string(9, '1'));
    EXPECT_STREQ(s.historyLines[0].data(), std::string(39, 'h').c_str());
}

TEST_F(FitsReaderChecksTest, UnparsableNumberLeavesTheField) {
    Bytes b = good;
    std::memcpy(b.data() + 40 * 80 + 13, "garbage         ", 16);  // EXPTIME
    s.exposureSeconds = 3.0;
    ASSERT_EQ(ReadVariant(b), FitsReadResult::Ok);
    EXPECT_DOUBLE_EQ(s.exposureSeconds, 3.0);
    EXPECT_DOUBLE_EQ(s.settings.focalLengthInches, 80.0);
}

TEST_F(FitsFileTest, ResetFitsDetailsKeepsOriginPixelSizesAndFlags) {
    SetDetails();
    s.pixelWidth = 0.01;
    s.settings.hoursToUT = 3;
    s.settings.unsignedIntFits = false;
    s.eightBitFits = true;
    ResetFitsDetails();
    EXPECT_EQ(s.settings.fitsObject, "");
    EXPECT_EQ(s.settings.fitsObserver, "");
    EXPECT_EQ(s.settings.fitsTelescope, "");
    EXPECT_EQ(s.fitsDate, "");
    EXPECT_EQ(s.fitsTime, "");
    EXPECT_EQ(s.settings.fitsHistory, "");
    EXPECT_EQ(s.settings.fitsComment, "");
    EXPECT_EQ(s.settings.fitsInstrument, "Corvane CCD");
    EXPECT_EQ(s.settings.fitsFilter, "None");
    EXPECT_EQ(s.exposureSeconds, 0.0);
    EXPECT_EQ(s.settings.focalLengthInches, 0.0);
    EXPECT_EQ(s.settings.apertureSquareInches, 0.0);
    EXPECT_EQ(s.historyLines[0][0], '\0');
    EXPECT_EQ(s.settings.fitsOrigin, "Home");
    EXPECT_EQ(s.pixelWidth, 0.01);
    EXPECT_EQ(s.settings.hoursToUT, 3);
    EXPECT_FALSE(s.settings.unsignedIntFits);
    EXPECT_TRUE(s.eightBitFits);
}

TEST_F(FitsFileTest, FailedWriteLeavesTheOlderFile) {
    test::SetPatternImage(1);
    WriteBytes(PathOf("old.fit"), Bytes(10, 1));
    bool ok = true;
    {
        test::FileSizeLimit limit(100000);
        ok = WriteFitsFile(PathOf("old.fit").string(), s.currentImage, false);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadBytes(PathOf("old.fit")), Bytes(10, 1));
    EXPECT_EQ(test::NamesIn(fixture.root), std::vector<std::string>{"old.fit"});
}

}  // namespace
}  // namespace vexa
