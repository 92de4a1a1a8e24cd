// The program's FITS files: a fixed header of 72 cards (two 2,880-byte blocks) carrying the
// session's FITS details and processing history, then the image as big-endian 16-bit (or
// 8-bit) samples and a zero trailer. The reader checks fixed columns, not keywords.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "session/session_state.h"

namespace vexa {

constexpr int kFitsCardBytes = 80;
constexpr int kFitsHeaderCards = 72;
constexpr int kFitsHeaderBytes = kFitsCardBytes * kFitsHeaderCards;  // 5,760
constexpr int kFitsSixteenBitTrailerBytes = 2400;
constexpr int kFitsEightBitTrailerBytes = 1600;
constexpr int kFitsTextPieceChars = 68;  // one HISTORY or COMMENT piece of the long texts
constexpr int kFitsTextPieces = 4;
constexpr int kFitsValueColumn = 12;   // texts start after "KEYWORD = '"
constexpr int kFitsNumberColumn = 14;  // numbers are read from columns 14 to 29
constexpr int kFitsNumberReadChars = 16;

// Capacities of the FITS details, in characters.
constexpr size_t kFitsShortTextChars = 68;
constexpr size_t kFitsDateChars = 9;
constexpr size_t kFitsTimeChars = 11;
constexpr size_t kFitsLongTextChars = 255;
constexpr size_t kFitsLastPieceChars = 51;  // what the fourth piece holds of 255 characters

constexpr const char* kDefaultInstrument = "Corvane CCD";
constexpr const char* kDefaultFilter = "None";

// The whole file for a geometry: header, samples, trailer.
constexpr int64_t FitsFileBytes(int width, int height, bool eightBit) {
    return kFitsHeaderBytes + static_cast<int64_t>(width) * height * (eightBit ? 1 : 2) +
           (eightBit ? kFitsEightBitTrailerBytes : kFitsSixteenBitTrailerBytes);
}
constexpr int64_t kHalfFitsFileBytes = FitsFileBytes(kHalfWidth, kHalfHeight, false);
constexpr int64_t kFullFitsFileBytes = FitsFileBytes(kFullWidth, kFullHeight, false);
static_assert(kHalfFitsFileBytes == 677660 && kFullFitsFileBytes == 2686160);

// The texts and numbers the FITS header carries (fields of the session record).
struct FitsDetails {
    std::string object;
    std::string telescope;
    std::string instrument = kDefaultInstrument;
    std::string observer;
    std::string origin;
    std::string date;
    std::string time;
    std::string history;  // up to 255 characters, four HISTORY cards
    std::string comment;  // up to 255 characters, four COMMENT cards
    std::string filter = kDefaultFilter;
    double exposureSeconds = 0.0;
    double focalLengthInches = 0.0;
    double apertureSquareInches = 0.0;
    double pixelWidth = 0.0074;
    double pixelHeight = 0.0074;
    bool unsignedIntFits = false;  // off: BZERO 32768, samples stored less 32,768; on: BZERO 0
};
using HistoryLines = std::array<std::array<char, kHistoryLineBytes>, kHistoryEntries>;

// The details as the session holds them, and back.
FitsDetails SessionFitsDetails();
void StoreFitsDetails(const FitsDetails& details);

// Empty the object, observer, telescope, date, time, comment and history texts; instrument
// "Corvane CCD", filter "None"; exposure, focal length and aperture 0; empty the 15
// processing-history lines. Origin, pixel sizes, hoursToUT and both format flags stay.
void ResetFitsDetails();

// "    %11.10E" without regard to the process locale: four blanks, then the value with one
// digit, a point, ten decimals, "E", a sign and at least two exponent digits.
std::string FormatFitsNumber(double value);
// A decimal number in text as the header stores it (leading blanks and a "+" allowed,
// anything after the number ignored); false when it does not start with a number.
bool ParseFitsNumber(std::string_view text, double& value);

// The 72 header cards for an image of the given size.
std::array<char, kFitsHeaderBytes> BuildFitsHeader(const FitsDetails& details,
                                                   const HistoryLines& history, bool eightBit,
                                                   int width, int height);

// The whole file: header, samples (rows top down, stride width) and trailer, laid out in the
// file routines' shared buffer (valid until the next file operation); empty for a size that
// no image has.
std::span<const uint8_t> BuildFitsFile(const uint16_t* samples, int width, int height,
                                       const FitsDetails& details, const HistoryLines& history,
                                       bool eightBit);
// Write header, samples (rows top down, stride width) and trailer to a host path through the
// safe writer; false when the file could not be written (an older file stays as it was).
bool WriteFitsFileTo(const std::filesystem::path& hostPath, const uint16_t* samples, int width,
                     int height, const FitsDetails& details, const HistoryLines& history,
                     bool eightBit);
// The session's form: a name as the file routines take it (see ResolveUserPath), the image in
// the session's geometry, the session's details and history.
bool WriteFitsFile(const std::string& name, const Plane& image, bool eightBit);

enum class FitsReadResult { Ok, IoFailure, NotThisProgram };

// Read a file written by this program for the session's geometry. On Ok the samples are in
// destination and the details, history lines and unsignedIntFits in the session. On failure
// neither the destination nor the session is touched: the header is taken whole or not at
// all, and the samples only after every read succeeded.
FitsReadResult ReadFitsFileFrom(const std::filesystem::path& hostPath, Plane& destination);
FitsReadResult ReadFitsFile(const std::string& name, Plane& destination);

}  // namespace vexa
