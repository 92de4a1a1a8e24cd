#include "files/foreign_fits.h"

#include <fitsio.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include "files/autosave.h"
#include "files/fits_file.h"
#include "session/session_state.h"

namespace vexa {

namespace {

constexpr int kImageAxes = 2;
constexpr int kAxesAsked = 9;  // enough to see that a unit has more than two axes
constexpr int kMaxSample = 65535;
constexpr int kRowsPerRead = 64;
constexpr size_t kHistoryTextChars = kHistoryLineBytes - 1;
constexpr std::string_view kFitsStart = "SIMPLE  =";  // the first card of every FITS file
constexpr std::string_view kHistoryKeyword = "HISTORY";
constexpr size_t kKeywordChars = 8;  // commentary text starts in column 9
constexpr std::string_view kQuotedValueStart = "= '";
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2099;
constexpr int kFirstStampYear = 1970;
constexpr int kYear2000 = 2000;
constexpr int kHoursPerDay = 24;
constexpr int kMinutesPerHour = 60;
constexpr int kSecondsPerMinute = 60;  // a leap second (60) is accepted too

// The image geometries a foreign file may have.
bool IsImageGeometry(long long width, long long height) {
    return (width == kFullWidth && height == kFullHeight) ||
           (width == kHalfWidth && height == kHalfHeight);
}

// Keeps the cfitsio file open for one decode. cfitsio's error-message stack is emptied on
// the way out, so that failed decodes leave nothing behind.
class OpenFits {
  public:
    explicit OpenFits(std::span<const uint8_t> file)
        : buffer_(const_cast<uint8_t*>(file.data())), bufferBytes_(file.size()) {
        // cfitsio asks for a writable pointer but leaves a read-only memory file untouched;
        // it keeps the addresses of buffer_ and bufferBytes_ while the file is open.
        int status = 0;
        if (fits_open_memfile(&fits_, "foreign.fits", READONLY, &buffer_, &bufferBytes_, 0, nullptr,
                              &status) != 0) {
            fits_ = nullptr;
        }
    }
    ~OpenFits() {
        int status = 0;
        if (fits_ != nullptr) fits_close_file(fits_, &status);
        fits_clear_errmsg();
    }
    OpenFits(const OpenFits&) = delete;
    OpenFits& operator=(const OpenFits&) = delete;

    fitsfile* get() const { return fits_; }

  private:
    void* buffer_;
    size_t bufferBytes_;
    fitsfile* fits_ = nullptr;
};

struct ImageShape {
    int bitpix = 0;
    int axes = 0;
    std::array<long long, kAxesAsked> lengths{};
};

bool ReadShape(fitsfile* f, ImageShape& shape) {
    int status = 0;
    fits_get_img_paramll(f, kAxesAsked, &shape.bitpix, &shape.axes, shape.lengths.data(), &status);
    return status == 0;
}

bool IsImageUnit(fitsfile* f) {
    int type = 0, status = 0;
    return fits_get_hdu_type(f, &type, &status) == 0 && type == IMAGE_HDU;
}

// The unit that holds the image: the primary one when it has axes, else the first image
// extension after it (cfitsio shows tile-compressed images as image units). Its number
// (from 1), or 0 when there is none.
int FindImageUnit(fitsfile* f, ImageShape& shape) {
    if (!ReadShape(f, shape)) return 0;
    if (shape.axes != 0) return 1;
    for (int unit = 2;; ++unit) {
        int type = 0, status = 0;
        // Moving on reads the next header; a unit damaged or cut off ends the search.
        if (fits_movabs_hdu(f, unit, &type, &status) != 0) return 0;
        if (IsImageUnit(f)) return ReadShape(f, shape) ? unit : 0;
    }
}

// cfitsio sizes its buffers for a tile-compressed image from the tile size the header
// gives (ZTILEn); tiles larger than the image are refused so that no header asks for more.
bool TilesFitTheImage(fitsfile* f, const ImageShape& shape) {
    int status = 0;
    if (!fits_is_compressed_image(f, &status)) return status == 0;
    for (int axis = 0; axis < kImageAxes; ++axis) {
        char key[FLEN_KEYWORD];
        std::snprintf(key, sizeof key, "ZTILE%d", axis + 1);
        long long tile = 0;
        status = 0;
        if (fits_read_key(f, TLONGLONG, key, &tile, nullptr, &status) != 0) {
            continue;  // cfitsio's default tiles are rows of the image
        }
        if (tile < 1 || tile > shape.lengths[static_cast<size_t>(axis)]) return false;
    }
    return true;
}

// cfitsio reads a unit whose data the file lacks as if the missing bytes were there, so the
// unit's data, as its own header sizes it, must lie inside the file: |BITPIX| / 8 x GCOUNT x
// (PCOUNT + the product of the axes), which for a tile-compressed image is the table with its
// heap of compressed tiles.
bool DataLiesInside(fitsfile* f, size_t fileBytes) {
    long long bitpix = 0, axes = 0, pcount = 0, gcount = 1;
    int status = 0;
    if (fits_read_key(f, TLONGLONG, "BITPIX", &bitpix, nullptr, &status) != 0 ||
        fits_read_key(f, TLONGLONG, "NAXIS", &axes, nullptr, &status) != 0) {
        return false;
    }
    if (fits_read_key(f, TLONGLONG, "PCOUNT", &pcount, nullptr, &status) == KEY_NO_EXIST) {
        status = 0;
    }
    if (fits_read_key(f, TLONGLONG, "GCOUNT", &gcount, nullptr, &status) == KEY_NO_EXIST) {
        status = 0;
        gcount = 1;
    }
    if (status != 0 || axes < 0 || axes > kAxesAsked || pcount < 0 || gcount < 0) return false;
    // Every factor is checked against the file size before it is multiplied in, so nothing
    // overflows.
    const auto limit = static_cast<long long>(fileBytes);
    long long elements = axes == 0 ? 0 : 1;
    for (int axis = 1; axis <= axes; ++axis) {
        char key[FLEN_KEYWORD];
        std::snprintf(key, sizeof key, "NAXIS%d", axis);
        long long length = 0;
        if (fits_read_key(f, TLONGLONG, key, &length, nullptr, &status) != 0 || length < 0 ||
            length > limit) {
            return false;
        }
        elements *= length;
        if (elements > limit) return false;
    }
    const long long bytesPerElement = (bitpix < 0 ? -bitpix : bitpix) / 8;
    const long long perGroup = elements + pcount;
    if (bytesPerElement > 8 || perGroup > limit || (gcount != 0 && perGroup > limit / gcount)) {
        return false;
    }
    const long long dataBytes = bytesPerElement * gcount * perGroup;
    long long headerStart = 0, dataStart = 0, dataEnd = 0;
    if (fits_get_hduaddrll(f, &headerStart, &dataStart, &dataEnd, &status) != 0) return false;
    return dataStart <= limit && dataBytes <= limit - dataStart;
}

bool IsSupportedBitpix(int bitpix) {
    return bitpix == BYTE_IMG || bitpix == SHORT_IMG || bitpix == LONG_IMG || bitpix == FLOAT_IMG ||
           bitpix == DOUBLE_IMG;
}

// A scaled value as a sample: nearest integer, halves upwards, clamped; NaN gives 0.
uint16_t SampleOf(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= kMaxSample) return kMaxSample;
    return static_cast<uint16_t>(value + 0.5);
}

std::string PrintableCut(std::string_view text, size_t capacity) {
    std::string out;
    for (char c : text) {
        if (out.size() == capacity) break;
        out += (c >= ' ' && c <= '~') ? c : ' ';
    }
    return out;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

void ReadText(fitsfile* f, const char* key, size_t capacity, std::optional<std::string>& field) {
    char value[FLEN_VALUE] = {};
    int status = 0;
    if (fits_read_key(f, TSTRING, key, value, nullptr, &status) == 0) {
        field = PrintableCut(value, capacity);
    }
}

void ReadNumber(fitsfile* f, const char* key, std::optional<double>& field) {
    double value = 0.0;
    int status = 0;
    if (fits_read_key(f, TDOUBLE, key, &value, nullptr, &status) == 0 && std::isfinite(value)) {
        field = value;
    }
}

// The values of one unit's header over those already found; HISTORY texts are added until
// fifteen cards were seen.
void ReadHeader(fitsfile* f, ForeignFitsHeader& h, int& historyCardsSeen) {
    ReadText(f, "OBJECT", kFitsShortTextChars, h.object);
    ReadText(f, "TELESCOP", kFitsShortTextChars, h.telescope);
    ReadText(f, "INSTRUME", kFitsShortTextChars, h.instrument);
    ReadText(f, "OBSERVER", kFitsShortTextChars, h.observer);
    ReadText(f, "ORIGIN", kFitsShortTextChars, h.origin);
    ReadText(f, "FILTER", kFitsShortTextChars, h.filter);
    ReadNumber(f, "EXPTIME", h.exposureSeconds);
    ReadNumber(f, "APERTURE", h.apertureSquareInches);
    ReadNumber(f, "FOCALLEN", h.focalLengthInches);

    std::optional<std::string> date, dateTime, time;
    ReadText(f, "DATE-OBS", kFitsShortTextChars, date);
    ReadText(f, "TIME-OBS", kFitsShortTextChars, time);
    if (date) {
        if (auto parsed = ForeignFitsDate(*date, dateTime)) h.date = parsed;
    }
    if (time) {
        if (auto parsed = ForeignFitsTime(*time)) dateTime = parsed;
    }
    if (dateTime) h.time = dateTime;

    int cards = 0, status = 0;
    if (fits_get_hdrspace(f, &cards, nullptr, &status) != 0) return;
    for (int k = 1; k <= cards && historyCardsSeen < kHistoryEntries; ++k) {
        char card[FLEN_CARD] = {};
        status = 0;
        if (fits_read_record(f, k, card, &status) != 0) return;
        const std::string_view text(card);
        if (!text.starts_with(kHistoryKeyword) ||
            (text.size() > kHistoryKeyword.size() && text[kHistoryKeyword.size()] != ' ')) {
            continue;
        }
        ++historyCardsSeen;
        const std::string line = PrintableCut(ForeignHistoryText(text), kHistoryTextChars);
        if (!line.empty()) h.history.push_back(line);
    }
}

// Leading digits of text as a number of at most maxDigits digits; advances text.
std::optional<int> TakeNumber(std::string_view& text, size_t minDigits, size_t maxDigits) {
    size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits < minDigits || digits > maxDigits) return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + digits, value);
    text.remove_prefix(digits);
    return value;
}

bool TakeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

bool DayMonthValid(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1) return false;
    std::tm t{};
    t.tm_year = year - kFirstYear;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 12;
    const std::time_t instant = timegm(&t);
    std::tm back{};
    gmtime_r(&instant, &back);
    return back.tm_mday == day;  // 31 April and the like roll over into the next month
}

// "HH:MM:SS[.s...]" at the start of text, as hours, minutes and whole seconds.
bool TakeTime(std::string_view& text, int& hour, int& minute, int& second) {
    const auto h = TakeNumber(text, 2, 2);
    if (!h || !TakeChar(text, ':')) return false;
    const auto m = TakeNumber(text, 2, 2);
    if (!m || !TakeChar(text, ':')) return false;
    const auto s = TakeNumber(text, 2, 2);
    if (!s) return false;
    if (TakeChar(text, '.')) {
        while (!text.empty() && std::isdigit(static_cast<unsigned char>(text.front())))
            text.remove_prefix(1);
    }
    if (*h >= kHoursPerDay || *m >= kMinutesPerHour || *s > kSecondsPerMinute) return false;
    hour = *h;
    minute = *m;
    second = *s;
    return true;
}

std::string TimeText(int hour, int minute, int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    return text;
}

}  // namespace

std::string ForeignHistoryText(std::string_view card) {
    std::string_view text = card.size() > kKeywordChars ? card.substr(kKeywordChars) : "";
    if (text.starts_with(kQuotedValueStart)) {
        text.remove_prefix(kQuotedValueStart.size());
        text = text.substr(0, text.find('\''));
    }
    return std::string(Trimmed(text));
}

std::optional<std::string> ForeignFitsTime(std::string_view value) {
    value = Trimmed(value);
    int hour = 0, minute = 0, second = 0;
    if (!TakeTime(value, hour, minute, second) || !value.empty()) return std::nullopt;
    return TimeText(hour, minute, second);
}

std::optional<std::string> ForeignFitsDate(std::string_view value,
                                           std::optional<std::string>& time) {
    value = Trimmed(value);
    const std::string_view whole = value;
    // Day/month/year with a two-digit year, the form the program writes: kept as it is.
    if (auto day = TakeNumber(value, 1, 2)) {
        if (TakeChar(value, '/')) {
            const auto month = TakeNumber(value, 1, 2);
            if (!month || !TakeChar(value, '/')) return std::nullopt;
            const auto year = TakeNumber(value, 2, 2);
            if (!year || !value.empty() || whole.size() > kFitsDateChars) return std::nullopt;
            // The autosave stamps write 1970 to 1999 as 70 to 99 and later years from 00.
            const int fullYear =
                *year < kFirstStampYear - kFirstYear ? kYear2000 + *year : kFirstYear + *year;
            if (!DayMonthValid(fullYear, *month, *day)) return std::nullopt;
            return std::string(whole);
        }
        value = whole;
    }
    // YYYY-MM-DD, optionally with THH:MM:SS[.s...].
    const auto year = TakeNumber(value, 4, 4);
    if (!year || !TakeChar(value, '-')) return std::nullopt;
    const auto month = TakeNumber(value, 2, 2);
    if (!month || !TakeChar(value, '-')) return std::nullopt;
    const auto day = TakeNumber(value, 2, 2);
    if (!day || *year < kFirstYear || *year > kLastYear || !DayMonthValid(*year, *month, *day))
        return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (TakeChar(value, 'T')) {
        if (!TakeTime(value, hour, minute, second)) return std::nullopt;
        time = TimeText(hour, minute, second);
    }
    if (!value.empty()) return std::nullopt;
    std::tm t{};
    t.tm_year = *year - kFirstYear;
    t.tm_mon = *month - 1;
    t.tm_mday = *day;
    return FitsDateOf(static_cast<int64_t>(timegm(&t)));
}

bool DecodeForeignFits(std::span<const uint8_t> file, ForeignFitsImage& image) {
    // A FITS file begins with the SIMPLE card; anything else (a gzip stream, a text file) is
    // not handed to cfitsio at all.
    if (file.size() < kFitsStart.size() ||
        std::memcmp(file.data(), kFitsStart.data(), kFitsStart.size()) != 0) {
        return false;
    }
    OpenFits open(file);
    fitsfile* f = open.get();
    if (f == nullptr) return false;

    ImageShape shape;
    const int unit = FindImageUnit(f, shape);
    if (unit == 0 || shape.axes != kImageAxes || !IsSupportedBitpix(shape.bitpix) ||
        !IsImageGeometry(shape.lengths[0], shape.lengths[1]) || !TilesFitTheImage(f, shape) ||
        !DataLiesInside(f, file.size())) {
        return false;
    }
    const int width = static_cast<int>(shape.lengths[0]);
    const int height = static_cast<int>(shape.lengths[1]);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);

    // cfitsio applies BZERO and BSCALE. Integer samples equal to BLANK come back as NaN.
    // Real ones are read unchecked, since cfitsio's check would take infinities for NaN too.
    // A few rows at a time keep the buffer of reals small.
    std::vector<uint16_t> samples(count);
    std::vector<double> values(static_cast<size_t>(width) * kRowsPerRead);
    double undefined = std::numeric_limits<double>::quiet_NaN();
    const bool reals = shape.bitpix == FLOAT_IMG || shape.bitpix == DOUBLE_IMG;
    for (int row = 0; row < height; row += kRowsPerRead) {
        const size_t n = static_cast<size_t>(width) * std::min(kRowsPerRead, height - row);
        long firstPixel[kImageAxes] = {1, row + 1};
        int anyUndefined = 0, status = 0;
        if (fits_read_pix(f, TDOUBLE, firstPixel, static_cast<LONGLONG>(n),
                          reals ? nullptr : &undefined, values.data(), &anyUndefined,
                          &status) != 0) {
            return false;
        }
        std::transform(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n),
                       samples.begin() + static_cast<std::ptrdiff_t>(row) * width, SampleOf);
    }

    ForeignFitsHeader header;
    int historyCardsSeen = 0;
    if (unit != 1) {
        // Behind an empty primary unit the descriptive keywords may sit in either header.
        int type = 0, status = 0;
        if (fits_movabs_hdu(f, 1, &type, &status) != 0) return false;
        ReadHeader(f, header, historyCardsSeen);
        if (fits_movabs_hdu(f, unit, &type, &status) != 0) return false;
    }
    ReadHeader(f, header, historyCardsSeen);

    image.width = width;
    image.height = height;
    image.samples = std::move(samples);
    image.header = std::move(header);
    return true;
}

}  // namespace vexa
