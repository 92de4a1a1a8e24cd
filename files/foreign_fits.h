// Standard FITS images written by other programs (Siril, astropy, PixInsight, DS9): a two-axis
// image of 1300 x 1030 or 650 x 515 samples in the primary unit or, behind an empty primary,
// in the first image extension (tile-compressed ones too), with the header values we keep.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// The header values a foreign file may give; a field stays empty when its keyword is missing,
// is no value of its kind, or (dates and times) does not parse. Texts are printable ASCII cut
// to the capacity of their field.
struct ForeignFitsHeader {
    std::optional<std::string> object;           // OBJECT
    std::optional<std::string> telescope;        // TELESCOP
    std::optional<std::string> instrument;       // INSTRUME
    std::optional<std::string> observer;         // OBSERVER
    std::optional<std::string> origin;           // ORIGIN
    std::optional<std::string> filter;           // FILTER
    std::optional<std::string> date;             // DATE-OBS in the program's day/month/year form
    std::optional<std::string> time;             // TIME-OBS, else the time part of DATE-OBS
    std::optional<double> exposureSeconds;       // EXPTIME
    std::optional<double> apertureSquareInches;  // APERTURE, as the file gives it
    std::optional<double> focalLengthInches;     // FOCALLEN, as the file gives it
    std::vector<std::string> history;            // up to 15 non-empty HISTORY texts
};

struct ForeignFitsImage {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> samples;  // width x height, the file's first row first
    ForeignFitsHeader header;
};

// Decode a whole FITS file held in memory, in this process (foreign_fits_load.h runs it in
// a child process for a user's file: cfitsio's tile decompressors trust their input). Samples
// of BITPIX 8, 16, 32, -32 and -64 are taken with BZERO and BSCALE applied, rounded to the
// nearest integer and clamped to 0..65535 (infinities too); NaN and integer BLANK samples
// become 0. False, with image untouched, for anything else: other sizes or axes, tables,
// damaged or truncated files.
bool DecodeForeignFits(std::span<const uint8_t> file, ForeignFitsImage& image);

// The text a HISTORY card carries from column 9: blanks trimmed, and a quoted value of the
// form = 'text' (as this program writes its history lines) unwrapped to the text before the
// first quote after the opening one.
std::string ForeignHistoryText(std::string_view card);

// DATE-OBS as the program stores it: a date already in day/month/year form with a two-digit
// year is kept; an ISO date (YYYY-MM-DD, optionally with THH:MM:SS[.s]) of 1900 to 2099 is
// rewritten as the autosave stamps write dates. time receives "HH:MM:SS" of an ISO time part.
std::optional<std::string> ForeignFitsDate(std::string_view value,
                                           std::optional<std::string>& time);
// TIME-OBS "HH:MM:SS[.s]" as "HH:MM:SS" (fractions truncated), or nothing.
std::optional<std::string> ForeignFitsTime(std::string_view value);

}  // namespace vexa
