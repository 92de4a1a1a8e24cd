#include "cli/image_commands.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <utility>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/image_output.h"
#include "files/tq_file.h"
#include "session/printable_text.h"
#include "session/session_state.h"

namespace vexa::cli {

namespace {

constexpr int kPaletteBitsMin = 12;
constexpr int kPaletteBitsMax = 16;

std::string Fixed2(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string Real(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

void PrintImageStatistics(std::ostream& out) {
    const SessionState& s = Session();
    const ImageGeometry& g = s.geometry;
    uint16_t lo = 65535, hi = 0;
    uint64_t sum = 0;
    for (int row = 0; row < g.height; ++row) {
        const uint16_t* line = s.currentImage.data() + static_cast<size_t>(row) * g.width;
        for (int col = 0; col < g.width; ++col) {
            lo = std::min(lo, line[col]);
            hi = std::max(hi, line[col]);
            sum += line[col];
        }
    }
    out << "min: " << lo << '\n'
        << "max: " << hi << '\n'
        << "mean: " << Fixed2(static_cast<double>(sum) / (double(g.width) * g.height)) << '\n';
}

void PrintFitsDetails(std::ostream& out) {
    const SessionState& s = Session();
    const PersistentSettings& p = s.settings;
    // The texts come from the file: escaped, so that a file cannot drive the terminal.
    const std::pair<const char*, const std::string*> texts[] = {
        {"fitsObject", &p.fitsObject},
        {"fitsTelescope", &p.fitsTelescope},
        {"fitsInstrument", &p.fitsInstrument},
        {"fitsObserver", &p.fitsObserver},
        {"fitsOrigin", &p.fitsOrigin},
        {"fitsDate", &s.fitsDate},
        {"fitsTime", &s.fitsTime},
        {"fitsHistory", &p.fitsHistory},
        {"fitsComment", &p.fitsComment},
        {"fitsFilter", &p.fitsFilter},
    };
    for (const auto& [name, text] : texts) out << name << ": " << EscapeBytes(*text) << '\n';
    out << "exposureSeconds: " << Real(s.exposureSeconds) << '\n'
        << "focalLengthInches: " << Real(p.focalLengthInches) << '\n'
        << "apertureSquareInches: " << Real(p.apertureSquareInches) << '\n'
        << "pixelWidth: " << Real(s.pixelWidth) << '\n'
        << "pixelHeight: " << Real(s.pixelHeight) << '\n'
        << "unsignedIntFits: " << (p.unsignedIntFits ? "true" : "false") << '\n'
        << "historyLines:\n";
    PrintHistoryLines(out);
}

}  // namespace

int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << UsageLine(kInfoSynopsis)
            << "\n\nLoads FILE (TQ raw, this program's FITS or a standard "
            << "FITS image of\n1300x1030 or 650x515) and prints its format, geometry, sample "
            << "statistics\nand, for FITS, its details.\n";
        return kExitSuccess;
    }
    if (args.size() != 1)
        return UsageError(err, "info", kInfoSynopsis, "info takes exactly one FILE");
    const bool fits = IsFitsImageFile(args[0]);
    if (!LoadImageFile(args[0])) return kExitFailure;
    const ImageGeometry& g = Session().geometry;
    out << "format: " << (fits ? "FITS" : "TQ") << '\n'
        << "geometry: " << g.width << 'x' << g.height << '\n';
    PrintImageStatistics(out);
    if (fits) PrintFitsDetails(out);
    return kExitSuccess;
}

int RunConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << UsageLine(kConvertSynopsis) << "\n\nLoads IN and writes OUT in the chosen format:\n"
            << "  --to tq|fits|fits8|tiff|bmp  TQ raw, FITS 16-bit, FITS eight-bit, TIFF, or the\n"
            << "                               whole-image view bitmap (default: the format of "
               "IN)\n"
            << "  --false-colour, --auto-contrast, --palette-stretch BITS (12 to 16)\n"
            << "                               the display options of the bitmap's colour table\n";
        return kExitSuccess;
    }
    std::vector<std::string> files;
    std::optional<OutputFormat> format;
    bool falseColour = false, autoContrast = false;
    std::optional<int> paletteBits;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--to") {
            if (i + 1 >= args.size())
                return UsageError(err, "convert", kConvertSynopsis, "--to needs a format");
            format = ParseOutputFormat(args[++i]);
            if (!format)
                return UsageError(err, "convert", kConvertSynopsis,
                                  "unknown format '" + args[i] + "'");
        } else if (a == "--false-colour") {
            falseColour = true;
        } else if (a == "--auto-contrast") {
            autoContrast = true;
        } else if (a == "--palette-stretch") {
            if (i + 1 >= args.size())
                return UsageError(err, "convert", kConvertSynopsis, "--palette-stretch needs BITS");
            const auto bits = ParseInteger(args[++i], kPaletteBitsMin, kPaletteBitsMax);
            if (!bits)
                return UsageError(err, "convert", kConvertSynopsis,
                                  "--palette-stretch takes 12 to 16");
            paletteBits = static_cast<int>(*bits);
        } else if (a.starts_with("-") && a.size() > 1) {
            return UsageError(err, "convert", kConvertSynopsis, "unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2)
        return UsageError(err, "convert", kConvertSynopsis, "convert takes IN and OUT");

    const OutputFormat inputFormat = FormatOfImageFile(files[0]);
    if (!LoadImageFile(files[0])) return kExitFailure;

    SessionState& s = Session();
    s.falseColour = falseColour;
    s.autoContrast = autoContrast;
    s.paletteStretch = paletteBits.has_value();
    if (paletteBits) s.paletteStretchBits = *paletteBits;
    return WriteImageAs(files[1], format.value_or(inputFormat)) ? kExitSuccess : kExitFailure;
}

}  // namespace vexa::cli
