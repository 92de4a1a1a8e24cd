#include "session/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "session/safe_file_writer.h"
#include "session/ui_services.h"

namespace vexa {

namespace fs = std::filesystem;

namespace {

constexpr int16_t kLoadFailed = 2;
constexpr int16_t kSaveFailed = 3;
constexpr int16_t kRaWrittenAsWhenLarge = 10;  // fields 9, 10, 11, 16 and 17
constexpr int16_t kDecBacklashWrittenAsWhenLarge = 0;
constexpr int16_t kUserStretchLevelMin = 1;
constexpr int16_t kUserStretchLevelMax = 36;
constexpr int16_t kUnsharpValueMin = 1;
constexpr int16_t kUnsharpValueMax = 6;

constexpr std::string_view kObjectPrefix = "OBJECT  = '";
constexpr std::string_view kTelescopePrefix = "TELESCOP= '";
constexpr std::string_view kInstrumentPrefix = "INSTRUME= '";
constexpr std::string_view kObserverPrefix = "OBSERVER= '";
constexpr std::string_view kOriginPrefix = "ORIGIN  = '";
constexpr std::string_view kHistoryPrefix = "HISTORY = '";
constexpr std::string_view kCommentPrefix = "COMMENT = '";
constexpr std::string_view kFilterPrefix = "FILTER  = '";

bool IsYesNo(uint8_t b) {
    return b == 'y' || b == 'n';
}
bool IsOneZero(uint8_t b) {
    return b == '1' || b == '0';
}
bool IsUnsharpValue(int16_t v) {
    return v >= kUnsharpValueMin && v <= kUnsharpValueMax;
}

// ---- writing ----

class RecordWriter {
  public:
    explicit RecordWriter(std::array<uint8_t, kSettingsFileBytes>& bytes) : bytes_(bytes) {}

    void Int16(int16_t v) {
        const auto u = static_cast<uint16_t>(v);
        Byte(static_cast<uint8_t>(u & 0xFF));
        Byte(static_cast<uint8_t>(u >> 8));
    }
    void Byte(uint8_t b) { bytes_[pos_++] = b; }
    void Flag(bool v, char yes, char no) { Byte(static_cast<uint8_t>(v ? yes : no)); }
    void Real(double v) {
        const auto u = std::bit_cast<uint64_t>(v);
        for (int i = 0; i < 8; ++i) Byte(static_cast<uint8_t>(u >> (8 * i)));
    }
    // One card: prefix, value, closing quote, blanks to the end of the 80 bytes.
    void Card(std::string_view prefix, std::string_view value) {
        const size_t start = pos_;
        for (char c : prefix) Byte(static_cast<uint8_t>(c));
        for (char c : value.substr(0, kSettingsCardValueBytes)) Byte(static_cast<uint8_t>(c));
        Byte('\'');
        while (pos_ < start + kSettingsCardBytes) Byte(' ');
    }
    // A history or comment text: four cards of 68 characters each, padded with blanks, so
    // each closing quote is the 80th byte of its card.
    void LongText(std::string_view prefix, std::string_view text) {
        text = text.substr(0, kSettingsLongTextChars);
        for (int card = 0; card < kSettingsLongTextCards; ++card) {
            const size_t from = static_cast<size_t>(card) * kSettingsCardValueBytes;
            std::string piece(text.size() > from ? text.substr(from, kSettingsCardValueBytes)
                                                 : std::string_view());
            piece.resize(kSettingsCardValueBytes, ' ');
            Card(prefix, piece);
        }
    }

  private:
    std::array<uint8_t, kSettingsFileBytes>& bytes_;
    size_t pos_ = 0;
};

int16_t WrittenAs(int16_t value, int16_t large) {
    return value >= kSettingsWrittenAsThreshold ? large : value;
}

// ---- reading ----

enum class ReadOutcome { Complete, Short, Invalid };

class RecordReader {
  public:
    explicit RecordReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    bool Byte(uint8_t& b) {
        if (pos_ + 1 > bytes_.size()) return false;
        b = bytes_[pos_++];
        return true;
    }
    bool UInt16(uint16_t& v) {
        if (pos_ + 2 > bytes_.size()) return false;
        v = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool Int16(int16_t& v) {
        uint16_t u = 0;
        if (!UInt16(u)) return false;
        v = static_cast<int16_t>(u);
        return true;
    }
    bool Real(double& v) {
        if (pos_ + 8 > bytes_.size()) return false;
        uint64_t u = 0;
        for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(bytes_[pos_ + i]) << (8 * i);
        pos_ += 8;
        v = std::bit_cast<double>(u);
        return true;
    }
    // The value of the next card; firstByte, when given, was read already as the card's
    // first byte.
    bool CardValue(std::string& value, const uint8_t* firstByte) {
        std::array<uint8_t, kSettingsCardBytes> card{};
        size_t have = 0;
        if (firstByte) card[have++] = *firstByte;
        const size_t need = kSettingsCardBytes - have;
        if (pos_ + need > bytes_.size()) return false;
        for (size_t i = 0; i < need; ++i) card[have + i] = bytes_[pos_ + i];
        pos_ += need;
        // The text runs from the 12th byte to the first quote. A card without one yields
        // its 68 value bytes, never the closing-quote column, so no text outgrows its field;
        // a zero byte ends the text as it would a C string.
        value.clear();
        for (int i = kSettingsCardPrefixBytes;
             i < kSettingsCardPrefixBytes + kSettingsCardValueBytes; ++i) {
            const char c = static_cast<char>(card[i]);
            if (c == '\'' || c == '\0') break;
            value += c;
        }
        return true;
    }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t pos_ = 0;
};

// Each part of the record below reads its fields in file order into the session: Complete
// when all were read, else where it stopped. A failed check stops at once: the value that
// failed is not kept (apart from the declination backlash, field 12, and the telescope type,
// field 14).

ReadOutcome DecodeCaptureFields(RecordReader& in, SessionState& s) {
    PersistentSettings& p = s.settings;
    uint8_t b = 0;
    if (!in.UInt16(p.autosaveNumber) || !in.Int16(p.hoursToUT)) return ReadOutcome::Short;
    if (!in.Byte(b)) return ReadOutcome::Short;
    if (IsYesNo(b)) {
        p.fast_par = b == 'y';
    } else {
        // Not worth a repair: the old value stays and reading goes on.
        Ui().MessageBox(kFastParFailureCaption, kFastParFailureText);
    }
    if (!in.Int16(p.legacyReadMode) || !in.Int16(p.guideStarMaskRadius) ||
        !in.Int16(p.delayAdjustment))
        return ReadOutcome::Short;
    return ReadOutcome::Complete;
}

ReadOutcome DecodeBackground(RecordReader& in, SessionState& s) {
    PersistentSettings& p = s.settings;
    uint8_t b = 0;
    if (!in.Byte(b)) return ReadOutcome::Short;
    if (b != 'l' && b != 'r' && b != 'g') return ReadOutcome::Invalid;
    p.backgroundChoice = static_cast<char>(b);
    const RgbColour colour = BackgroundColourFor(p.backgroundChoice);
    if (colour.red != s.backgroundColour.red || colour.green != s.backgroundColour.green ||
        colour.blue != s.backgroundColour.blue)
        s.backgroundChanged = true;
    s.backgroundColour = colour;
    return ReadOutcome::Complete;
}

ReadOutcome DecodeGuideFields(RecordReader& in, SessionState& s) {
    PersistentSettings& p = s.settings;
    uint8_t b = 0;
    int16_t v = 0;
    if (!in.Byte(b)) return ReadOutcome::Short;
    p.focusDelay = b == '1';
    if (!in.Int16(p.raPixelsPerSecond) || !in.Int16(p.decPixelsPerSecond))
        return ReadOutcome::Short;
    if (!in.Int16(v)) return ReadOutcome::Short;
    if (v < 0 || v > kBacklashMaxOnReading) return ReadOutcome::Invalid;
    p.raBacklash = v;
    // Declination backlash is stored before it is checked. The repair that follows a refused
    // value must not write it back, or the repaired file would be refused again at every
    // start: the value the session held goes back before the rewrite.
    const int16_t previousDecBacklash = p.decBacklash;
    if (!in.Int16(p.decBacklash)) return ReadOutcome::Short;
    if (p.decBacklash < 0 || p.decBacklash > kBacklashMaxOnReading) {
        p.decBacklash = previousDecBacklash;
        return ReadOutcome::Invalid;
    }

    if (!in.Byte(b)) return ReadOutcome::Short;
    if (!IsOneZero(b)) return ReadOutcome::Invalid;
    p.ignoreSmallDrift = b == '1';
    return ReadOutcome::Complete;
}

ReadOutcome DecodeMountFields(RecordReader& in, SessionState& s) {
    PersistentSettings& p = s.settings;
    uint8_t b = 0;
    if (!in.Byte(b)) return ReadOutcome::Short;
    const std::optional<TelescopeType> type = TelescopeTypeFromLetter(static_cast<char>(b));
    if (!type) {
        p.telescopeType = TelescopeType::None;
        return ReadOutcome::Invalid;
    }
    p.telescopeType = *type;
    if (!in.Byte(b)) return ReadOutcome::Short;
    if (!IsOneZero(b)) return ReadOutcome::Invalid;
    p.disableInterruptsDuringDownload = b == '1';
    if (!in.Int16(p.raHysteresis) || !in.Int16(p.decHysteresis)) return ReadOutcome::Short;

    std::array<uint8_t, 4> letters{};
    for (uint8_t& letter : letters)
        if (!in.Byte(letter)) return ReadOutcome::Short;
    const auto eastOrWest = [](uint8_t c) { return c == 'e' || c == 'w'; };
    if (!eastOrWest(letters[2]) && !eastOrWest(letters[3])) return ReadOutcome::Invalid;
    for (size_t i = 0; i < letters.size(); ++i)
        p.driveDirections[i] = static_cast<char>(letters[i]);
    return ReadOutcome::Complete;
}

ReadOutcome DecodeAutoProcessing(RecordReader& in, SessionState& s) {
    PersistentSettings& p = s.settings;
    uint8_t b = 0;
    int16_t v = 0;
    for (bool* flag : {&p.autoWeakStretch, &p.autoStrongStretch, &p.autoUserStretch}) {
        if (!in.Byte(b)) return ReadOutcome::Short;
        *flag = b == 'y';
    }
    if (!in.Int16(v)) return ReadOutcome::Short;
    if (v < kUserStretchLevelMin || v > kUserStretchLevelMax) return ReadOutcome::Invalid;
    p.autoUserStretchLevel = v;
    for (bool* flag : {&p.autoHighPass, &p.autoUnsharp}) {
        if (!in.Byte(b)) return ReadOutcome::Short;
        if (!IsYesNo(b)) return ReadOutcome::Invalid;
        *flag = b == 'y';
    }
    for (int16_t* field : {&p.autoUnsharpDiameter, &p.autoUnsharpPower}) {
        if (!in.Int16(v)) return ReadOutcome::Short;
        if (!IsUnsharpValue(v)) return ReadOutcome::Invalid;
        *field = v;
    }
    if (!in.Byte(b)) return ReadOutcome::Short;
    if (!IsYesNo(b)) return ReadOutcome::Invalid;
    p.autoRemoveBackground = b == 'y';
    return ReadOutcome::Complete;
}

ReadOutcome DecodeFitsTexts(RecordReader& in, SessionState& s) {
    PersistentSettings& p = s.settings;
    uint8_t b = 0;
    // Older files lack field 28: a byte other than 'y' or 'n' here opens the first card.
    if (!in.Byte(b)) return ReadOutcome::Short;
    const bool haveFastParExtra = IsYesNo(b);
    p.fastParExtra = b == 'y';
    const uint8_t* carried = haveFastParExtra ? nullptr : &b;

    std::string value;
    for (std::string* text :
         {&p.fitsObject, &p.fitsTelescope, &p.fitsInstrument, &p.fitsObserver, &p.fitsOrigin}) {
        if (!in.CardValue(value, carried)) return ReadOutcome::Short;
        carried = nullptr;
        *text = value;
    }
    for (std::string* text : {&p.fitsHistory, &p.fitsComment}) {
        for (int card = 0; card < kSettingsLongTextCards; ++card) {
            if (!in.CardValue(value, nullptr)) return ReadOutcome::Short;
            if (card == 0) text->clear();
            if (card == kSettingsLongTextCards - 1)
                value.resize(std::min<size_t>(value.size(), kSettingsLastPieceChars));
            *text += value;
        }
    }
    if (!in.CardValue(value, nullptr)) return ReadOutcome::Short;
    p.fitsFilter = value;
    return ReadOutcome::Complete;
}

ReadOutcome DecodeOptics(RecordReader& in, SessionState& s) {
    PersistentSettings& p = s.settings;
    uint8_t b = 0;
    if (!in.Real(p.apertureSquareInches) || !in.Real(p.focalLengthInches))
        return ReadOutcome::Short;
    for (bool* flag : {&p.unsignedIntFits, &p.showInterfaceDetails}) {
        if (!in.Byte(b)) return ReadOutcome::Short;
        *flag = b == 'y';
    }
    return ReadOutcome::Complete;
}

ReadOutcome DecodeSettings(const std::vector<uint8_t>& bytes, SessionState& s) {
    RecordReader in(bytes);
    using Part = ReadOutcome (*)(RecordReader&, SessionState&);
    for (const Part part :
         {DecodeCaptureFields, DecodeBackground, DecodeGuideFields, DecodeMountFields,
          DecodeAutoProcessing, DecodeFitsTexts, DecodeOptics}) {
        const ReadOutcome outcome = part(in, s);
        if (outcome != ReadOutcome::Complete) return outcome;
    }
    return ReadOutcome::Complete;
}

// Up to one record's bytes of a regular file. Opened without blocking and refused unless it
// is a regular file, so that a pipe or device in the file's place cannot hang or feed the
// program; false when it cannot be read at all.
bool ReadSettingsBytes(const fs::path& path, std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    bytes.assign(kSettingsFileBytes, 0);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return true;
}

// The folder part of a program path ("c:\autosave" for "c:\autosave\Vexa_Q4.ini").
std::string ProgramFolderOf(const std::string& programPath) {
    const size_t cut = programPath.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : programPath.substr(0, cut);
}

}  // namespace

std::array<uint8_t, kSettingsFileBytes> EncodeSettings(const PersistentSettings& p) {
    std::array<uint8_t, kSettingsFileBytes> bytes{};
    RecordWriter out(bytes);
    out.Int16(static_cast<int16_t>(p.autosaveNumber));
    out.Int16(p.hoursToUT);
    out.Flag(p.fast_par, 'y', 'n');
    out.Int16(p.legacyReadMode);
    out.Int16(p.guideStarMaskRadius);
    out.Int16(p.delayAdjustment);
    out.Byte(static_cast<uint8_t>(p.backgroundChoice));
    out.Flag(p.focusDelay, '1', '0');
    out.Int16(WrittenAs(p.raPixelsPerSecond, kRaWrittenAsWhenLarge));
    out.Int16(WrittenAs(p.decPixelsPerSecond, kRaWrittenAsWhenLarge));
    out.Int16(WrittenAs(p.raBacklash, kRaWrittenAsWhenLarge));
    out.Int16(WrittenAs(p.decBacklash, kDecBacklashWrittenAsWhenLarge));
    out.Flag(p.ignoreSmallDrift, '1', '0');
    out.Byte(static_cast<uint8_t>(TelescopeTypeLetter(p.telescopeType)));
    out.Flag(p.disableInterruptsDuringDownload, '1', '0');
    out.Int16(WrittenAs(p.raHysteresis, kRaWrittenAsWhenLarge));
    out.Int16(WrittenAs(p.decHysteresis, kRaWrittenAsWhenLarge));
    for (char letter : p.driveDirections) out.Byte(static_cast<uint8_t>(letter));
    out.Flag(p.autoWeakStretch, 'y', 'n');
    out.Flag(p.autoStrongStretch, 'y', 'n');
    out.Flag(p.autoUserStretch, 'y', 'n');
    out.Int16(p.autoUserStretchLevel);
    out.Flag(p.autoHighPass, 'y', 'n');
    out.Flag(p.autoUnsharp, 'y', 'n');
    out.Int16(p.autoUnsharpDiameter);
    out.Int16(p.autoUnsharpPower);
    out.Flag(p.autoRemoveBackground, 'y', 'n');
    out.Flag(p.fastParExtra, 'y', 'n');
    out.Card(kObjectPrefix, p.fitsObject);
    out.Card(kTelescopePrefix, p.fitsTelescope);
    out.Card(kInstrumentPrefix, p.fitsInstrument);
    out.Card(kObserverPrefix, p.fitsObserver);
    out.Card(kOriginPrefix, p.fitsOrigin);
    out.LongText(kHistoryPrefix, p.fitsHistory);
    out.LongText(kCommentPrefix, p.fitsComment);
    out.Card(kFilterPrefix, p.fitsFilter);
    out.Real(p.apertureSquareInches);
    out.Real(p.focalLengthInches);
    out.Flag(p.unsignedIntFits, 'y', 'n');
    out.Flag(p.showInterfaceDetails, 'y', 'n');
    return bytes;
}

int16_t SaveSettings(const std::string& programPath) {
    const auto bytes = EncodeSettings(Session().settings);
    return WriteFileSafely(HostPath(programPath), {bytes}) ? 0 : kSaveFailed;
}

int16_t LoadSettings(const std::string& programPath) {
    const std::string programFolder = ProgramFolderOf(programPath);
    if (!programFolder.empty()) {
        const fs::path folder = HostPath(programFolder);
        std::error_code ec;
        // A new folder means a first start: it gets the current (default) settings.
        if (!fs::exists(folder, ec) && fs::create_directories(folder, ec) && !ec)
            return SaveSettings(programPath);
    }

    std::vector<uint8_t> bytes;
    if (!ReadSettingsBytes(HostPath(programPath), bytes)) return kLoadFailed;

    switch (DecodeSettings(bytes, Session())) {
        case ReadOutcome::Complete:
            return 0;
        case ReadOutcome::Short:
            return kLoadFailed;
        case ReadOutcome::Invalid:
            break;
    }
    return SaveSettings(programPath);
}

std::tm UtTimeOf(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    // The local wall-clock reading taken as a UTC count, shifted, then broken down again.
    const std::time_t shifted =
        timegm(&local) + static_cast<std::time_t>(Session().settings.hoursToUT) * 3600;
    std::tm ut{};
    gmtime_r(&shifted, &ut);
    return ut;
}

}  // namespace vexa
