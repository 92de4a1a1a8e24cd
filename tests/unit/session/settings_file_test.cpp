#include "session/settings_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The default file built straight from the layout table: two int16, 'n', three int16, 'l',
// '0', four int16, '1', 'n', '1', two int16, "nsew", "nnn", int16, "nn", two int16, "nn",
// fourteen cards, two doubles, "ny" (standard signed FITS samples, interface details shown).
Bytes ExpectedDefaultFile() {
    Bytes f;
    auto i16 = [&](int v) {
        f.push_back(static_cast<uint8_t>(v & 0xFF));
        f.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    };
    auto text = [&](const std::string& s) { f.insert(f.end(), s.begin(), s.end()); };
    auto card = [&](const std::string& prefix, const std::string& value) {
        std::string c = prefix + value + "'";
        c.resize(80, ' ');
        text(c);
    };
    i16(0), i16(0), text("n"), i16(0), i16(8), i16(1), text("l0");
    i16(2), i16(2), i16(0), i16(0), text("1n1"), i16(0), i16(0), text("nsew"), text("nnn");
    i16(4), text("nn"), i16(3), i16(1), text("nn");
    card("OBJECT  = '", ""), card("TELESCOP= '", ""), card("INSTRUME= '", "Corvane CCD");
    card("OBSERVER= '", ""), card("ORIGIN  = '", "");
    for (int i = 0; i < 4; ++i) card("HISTORY = '", std::string(68, ' '));
    for (int i = 0; i < 4; ++i) card("COMMENT = '", std::string(68, ' '));
    card("FILTER  = '", "None");
    f.insert(f.end(), 16, 0);
    text("ny");
    return f;
}

// Every field away from its default and inside what reading accepts.
PersistentSettings Distinct() {
    PersistentSettings p;
    p.autosaveNumber = 65530;
    p.hoursToUT = -7;
    p.fast_par = true;
    p.legacyReadMode = 3;
    p.guideStarMaskRadius = 13;
    p.delayAdjustment = 2;
    p.backgroundChoice = 'r';
    p.focusDelay = true;
    p.raPixelsPerSecond = 49;
    p.decPixelsPerSecond = -3;
    p.raBacklash = 30;
    p.decBacklash = 29;
    p.ignoreSmallDrift = false;
    p.telescopeType = TelescopeType::ControlBox;
    p.disableInterruptsDuringDownload = false;
    p.raHysteresis = 20;
    p.decHysteresis = 7;
    p.driveDirections = {'s', 'n', 'w', 'e'};
    p.autoWeakStretch = p.autoStrongStretch = p.autoUserStretch = true;
    p.autoUserStretchLevel = 36;
    p.autoHighPass = p.autoUnsharp = true;
    p.autoUnsharpDiameter = 6;
    p.autoUnsharpPower = 5;
    p.autoRemoveBackground = true;
    p.fastParExtra = true;
    p.fitsObject = "M42";
    p.fitsTelescope = std::string(34, 'T') + std::string(34, 't');  // exactly 68
    p.fitsInstrument = "TQ4";
    p.fitsObserver = "A. Observer";
    p.fitsOrigin = "Home";
    for (int i = 0; i < 255; ++i) p.fitsHistory += static_cast<char>('a' + i % 26);
    p.fitsComment = "short comment";
    p.fitsFilter = "R";
    p.apertureSquareInches = 12.5;
    p.focalLengthInches = 80.25;
    p.unsignedIntFits = true;
    p.showInterfaceDetails = false;
    return p;
}

Bytes Encoded(const PersistentSettings& p) {
    const auto record = EncodeSettings(p);
    return Bytes(record.begin(), record.end());
}

int16_t Int16At(const Bytes& f, size_t offset) {
    return static_cast<int16_t>(f[offset] | (f[offset + 1] << 8));
}

class SettingsFileTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    fs::path Folder() const { return fs::path(fixture.root) / "autosave"; }
    fs::path File() const { return Folder() / "Vexa_Q4.ini"; }
    void WriteSettingsFile(const Bytes& bytes) {
        fs::create_directories(Folder());
        WriteBytes(File(), bytes);
    }
    PersistentSettings& Settings() { return Session().settings; }
};

TEST_F(SettingsFileTest, FirstStartCreatesTheFolderAndTheDefaultFile) {
    EXPECT_EQ(LoadSettings(), 0);
    const Bytes file = ReadBytes(File());
    ASSERT_EQ(file.size(), 1183u);
    const Bytes expected = ExpectedDefaultFile();
    ASSERT_EQ(expected.size(), 1183u);
    EXPECT_EQ(file, expected);
    // Spot checks of the layout itself.
    EXPECT_EQ(file[11], 'l');
    EXPECT_EQ(file[22], 'n');
    EXPECT_EQ(std::string(file.begin() + 28, file.begin() + 32), "nsew");
    EXPECT_EQ(std::string(file.begin() + 205, file.begin() + 228), "INSTRUME= 'Corvane CCD'");
    EXPECT_EQ(std::string(file.begin() + 1085, file.begin() + 1101), "FILTER  = 'None'");
    EXPECT_EQ(file[1164], ' ');
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(SettingsFileTest, MissingDriveRootIsCreatedToo) {
    const fs::path root = fs::path(fixture.root) / "not" / "yet";
    SetDriveRoot(root);
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(fs::file_size(root / "autosave" / "Vexa_Q4.ini"), 1183u);
}

TEST_F(SettingsFileTest, ExistingFolderInOtherLetterCaseIsUsed) {
    fs::create_directories(fs::path(fixture.root) / "AUTOSAVE");
    PersistentSettings p = Distinct();
    WriteBytes(fs::path(fixture.root) / "AUTOSAVE" / "VEXA_Q4.INI", Encoded(p));
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(Settings().autosaveNumber, 65530);
    EXPECT_FALSE(fs::exists(Folder()));
}

TEST_F(SettingsFileTest, EveryFieldRoundTrips) {
    const PersistentSettings p = Distinct();
    Settings() = p;
    fs::create_directories(Folder());
    ASSERT_EQ(SaveSettings(), 0);
    Settings() = PersistentSettings{};
    Session().backgroundColour = BackgroundColourFor('l');
    ASSERT_EQ(LoadSettings(), 0);
    const PersistentSettings& r = Settings();
    EXPECT_EQ(r.autosaveNumber, p.autosaveNumber);
    EXPECT_EQ(r.hoursToUT, p.hoursToUT);
    EXPECT_EQ(r.fast_par, p.fast_par);
    EXPECT_EQ(r.legacyReadMode, p.legacyReadMode);
    EXPECT_EQ(r.guideStarMaskRadius, p.guideStarMaskRadius);
    EXPECT_EQ(r.delayAdjustment, p.delayAdjustment);
    EXPECT_EQ(r.backgroundChoice, 'r');
    EXPECT_EQ(r.focusDelay, p.focusDelay);
    EXPECT_EQ(r.raPixelsPerSecond, p.raPixelsPerSecond);
    EXPECT_EQ(r.decPixelsPerSecond, p.decPixelsPerSecond);
    EXPECT_EQ(r.raBacklash, p.raBacklash);
    EXPECT_EQ(r.decBacklash, p.decBacklash);
    EXPECT_EQ(r.ignoreSmallDrift, p.ignoreSmallDrift);
    EXPECT_EQ(r.telescopeType, p.telescopeType);
    EXPECT_EQ(r.disableInterruptsDuringDownload, p.disableInterruptsDuringDownload);
    EXPECT_EQ(r.raHysteresis, p.raHysteresis);
    EXPECT_EQ(r.decHysteresis, p.decHysteresis);
    EXPECT_EQ(r.driveDirections, p.driveDirections);
    EXPECT_EQ(r.autoWeakStretch, p.autoWeakStretch);
    EXPECT_EQ(r.autoStrongStretch, p.autoStrongStretch);
    EXPECT_EQ(r.autoUserStretch, p.autoUserStretch);
    EXPECT_EQ(r.autoUserStretchLevel, p.autoUserStretchLevel);
    EXPECT_EQ(r.autoHighPass, p.autoHighPass);
    EXPECT_EQ(r.autoUnsharp, p.autoUnsharp);
    EXPECT_EQ(r.autoUnsharpDiameter, p.autoUnsharpDiameter);
    EXPECT_EQ(r.autoUnsharpPower, p.autoUnsharpPower);
    EXPECT_EQ(r.autoRemoveBackground, p.autoRemoveBackground);
    EXPECT_EQ(r.fastParExtra, p.fastParExtra);
    EXPECT_EQ(r.fitsObject, p.fitsObject);
    EXPECT_EQ(r.fitsTelescope, p.fitsTelescope);
    EXPECT_EQ(r.fitsInstrument, p.fitsInstrument);
    EXPECT_EQ(r.fitsObserver, p.fitsObserver);
    EXPECT_EQ(r.fitsOrigin, p.fitsOrigin);
    EXPECT_EQ(r.fitsHistory, p.fitsHistory);  // all 255 characters
    // A short comment comes back padded with blanks to 255 characters.
    EXPECT_EQ(r.fitsComment, p.fitsComment + std::string(255 - 13, ' '));
    EXPECT_EQ(r.fitsFilter, p.fitsFilter);
    EXPECT_EQ(r.apertureSquareInches, 12.5);
    EXPECT_EQ(r.focalLengthInches, 80.25);
    EXPECT_EQ(r.unsignedIntFits, p.unsignedIntFits);
    EXPECT_EQ(r.showInterfaceDetails, p.showInterfaceDetails);
    EXPECT_EQ(Session().backgroundColour.red, 120);
    EXPECT_EQ(Session().backgroundColour.green, 40);
    EXPECT_EQ(Session().backgroundColour.blue, 40);
    EXPECT_TRUE(Session().backgroundChanged);
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(SettingsFileTest, TenCharacterHistoryIsCutIntoFourPaddedCardsAndReadsBackAs255) {
    Settings().fitsHistory = "0123456789";
    const Bytes f = Encoded(Settings());
    // History cards are records 6 to 9 (offsets 445, 525, 605, 685).
    EXPECT_EQ(std::string(f.begin() + 445, f.begin() + 466), "HISTORY = '0123456789");
    for (int card = 0; card < 4; ++card) {
        const size_t at = 445 + 80 * card;
        EXPECT_EQ(f[at + 79], '\'') << card;
        EXPECT_EQ(f[at + 78], ' ') << card;
    }
    WriteSettingsFile(f);
    Settings().fitsHistory.clear();
    ASSERT_EQ(LoadSettings(), 0);
    ASSERT_EQ(Settings().fitsHistory.size(), 255u);
    EXPECT_EQ(Settings().fitsHistory, "0123456789" + std::string(245, ' '));
}

TEST_F(SettingsFileTest, LongTextsAreCutToTheirCards) {
    Settings().fitsObject = std::string(70, 'x');
    Settings().fitsHistory = std::string(300, 'h');
    const Bytes f = Encoded(Settings());
    EXPECT_EQ(std::string(f.begin() + 45 + 11, f.begin() + 45 + 80), std::string(68, 'x') + "'");
    // The fourth history card holds 51 characters, then blanks up to the closing quote.
    const size_t fourth = 445 + 3 * 80;
    EXPECT_EQ(std::string(f.begin() + fourth + 11, f.begin() + fourth + 80),
              std::string(51, 'h') + std::string(17, ' ') + "'");
    EXPECT_EQ(std::string(f.begin() + 765, f.begin() + 776), "COMMENT = '");
}

TEST_F(SettingsFileTest, LargeValuesAreWrittenAsTenOrZeroAndNegativesAsTheyAre) {
    PersistentSettings& p = Settings();
    p.raPixelsPerSecond = 50;
    p.decPixelsPerSecond = 49;
    p.raBacklash = 60;
    p.decBacklash = 60;
    p.raHysteresis = 1000;
    p.decHysteresis = -5;
    Bytes f = Encoded(p);
    EXPECT_EQ(Int16At(f, 13), 10);
    EXPECT_EQ(Int16At(f, 15), 49);
    EXPECT_EQ(Int16At(f, 17), 10);
    EXPECT_EQ(Int16At(f, 19), 0);
    EXPECT_EQ(Int16At(f, 24), 10);
    EXPECT_EQ(f[26], 0xFB);
    EXPECT_EQ(f[27], 0xFF);
    p.decBacklash = -2;
    p.raPixelsPerSecond = -300;
    f = Encoded(p);
    EXPECT_EQ(Int16At(f, 19), -2);
    EXPECT_EQ(Int16At(f, 13), -300);
    // The session keeps the values it holds.
    fs::create_directories(Folder());
    ASSERT_EQ(SaveSettings(), 0);
    EXPECT_EQ(p.raBacklash, 60);
}

struct CheckCase {
    const char* name;
    size_t offset;
    std::string bytes;
    std::function<void(const PersistentSettings&)> expect;
};

// A refused value at each place it can stand, and what the session then holds.
std::vector<CheckCase> RefusedValueCases() {
    const std::string le31("\x1F\x00", 2), leMinus1("\xFF\xFF", 2), le0("\x00\x00", 2),
        le7("\x07\x00", 2), le37("\x25\x00", 2);
    return {
        {"background", 11, "x",
         [](const PersistentSettings& p) {
             EXPECT_EQ(p.backgroundChoice, 'l');
             EXPECT_FALSE(p.focusDelay);
         }},
        {"raBacklash 31", 17, le31,
         [](const PersistentSettings& p) {
             EXPECT_EQ(p.raPixelsPerSecond, 49);
             EXPECT_EQ(p.decPixelsPerSecond, -3);
             EXPECT_EQ(p.raBacklash, 5);
             EXPECT_EQ(p.decBacklash, 0);
         }},
        {"raBacklash -1", 17, leMinus1,
         [](const PersistentSettings& p) { EXPECT_EQ(p.raBacklash, 5); }},
        {"decBacklash 31 is not written back", 19, le31,
         [](const PersistentSettings& p) {
             EXPECT_EQ(p.raBacklash, 30);
             EXPECT_EQ(p.decBacklash, 0);
             EXPECT_TRUE(p.ignoreSmallDrift);
         }},
        {"decBacklash -1 is not written back", 19, leMinus1,
         [](const PersistentSettings& p) { EXPECT_EQ(p.decBacklash, 0); }},
        {"ignoreSmallDrift", 21, "y",
         [](const PersistentSettings& p) {
             EXPECT_TRUE(p.ignoreSmallDrift);
             EXPECT_EQ(p.telescopeType, TelescopeType::Lx200);
         }},
        {"telescopeType becomes None", 22, "z",
         [](const PersistentSettings& p) {
             EXPECT_EQ(p.telescopeType, TelescopeType::None);
             EXPECT_TRUE(p.disableInterruptsDuringDownload);
         }},
        {"disableInterrupts", 23, "Y",
         [](const PersistentSettings& p) {
             EXPECT_EQ(p.telescopeType, TelescopeType::ControlBox);
             EXPECT_TRUE(p.disableInterruptsDuringDownload);
             EXPECT_EQ(p.raHysteresis, 0);
         }},
        {"driveDirections", 28, "nsxx",
         [](const PersistentSettings& p) {
             EXPECT_EQ(p.decHysteresis, 7);
             EXPECT_EQ(p.driveDirections, (std::array<char, 4>{'n', 's', 'e', 'w'}));
             EXPECT_FALSE(p.autoWeakStretch);
         }},
        {"autoUserStretchLevel 0", 35, le0,
         [](const PersistentSettings& p) {
             EXPECT_TRUE(p.autoUserStretch);
             EXPECT_EQ(p.autoUserStretchLevel, 4);
         }},
        {"autoUserStretchLevel 37", 35, le37,
         [](const PersistentSettings& p) { EXPECT_EQ(p.autoUserStretchLevel, 4); }},
        {"autoHighPass", 37, "1",
         [](const PersistentSettings& p) {
             EXPECT_EQ(p.autoUserStretchLevel, 36);
             EXPECT_FALSE(p.autoHighPass);
         }},
        {"autoUnsharp", 38, "Y", [](const PersistentSettings& p) { EXPECT_FALSE(p.autoUnsharp); }},
        {"autoUnsharpDiameter 0", 39, le0,
         [](const PersistentSettings& p) { EXPECT_EQ(p.autoUnsharpDiameter, 3); }},
        {"autoUnsharpDiameter 7", 39, le7,
         [](const PersistentSettings& p) { EXPECT_EQ(p.autoUnsharpDiameter, 3); }},
        {"autoUnsharpPower 7", 41, le7,
         [](const PersistentSettings& p) {
             EXPECT_EQ(p.autoUnsharpDiameter, 6);
             EXPECT_EQ(p.autoUnsharpPower, 1);
         }},
        {"autoRemoveBackground", 43, "x",
         [](const PersistentSettings& p) {
             EXPECT_FALSE(p.autoRemoveBackground);
             EXPECT_FALSE(p.fastParExtra);
             EXPECT_EQ(p.fitsObject, "");
         }},
    };
}

// Each refused value stops the reading there: the fields before it come from the file, the
// ones after keep the session's values, and the file is rewritten from the session.
TEST_F(SettingsFileTest, RefusedValueStopsReadingAndRepairsTheFile) {
    const PersistentSettings fromFile = Distinct();
    PersistentSettings before;
    before.telescopeType = TelescopeType::Lx200;
    before.raBacklash = 5;
    const std::vector<CheckCase> cases = RefusedValueCases();
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        Settings() = before;
        Bytes file = Encoded(fromFile);
        for (size_t i = 0; i < c.bytes.size(); ++i)
            file[c.offset + i] = static_cast<uint8_t>(c.bytes[i]);
        WriteSettingsFile(file);
        EXPECT_EQ(LoadSettings(), 0);
        EXPECT_EQ(Settings().autosaveNumber, 65530);  // read before every check
        c.expect(Settings());
        const Bytes repaired = ReadBytes(File());
        EXPECT_EQ(repaired, Encoded(Settings()));
        // The repaired file is sound: it loads again as it stands, without a rewrite.
        const PersistentSettings afterRepair = Settings();
        ASSERT_EQ(LoadSettings(), 0);
        EXPECT_EQ(ReadBytes(File()), repaired);
        EXPECT_EQ(Encoded(Settings()), Encoded(afterRepair));
    }
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(SettingsFileTest, DriveDirectionsNeedOnlyOneEastOrWestLetter) {
    Bytes file = Encoded(Distinct());
    file[28] = 'x', file[29] = 'y', file[30] = 'q', file[31] = 'w';
    WriteSettingsFile(file);
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(Settings().driveDirections, (std::array<char, 4>{'x', 'y', 'q', 'w'}));
    EXPECT_EQ(Settings().fitsObject, "M42");  // read on past the letters
    EXPECT_EQ(ReadBytes(File()), file);       // not rewritten
}

TEST_F(SettingsFileTest, FlagsOtherThanTheirYesByteReadAsFalse) {
    Bytes file = Encoded(Distinct());
    for (size_t offset : {12u, 32u, 33u, 34u, 1181u, 1182u}) file[offset] = 'Y';
    WriteSettingsFile(file);
    Settings().unsignedIntFits = true;
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_FALSE(Settings().focusDelay);
    EXPECT_FALSE(Settings().autoWeakStretch);
    EXPECT_FALSE(Settings().autoStrongStretch);
    EXPECT_FALSE(Settings().autoUserStretch);
    EXPECT_FALSE(Settings().unsignedIntFits);
    EXPECT_FALSE(Settings().showInterfaceDetails);
}

TEST_F(SettingsFileTest, BadFastParShowsItsMessageAndReadingContinues) {
    Bytes file = Encoded(Distinct());
    file[4] = 'q';
    WriteSettingsFile(file);
    EXPECT_EQ(LoadSettings(), 0);
    ASSERT_EQ(fixture.ui.messages.size(), 1u);
    EXPECT_EQ(fixture.ui.messages[0].caption, "Vexa_Q4_USB");
    EXPECT_EQ(fixture.ui.messages[0].text, "Failed to read fast_par value");
    EXPECT_FALSE(Settings().fast_par);  // kept
    EXPECT_EQ(Settings().legacyReadMode, 3);
    EXPECT_FALSE(Settings().showInterfaceDetails);  // the last field was read
    EXPECT_EQ(ReadBytes(File()), file);             // no rewrite
}

TEST_F(SettingsFileTest, FileWithoutFastParExtraStillLoadsTheCards) {
    const PersistentSettings p = Distinct();
    Bytes file = Encoded(p);
    file.erase(file.begin() + 44);  // ends after field 27; 'O' of OBJECT stands in field 28
    ASSERT_EQ(file.size(), 1182u);
    WriteSettingsFile(file);
    Settings().fastParExtra = true;
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_FALSE(Settings().fastParExtra);
    EXPECT_EQ(Settings().fitsObject, "M42");
    EXPECT_EQ(Settings().fitsTelescope, p.fitsTelescope);
    EXPECT_EQ(Settings().fitsFilter, "R");
    EXPECT_EQ(Settings().focalLengthInches, 80.25);
    EXPECT_FALSE(Settings().showInterfaceDetails);
}

TEST_F(SettingsFileTest, ShortFileReturnsTwoKeepingFieldsAlreadyRead) {
    const PersistentSettings p = Distinct();
    const Bytes full = Encoded(p);
    struct Cut {
        size_t length;
        std::function<void(const PersistentSettings&)> expect;
    };
    const std::vector<Cut> cuts = {
        {0, [](const PersistentSettings& r) { EXPECT_EQ(r.autosaveNumber, 0); }},
        {1, [](const PersistentSettings& r) { EXPECT_EQ(r.autosaveNumber, 0); }},
        {3,
         [](const PersistentSettings& r) {
             EXPECT_EQ(r.autosaveNumber, 65530);
             EXPECT_EQ(r.hoursToUT, 0);
         }},
        {4,
         [](const PersistentSettings& r) {
             EXPECT_EQ(r.hoursToUT, -7);
             EXPECT_FALSE(r.fast_par);
         }},
        {12,
         [](const PersistentSettings& r) {
             EXPECT_EQ(r.backgroundChoice, 'r');
             EXPECT_FALSE(r.focusDelay);
         }},
        {44,
         [](const PersistentSettings& r) {
             EXPECT_TRUE(r.autoRemoveBackground);
             EXPECT_FALSE(r.fastParExtra);
         }},
        {400,
         [&](const PersistentSettings& r) {
             EXPECT_TRUE(r.fastParExtra);
             EXPECT_EQ(r.fitsObserver, "A. Observer");  // fourth card ends at 365
             EXPECT_EQ(r.fitsOrigin, "");
         }},
        {1164,
         [&](const PersistentSettings& r) {
             EXPECT_EQ(r.fitsComment, p.fitsComment + std::string(242, ' '));
             EXPECT_EQ(r.fitsFilter, "None");
         }},
        {1173,
         [](const PersistentSettings& r) {
             EXPECT_EQ(r.apertureSquareInches, 12.5);
             EXPECT_EQ(r.focalLengthInches, 0.0);
         }},
        {1182,
         [](const PersistentSettings& r) {
             EXPECT_TRUE(r.unsignedIntFits);
             EXPECT_TRUE(r.showInterfaceDetails);
         }},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.length);
        Settings() = PersistentSettings{};
        const Bytes shortFile(full.begin(), full.begin() + static_cast<long>(cut.length));
        WriteSettingsFile(shortFile);
        EXPECT_EQ(LoadSettings(), 2);
        cut.expect(Settings());
        EXPECT_EQ(ReadBytes(File()), shortFile);  // left as it was
    }
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(SettingsFileTest, MissingFileInExistingFolderReturnsTwo) {
    fs::create_directories(Folder());
    EXPECT_EQ(LoadSettings(), 2);
    EXPECT_FALSE(fs::exists(File()));
}

TEST_F(SettingsFileTest, LongerFileLoadsItsFirst1183Bytes) {
    Bytes file = Encoded(Distinct());
    file.insert(file.end(), 300, 'Z');
    WriteSettingsFile(file);
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_FALSE(Settings().showInterfaceDetails);
    EXPECT_EQ(Settings().fitsFilter, "R");
    EXPECT_EQ(fs::file_size(File()), 1483u);
}

TEST_F(SettingsFileTest, CardWithoutClosingQuoteKeepsItsSixtyEightValueBytes) {
    Bytes file = Encoded(Distinct());
    for (size_t i = 45 + 11; i < 45 + 80; ++i) file[i] = 'q';  // object card, no quote
    for (size_t i = 445 + 11; i < 445 + 4 * 80; ++i)
        if (file[i] == '\'') file[i] = 'h';  // history cards lose their quotes too
    WriteSettingsFile(file);
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(Settings().fitsObject, std::string(68, 'q'));
    EXPECT_EQ(Settings().fitsHistory.size(), 255u);
}

TEST_F(SettingsFileTest, GarbageNeverCrashesAndTextsStayInTheirLimits) {
    std::mt19937 random(1183);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::vector<uint8_t> favourites = {0, 0xFF, 'y', 'n', '1', '0', '\'', 'e', 'w', 0x1F};
    for (int round = 0; round < 300; ++round) {
        Bytes file = Encoded(Distinct());
        if (round < 100) {
            for (uint8_t& b : file) b = static_cast<uint8_t>(byte(random));
        } else {
            // A few damaged bytes, so that reading gets far before it meets one.
            for (int hits = 0; hits < 3; ++hits)
                file[random() % file.size()] = favourites[random() % favourites.size()];
        }
        file.resize(random() % 5 == 0 ? random() % 1400 : file.size());
        Settings() = PersistentSettings{};
        WriteSettingsFile(file);
        const int16_t result = LoadSettings();
        EXPECT_TRUE(result == 0 || result == 2) << round;
        const PersistentSettings& p = Settings();
        for (const std::string* text : {&p.fitsObject, &p.fitsTelescope, &p.fitsInstrument,
                                        &p.fitsObserver, &p.fitsOrigin, &p.fitsFilter})
            EXPECT_LE(text->size(), 68u);
        EXPECT_LE(p.fitsHistory.size(), 255u);
        EXPECT_LE(p.fitsComment.size(), 255u);
        EXPECT_TRUE(p.backgroundChoice == 'l' || p.backgroundChoice == 'r' ||
                    p.backgroundChoice == 'g');
        EXPECT_GE(p.raBacklash, 0);
        EXPECT_LE(p.raBacklash, 30);
    }
}

TEST_F(SettingsFileTest, UnwritableRootLeavesTheDefaultsWithoutMessages) {
    // A drive root below a regular file can be neither created nor written, even by root.
    const fs::path blocker = fs::path(fixture.root) / "blocker";
    WriteBytes(blocker, Bytes{1, 2, 3});
    SetDriveRoot(blocker / "c");
    EXPECT_EQ(LoadSettings(), 2);
    EXPECT_EQ(SaveSettings(), 3);
    EXPECT_EQ(Settings().telescopeType, TelescopeType::None);
    EXPECT_EQ(Settings().fitsInstrument, "Corvane CCD");
    EXPECT_TRUE(fixture.ui.messages.empty());
}

TEST_F(SettingsFileTest, FailedWriteLeavesThePreviousFileIntact) {
    ASSERT_EQ(LoadSettings(), 0);
    const Bytes previous = ReadBytes(File());
    Settings().telescopeType = TelescopeType::Lx200;
    // A file-size limit makes the write come up short part way, whoever runs the test.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit tiny{100, saved.rlim_max};
    auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const int16_t result = SaveSettings();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, 3);
    EXPECT_EQ(ReadBytes(File()), previous);
    // No temporary file stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1);
    EXPECT_EQ(SaveSettings(), 0);
    EXPECT_EQ(ReadBytes(File())[22], 'l');
}

TEST_F(SettingsFileTest, ReadOnlyFolderKeepsThePreviousFile) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    ASSERT_EQ(LoadSettings(), 0);
    const Bytes previous = ReadBytes(File());
    fs::permissions(Folder(), fs::perms::owner_read | fs::perms::owner_exec);
    Settings().telescopeType = TelescopeType::ControlBox;
    EXPECT_EQ(SaveSettings(), 3);
    fs::permissions(Folder(), fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(File()), previous);
}

TEST_F(SettingsFileTest, DefaultFileAsksForStandardSignedFits) {
    EXPECT_FALSE(PersistentSettings().unsignedIntFits);
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(ReadBytes(File())[kSettingsLastFlagsOffset], 'n');
}

// Something other than a regular file where the settings file belongs is not read (a pipe
// would block the program for ever, a device feed it endless bytes) and never replaced.
TEST_F(SettingsFileTest, SpecialFileInTheSettingsPlaceLoadsNothingAndStays) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        std::function<bool(const fs::path&)> stillThere;
    };
    const std::vector<Case> cases = {
        {"named pipe", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         [](const fs::path& p) { return fs::is_fifo(p); }},
        {"folder", [](const fs::path& p) { fs::create_directory(p); },
         [](const fs::path& p) { return fs::is_directory(p); }},
        {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         [](const fs::path& p) { return fs::read_symlink(p) == "/dev/zero"; }},
    };
    fs::create_directories(Folder());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make(File());
        Settings().telescopeType = TelescopeType::Lx200;
        EXPECT_EQ(LoadSettings(), 2);
        EXPECT_EQ(Settings().telescopeType, TelescopeType::Lx200);
        EXPECT_EQ(SaveSettings(), 3);
        EXPECT_TRUE(c.stillThere(File()));
        EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1);
        fs::remove(File());
    }
    EXPECT_TRUE(fs::is_character_file("/dev/zero"));
}

TEST_F(SettingsFileTest, SettingsFileThatIsALinkIsWrittenThroughTheLink) {
    fs::create_directories(Folder());
    const fs::path kept = fs::path(fixture.root) / "kept.ini";
    WriteBytes(kept, Encoded(Distinct()));
    fs::create_symlink(kept, File());
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(Settings().fitsObject, "M42");
    Settings().fitsObject = "M31";
    ASSERT_EQ(SaveSettings(), 0);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(File())));
    EXPECT_EQ(ReadBytes(kept), Encoded(Settings()));
}

TEST_F(SettingsFileTest, UtTimeAddsHoursToUtToTheLocalTimeAcrossDayAndYearEnds) {
    std::tm local{};
    local.tm_year = 2023 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 31;
    local.tm_hour = 23;
    local.tm_min = 30;
    local.tm_sec = 15;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    Settings().hoursToUT = 2;
    std::tm ut = UtTimeOf(t);
    EXPECT_EQ(ut.tm_year, 2024 - 1900);
    EXPECT_EQ(ut.tm_mon, 0);
    EXPECT_EQ(ut.tm_mday, 1);
    EXPECT_EQ(ut.tm_hour, 1);
    EXPECT_EQ(ut.tm_min, 30);
    EXPECT_EQ(ut.tm_sec, 15);
    EXPECT_EQ(ut.tm_wday, 1);  // Monday
    Settings().hoursToUT = -24;
    ut = UtTimeOf(t);
    EXPECT_EQ(ut.tm_mday, 30);
    EXPECT_EQ(ut.tm_hour, 23);
    Settings().hoursToUT = 0;
    ut = UtTimeOf(t);
    EXPECT_EQ(ut.tm_hour, 23);
    EXPECT_EQ(ut.tm_yday, 364);
}

}  // namespace
}  // namespace vexa
