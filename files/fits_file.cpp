#include "files/fits_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "files/file_names.h"
#include "session/history_lines.h"
#include "session/safe_file_writer.h"

namespace vexa {

namespace fs = std::filesystem;

namespace {

// Card numbers (from 1) of the fixed layout.
constexpr int kBitpixCard = 2;
constexpr int kNaxisCard = 3;
constexpr int kNaxis1Card = 4;
constexpr int kNaxis2Card = 5;
constexpr int kFirstTextCard = 6;  // OBJECT ... TIME-OBS
constexpr int kFirstHistoryLineCard = 13;
constexpr int kFirstHistoryTextCard = 28;
constexpr int kFirstCommentTextCard = 32;
constexpr int kBzeroCard = 36;
constexpr int kPixelWidthCard = 38;
constexpr int kPixelHeightCard = 39;
constexpr int kExposureCard = 41;
constexpr int kFocalLengthCard = 42;
constexpr int kApertureCard = 43;
constexpr int kFilterCard = 44;

constexpr const char* kSimple = "SIMPLE  =                    T /";
constexpr const char* kBitpix16 = "BITPIX  =                   16 /";
constexpr const char* kBitpix8 = "BITPIX  =                    8 /";
constexpr const char* kNaxis = "NAXIS   =                    2 /";
constexpr const char* kNaxis1Full = "NAXIS1  =                 1300 /";
constexpr const char* kNaxis1Half = "NAXIS1  =                  650 /";
constexpr const char* kNaxis2Full = "NAXIS2  =                 1030 /";
constexpr const char* kNaxis2Half = "NAXIS2  =                  515 /";
constexpr const char* kObjectKey = "OBJECT  = '";
constexpr const char* kTelescopeKey = "TELESCOP= '";
constexpr const char* kInstrumentKey = "INSTRUME= '";
constexpr const char* kObserverKey = "OBSERVER= '";
constexpr const char* kOriginKey = "ORIGIN  = '";
constexpr const char* kDateKey = "DATE-OBS= '";
constexpr const char* kTimeKey = "TIME-OBS= '";
constexpr const char* kHistoryKey = "HISTORY = '";
constexpr const char* kCommentKey = "COMMENT = '";
constexpr const char* kBzeroUnsigned = "BZERO   =   +0.0000000000E+00";
constexpr const char* kBzeroSigned = "BZERO   =   +3.2768000000E+04";
constexpr const char* kBscale = "BSCALE  =   +1.0000000000E+00";
constexpr const char* kPixelWidthKey = "PIXWIDTH=";
constexpr const char* kPixelHeightKey = "PIXHEIGH=";
constexpr const char* kSaturate = "SATURATE=                65535";
constexpr const char* kExposureKey = "EXPTIME =";
constexpr const char* kFocalLengthKey = "FOCALLEN=";
constexpr const char* kApertureKey = "APERTURE=";
constexpr const char* kFilterKey = "FILTER  = '";
constexpr const char* kEnd = "END";

constexpr size_t kBzeroCompareChars = 29;
constexpr size_t kValueOffset = kFitsValueColumn - 1;
constexpr size_t kValueRoomChars = kFitsCardBytes - kValueOffset - 1;  // 68 before the quote
constexpr uint16_t kSignedOffset = 32768;
constexpr size_t kFitsBufferWords = static_cast<size_t>(kFullFitsFileBytes) / 2;
constexpr size_t kHeaderWords = kFitsHeaderBytes / 2;

// One buffer for a whole file of the largest size, allocated once: the writers prepare the
// complete file in it and the reader takes the file into it. 16-bit words keep the samples
// aligned for the byte swap.
std::vector<uint16_t>& FileBuffer() {
    static auto* buffer = new std::vector<uint16_t>(kFitsBufferWords);
    return *buffer;
}

// A FITS header holds printable ASCII only; anything else (line breaks of a multi-line edit,
// bytes of other character sets) becomes a blank.
char Printable(char c) {
    return (c >= ' ' && c <= '~') ? c : ' ';
}

class CardWriter {
  public:
    explicit CardWriter(std::array<char, kFitsHeaderBytes>& header) : header_(header) {
        header_.fill(' ');
    }

    // The template text from column 1 and what follows it; the rest stays blank.
    void Plain(std::string_view text) {
        char* c = Next();
        std::copy_n(text.begin(), std::min<size_t>(text.size(), kFitsCardBytes), c);
    }

    // "KEY     = '" value "'" for a value card. A quote inside the value is doubled as FITS
    // asks; the value is cut where the closing quote would pass column 80.
    void Value(std::string_view key, std::string_view value) {
        char* c = Next();
        size_t at = std::min<size_t>(key.size(), kFitsCardBytes - 1);
        std::copy_n(key.begin(), at, c);
        const size_t limit = kFitsCardBytes - 1;  // room left for the closing quote
        for (char ch : value) {
            const size_t width = ch == '\'' ? 2 : 1;
            if (at + width > limit) break;
            c[at++] = Printable(ch);
            if (ch == '\'') c[at++] = '\'';
        }
        c[at] = '\'';
    }

    // "HISTORY = '" or "COMMENT = '" with a commentary text: these keywords carry free text,
    // so nothing is doubled; the closing quote follows the text.
    void Commentary(std::string_view key, std::string_view text) {
        char* c = Next();
        size_t at = std::min<size_t>(key.size(), kFitsCardBytes - 1);
        std::copy_n(key.begin(), at, c);
        for (char ch : text.substr(0, kValueRoomChars)) c[at++] = Printable(ch);
        c[at] = '\'';
    }

    // Piece k of a long text, blank-padded to 68 characters, quote in column 80.
    void Piece(std::string_view key, std::string_view text, int piece) {
        const size_t from = static_cast<size_t>(piece) * kFitsTextPieceChars;
        std::string_view part =
            from < text.size() ? text.substr(from, kFitsTextPieceChars) : std::string_view();
        char* c = Next();
        std::copy_n(key.begin(), std::min<size_t>(key.size(), kValueOffset), c);
        for (size_t i = 0; i < part.size(); ++i) c[kValueOffset + i] = Printable(part[i]);
        c[kFitsCardBytes - 1] = '\'';
    }

    void Number(std::string_view key, double value) {
        char* c = Next();
        const std::string text = std::string(key) + FormatFitsNumber(value);
        std::copy_n(text.begin(), std::min<size_t>(text.size(), kFitsCardBytes), c);
    }

    void Blank() { Next(); }
    int Written() const { return next_; }

  private:
    char* Next() { return header_.data() + static_cast<size_t>(kFitsCardBytes) * next_++; }

    std::array<char, kFitsHeaderBytes>& header_;
    int next_ = 0;
};

// ---- reading ----

const char* CardAt(const uint8_t* file, int card) {
    return reinterpret_cast<const char*>(file) + static_cast<size_t>(card - 1) * kFitsCardBytes;
}

char Column(const char* card, int column) {
    return card[column - 1];
}

bool OneOf(char c, std::string_view allowed) {
    return allowed.find(c) != std::string_view::npos;
}

// The text from column 12 up to the first quote (at most 69 characters), cut to capacity.
std::string CardValue(const char* card, size_t capacity) {
    const char* start = card + kValueOffset;
    const size_t room = kFitsCardBytes - kValueOffset;
    const void* quote = std::memchr(start, '\'', room);
    const size_t length =
        quote ? static_cast<size_t>(static_cast<const char*>(quote) - start) : room;
    return std::string(start, std::min(length, capacity));
}

// The history or comment text: three values joined, then at most 51 characters of the
// fourth, within 255 characters.
std::string LongText(const uint8_t* file, int firstCard) {
    std::string text;
    for (int k = 0; k < kFitsTextPieces - 1; ++k) {
        text += CardValue(CardAt(file, firstCard + k), kFitsCardBytes);
    }
    text += CardValue(CardAt(file, firstCard + kFitsTextPieces - 1), kFitsLastPieceChars);
    if (text.size() > kFitsLongTextChars) text.resize(kFitsLongTextChars);
    return text;
}

void ReadNumber(const uint8_t* file, int card, double& field) {
    double value = 0.0;
    const char* c = CardAt(file, card);
    if (ParseFitsNumber(std::string_view(c + kFitsNumberColumn - 1, kFitsNumberReadChars), value)) {
        field = value;
    }
}

// Read up to size bytes; the count actually read (short at end of file or on an error).
size_t ReadUpTo(int fd, uint8_t* into, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, into + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

constexpr uint16_t Swap(uint16_t v) {
    return static_cast<uint16_t>((v << 8) | (v >> 8));
}

// Big-endian words from samples: a plain loop the compiler turns into vector shuffles.
void ToBigEndian(const uint16_t* samples, uint16_t* out, size_t count, uint16_t flip) {
    if constexpr (std::endian::native == std::endian::little) {
        for (size_t i = 0; i < count; ++i) out[i] = Swap(static_cast<uint16_t>(samples[i] ^ flip));
    } else {
        for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint16_t>(samples[i] ^ flip);
    }
}

void FromBigEndian(const uint16_t* words, uint16_t* samples, size_t count, uint16_t offset) {
    if constexpr (std::endian::native == std::endian::little) {
        for (size_t i = 0; i < count; ++i)
            samples[i] = static_cast<uint16_t>(Swap(words[i]) + offset);
    } else {
        for (size_t i = 0; i < count; ++i) samples[i] = static_cast<uint16_t>(words[i] + offset);
    }
}

}  // namespace

FitsDetails SessionFitsDetails() {
    const SessionState& s = Session();
    const PersistentSettings& p = s.settings;
    FitsDetails d;
    d.object = p.fitsObject;
    d.telescope = p.fitsTelescope;
    d.instrument = p.fitsInstrument;
    d.observer = p.fitsObserver;
    d.origin = p.fitsOrigin;
    d.date = s.fitsDate;
    d.time = s.fitsTime;
    d.history = p.fitsHistory;
    d.comment = p.fitsComment;
    d.filter = p.fitsFilter;
    d.exposureSeconds = s.exposureSeconds;
    d.focalLengthInches = p.focalLengthInches;
    d.apertureSquareInches = p.apertureSquareInches;
    d.pixelWidth = s.pixelWidth;
    d.pixelHeight = s.pixelHeight;
    d.unsignedIntFits = p.unsignedIntFits;
    return d;
}

void StoreFitsDetails(const FitsDetails& d) {
    SessionState& s = Session();
    PersistentSettings& p = s.settings;
    p.fitsObject = d.object;
    p.fitsTelescope = d.telescope;
    p.fitsInstrument = d.instrument;
    p.fitsObserver = d.observer;
    p.fitsOrigin = d.origin;
    s.fitsDate = d.date;
    s.fitsTime = d.time;
    p.fitsHistory = d.history;
    p.fitsComment = d.comment;
    p.fitsFilter = d.filter;
    s.exposureSeconds = d.exposureSeconds;
    p.focalLengthInches = d.focalLengthInches;
    p.apertureSquareInches = d.apertureSquareInches;
    s.pixelWidth = d.pixelWidth;
    s.pixelHeight = d.pixelHeight;
    p.unsignedIntFits = d.unsignedIntFits;
}

void ResetFitsDetails() {
    SessionState& s = Session();
    PersistentSettings& p = s.settings;
    p.fitsObject.clear();
    p.fitsObserver.clear();
    p.fitsTelescope.clear();
    s.fitsDate.clear();
    s.fitsTime.clear();
    p.fitsComment.clear();
    p.fitsHistory.clear();
    p.fitsInstrument = kDefaultInstrument;
    p.fitsFilter = kDefaultFilter;
    s.exposureSeconds = 0.0;
    p.focalLengthInches = 0.0;
    p.apertureSquareInches = 0.0;
    ClearHistory();
}

std::string FormatFitsNumber(double value) {
    constexpr int kDecimals = 10;
    constexpr size_t kMinWidth = 11;
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value,
                                      std::chars_format::scientific, kDecimals);
    std::string text(digits, result.ptr);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (text.size() < kMinWidth) text.insert(0, kMinWidth - text.size(), ' ');
    return "    " + text;
}

bool ParseFitsNumber(std::string_view text, double& value) {
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    if (at < text.size() && text[at] == '+') ++at;
    if (at >= text.size()) return false;
    if (at > 0 && text[at - 1] == '+' && text[at] == '-') return false;
    double parsed = 0.0;
    const auto result = std::from_chars(text.data() + at, text.data() + text.size(), parsed,
                                        std::chars_format::general);
    if (result.ec != std::errc()) return false;
    value = parsed;
    return true;
}

std::array<char, kFitsHeaderBytes> BuildFitsHeader(const FitsDetails& d,
                                                   const HistoryLines& history, bool eightBit,
                                                   int width, int height) {
    std::array<char, kFitsHeaderBytes> header;
    CardWriter w(header);
    const bool half = width == kHalfWidth && height == kHalfHeight;
    w.Plain(kSimple);
    w.Plain(eightBit ? kBitpix8 : kBitpix16);
    w.Plain(kNaxis);
    w.Plain(half ? kNaxis1Half : kNaxis1Full);
    w.Plain(half ? kNaxis2Half : kNaxis2Full);
    w.Value(kObjectKey, d.object);
    w.Value(kTelescopeKey, d.telescope);
    w.Value(kInstrumentKey, d.instrument);
    w.Value(kObserverKey, d.observer);
    w.Value(kOriginKey, d.origin);
    w.Value(kDateKey, d.date);
    w.Value(kTimeKey, d.time);
    for (const auto& line : history) {
        w.Commentary(kHistoryKey, std::string_view(line.data(), strnlen(line.data(), line.size())));
    }
    for (int k = 0; k < kFitsTextPieces; ++k) w.Piece(kHistoryKey, d.history, k);
    for (int k = 0; k < kFitsTextPieces; ++k) w.Piece(kCommentKey, d.comment, k);
    w.Plain(d.unsignedIntFits ? kBzeroUnsigned : kBzeroSigned);
    w.Plain(kBscale);
    w.Number(kPixelWidthKey, d.pixelWidth);
    w.Number(kPixelHeightKey, d.pixelHeight);
    w.Plain(kSaturate);
    w.Number(kExposureKey, d.exposureSeconds);
    w.Number(kFocalLengthKey, d.focalLengthInches);
    w.Number(kApertureKey, d.apertureSquareInches);
    w.Value(kFilterKey, d.filter);
    w.Plain(kEnd);
    while (w.Written() < kFitsHeaderCards) w.Blank();
    return header;
}

std::span<const uint8_t> BuildFitsFile(const uint16_t* samples, int width, int height,
                                       const FitsDetails& details, const HistoryLines& history,
                                       bool eightBit) {
    if (samples == nullptr || width <= 0 || height <= 0 ||
        static_cast<int64_t>(width) * height > kFullSampleCount) {
        return {};
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint16_t>& buffer = FileBuffer();
    auto* bytes = reinterpret_cast<uint8_t*>(buffer.data());
    const auto header = BuildFitsHeader(details, history, eightBit, width, height);
    std::memcpy(bytes, header.data(), header.size());

    size_t dataBytes = 0;
    size_t trailerBytes = 0;
    if (eightBit) {
        uint8_t* out = bytes + kFitsHeaderBytes;
        for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(samples[i] >> 8);
        dataBytes = count;
        trailerBytes = kFitsEightBitTrailerBytes;
    } else {
        // With BZERO 32768 the stored value is the sample less 32,768 modulo 65,536, which is
        // the sample with its top bit flipped.
        const uint16_t flip = details.unsignedIntFits ? 0 : kSignedOffset;
        ToBigEndian(samples, buffer.data() + kHeaderWords, count, flip);
        dataBytes = count * 2;
        trailerBytes = kFitsSixteenBitTrailerBytes;
    }
    std::memset(bytes + kFitsHeaderBytes + dataBytes, 0, trailerBytes);
    return {bytes, kFitsHeaderBytes + dataBytes + trailerBytes};
}

bool WriteFitsFileTo(const fs::path& hostPath, const uint16_t* samples, int width, int height,
                     const FitsDetails& details, const HistoryLines& history, bool eightBit) {
    const std::span<const uint8_t> file =
        BuildFitsFile(samples, width, height, details, history, eightBit);
    return !file.empty() && WriteFileSafely(hostPath, {file});
}

bool WriteFitsFile(const std::string& name, const Plane& image, bool eightBit) {
    const SessionState& s = Session();
    return WriteFitsFileTo(ResolveUserPath(name, false), image.data(), s.geometry.width,
                           s.geometry.height, SessionFitsDetails(), s.historyLines, eightBit);
}

FitsReadResult ReadFitsFileFrom(const fs::path& hostPath, Plane& destination) {
    const SessionState& session = Session();
    const int width = session.geometry.width;
    const int height = session.geometry.height;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (hostPath.empty() || count > static_cast<size_t>(kFullSampleCount)) {
        return FitsReadResult::IoFailure;
    }
    // Non-blocking so that a pipe or device name cannot hang the program; only regular files
    // are read.
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FitsReadResult::IoFailure;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FitsReadResult::IoFailure;
    }
    std::vector<uint16_t>& buffer = FileBuffer();
    auto* file = reinterpret_cast<uint8_t*>(buffer.data());
    const size_t wanted = kFitsHeaderBytes + count * 2;
    const size_t got = ReadUpTo(fd, file, wanted);
    ::close(fd);

    // The checks run in card order, so a file that ends early fails as an input failure at
    // the first card it lacks, and a foreign card before that is reported as foreign.
    auto has = [&](int card) { return got >= static_cast<size_t>(card) * kFitsCardBytes; };
    if (!has(kBitpixCard)) return FitsReadResult::IoFailure;
    const char* bitpix = CardAt(file, kBitpixCard);
    if (Column(bitpix, 29) != '1' || Column(bitpix, 30) != '6')
        return FitsReadResult::NotThisProgram;
    if (!has(kNaxisCard)) return FitsReadResult::IoFailure;
    if (Column(CardAt(file, kNaxisCard), 30) != '2') return FitsReadResult::NotThisProgram;
    if (!has(kNaxis1Card)) return FitsReadResult::IoFailure;
    const char* naxis1 = CardAt(file, kNaxis1Card);
    if (!OneOf(Column(naxis1, 28), "63") || !OneOf(Column(naxis1, 29), "50") ||
        Column(naxis1, 30) != '0') {
        return FitsReadResult::NotThisProgram;
    }
    if (!has(kNaxis2Card)) return FitsReadResult::IoFailure;
    const char* naxis2 = CardAt(file, kNaxis2Card);
    if (!OneOf(Column(naxis2, 28), "50") || !OneOf(Column(naxis2, 29), "13") ||
        !OneOf(Column(naxis2, 30), "50")) {
        return FitsReadResult::NotThisProgram;
    }
    // Every further card and the samples must be there.
    if (got < wanted) return FitsReadResult::IoFailure;

    FitsDetails d = SessionFitsDetails();
    std::string* texts[] = {&d.object, &d.telescope, &d.instrument, &d.observer,
                            &d.origin, &d.date,      &d.time};
    const size_t capacities[] = {kFitsShortTextChars, kFitsShortTextChars, kFitsShortTextChars,
                                 kFitsShortTextChars, kFitsShortTextChars, kFitsDateChars,
                                 kFitsTimeChars};
    for (int k = 0; k < 7; ++k)
        *texts[k] = CardValue(CardAt(file, kFirstTextCard + k), capacities[k]);
    HistoryLines lines{};
    for (int k = 0; k < kHistoryEntries; ++k) {
        const std::string line =
            CardValue(CardAt(file, kFirstHistoryLineCard + k), kHistoryLineBytes - 1);
        std::copy(line.begin(), line.end(), lines[k].begin());
    }
    d.history = LongText(file, kFirstHistoryTextCard);
    d.comment = LongText(file, kFirstCommentTextCard);
    d.unsignedIntFits =
        std::string_view(CardAt(file, kBzeroCard), kBzeroCompareChars) == kBzeroUnsigned;
    ReadNumber(file, kPixelWidthCard, d.pixelWidth);
    ReadNumber(file, kPixelHeightCard, d.pixelHeight);
    ReadNumber(file, kExposureCard, d.exposureSeconds);
    ReadNumber(file, kFocalLengthCard, d.focalLengthInches);
    ReadNumber(file, kApertureCard, d.apertureSquareInches);
    d.filter = CardValue(CardAt(file, kFilterCard), kFitsShortTextChars);

    const uint16_t offset = d.unsignedIntFits ? 0 : kSignedOffset;
    FromBigEndian(buffer.data() + kHeaderWords, destination.data(), count, offset);
    StoreFitsDetails(d);
    Session().historyLines = lines;
    return FitsReadResult::Ok;
}

FitsReadResult ReadFitsFile(const std::string& name, Plane& destination) {
    return ReadFitsFileFrom(ResolveUserPath(name, true), destination);
}

}  // namespace vexa
