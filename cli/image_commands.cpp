#include "cli/image_commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <system_error>

#include "app/display_refresh.h"
#include "app/message_catalogue.h"
#include "app/session_state.h"
#include "cli/cli_app.h"
#include "files/fits_file.h"
#include "files/tiff_file.h"
#include "files/tq_file.h"
#include "files/view_bitmap.h"

namespace vexa::cli {

namespace {

enum class OutputFormat { Tq, Fits, Fits8, Tiff, Bmp };

constexpr int16_t kCreateFileFailedCode = 29;
constexpr int kPaletteBitsMin = 12;
constexpr int kPaletteBitsMax = 16;

int Usage(std::ostream& err, const std::string& synopsis, const std::string& problem) {
    err << kProgramName << ": " << problem << '\n' << UsageLine(synopsis) << '\n';
    return kExitUsage;
}

bool WantsHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

// The kind of image file the dispatcher sees in a file, by its size; None when it has none.
ImageFileKind KindOfFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return ImageFileKind::None;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? ImageFileKind::None : ImageFileKindOfSize(static_cast<int64_t>(size));
}

bool IsFits(ImageFileKind kind) {
    return kind == ImageFileKind::FitsHalf || kind == ImageFileKind::FitsFull;
}

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
    out << "fitsObject: " << p.fitsObject << '\n'
        << "fitsTelescope: " << p.fitsTelescope << '\n'
        << "fitsInstrument: " << p.fitsInstrument << '\n'
        << "fitsObserver: " << p.fitsObserver << '\n'
        << "fitsOrigin: " << p.fitsOrigin << '\n'
        << "fitsDate: " << s.fitsDate << '\n'
        << "fitsTime: " << s.fitsTime << '\n'
        << "fitsHistory: " << p.fitsHistory << '\n'
        << "fitsComment: " << p.fitsComment << '\n'
        << "fitsFilter: " << p.fitsFilter << '\n'
        << "exposureSeconds: " << Real(s.exposureSeconds) << '\n'
        << "focalLengthInches: " << Real(p.focalLengthInches) << '\n'
        << "apertureSquareInches: " << Real(p.apertureSquareInches) << '\n'
        << "pixelWidth: " << Real(s.pixelWidth) << '\n'
        << "pixelHeight: " << Real(s.pixelHeight) << '\n'
        << "unsignedIntFits: " << (p.unsignedIntFits ? "true" : "false") << '\n'
        << "historyLines:\n";
    for (const auto& line : s.historyLines) {
        if (line[0] != '\0') out << "  " << line.data() << '\n';
    }
}

std::optional<OutputFormat> ParseFormat(const std::string& name) {
    if (name == "tq") return OutputFormat::Tq;
    if (name == "fits") return OutputFormat::Fits;
    if (name == "fits8") return OutputFormat::Fits8;
    if (name == "tiff") return OutputFormat::Tiff;
    if (name == "bmp") return OutputFormat::Bmp;
    return std::nullopt;
}

// The whole-image view bitmap with the colour table the display options select.
bool WriteBitmap(const std::string& path) {
    SessionState& s = Session();
    FillDisplayBytes(s.currentImage.data(), s.displayBytes.data(), s.geometry.sampleCount);
    if (s.autoContrast) ComputeAutoContrastThreshold();
    const ViewBitmapVariant variant = ChooseViewBitmapVariant(false, s.geometryMode);
    return WriteViewBitmapFile(path, variant, s.displayBytes.data(), BuildColourTable()) == 0;
}

}  // namespace

int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << UsageLine(kInfoSynopsis) << "\n\nLoads FILE (TQ raw or this program's FITS) and "
            << "prints its format, geometry,\nsample statistics and, for FITS, its details.\n";
        return kExitSuccess;
    }
    if (args.size() != 1) return Usage(err, kInfoSynopsis, "info takes exactly one FILE");
    const ImageFileKind kind = KindOfFile(args[0]);
    if (!LoadImageFile(args[0])) return kExitFailure;
    const ImageGeometry& g = Session().geometry;
    out << "format: " << (IsFits(kind) ? "FITS" : "TQ") << '\n'
        << "geometry: " << g.width << 'x' << g.height << '\n';
    PrintImageStatistics(out);
    if (IsFits(kind)) PrintFitsDetails(out);
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
            if (i + 1 >= args.size()) return Usage(err, kConvertSynopsis, "--to needs a format");
            format = ParseFormat(args[++i]);
            if (!format) return Usage(err, kConvertSynopsis, "unknown format '" + args[i] + "'");
        } else if (a == "--false-colour") {
            falseColour = true;
        } else if (a == "--auto-contrast") {
            autoContrast = true;
        } else if (a == "--palette-stretch") {
            if (i + 1 >= args.size())
                return Usage(err, kConvertSynopsis, "--palette-stretch needs BITS");
            const std::string& v = args[++i];
            int bits = 0;
            if (std::sscanf(v.c_str(), "%d", &bits) != 1 || bits < kPaletteBitsMin ||
                bits > kPaletteBitsMax || v.find_first_not_of("0123456789") != std::string::npos) {
                return Usage(err, kConvertSynopsis, "--palette-stretch takes 12 to 16");
            }
            paletteBits = bits;
        } else if (a.starts_with("-") && a.size() > 1) {
            return Usage(err, kConvertSynopsis, "unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) return Usage(err, kConvertSynopsis, "convert takes IN and OUT");

    const ImageFileKind kind = KindOfFile(files[0]);
    if (!LoadImageFile(files[0])) return kExitFailure;
    if (!format) format = IsFits(kind) ? OutputFormat::Fits : OutputFormat::Tq;

    SessionState& s = Session();
    s.falseColour = falseColour;
    s.autoContrast = autoContrast;
    s.paletteStretch = paletteBits.has_value();
    if (paletteBits) s.paletteStretchBits = *paletteBits;

    const std::string& target = files[1];
    bool written = false;
    switch (*format) {
        case OutputFormat::Tq:
            written = SaveTqFile(target);
            break;
        case OutputFormat::Fits:
            written = WriteFitsFile(target, s.currentImage, false);
            break;
        case OutputFormat::Fits8:
            written = WriteFitsFile(target, s.currentImage, true);
            break;
        case OutputFormat::Tiff:
            written = WriteTiffFile(target, s.currentImage);
            break;
        case OutputFormat::Bmp:
            written = WriteBitmap(target);
            break;
    }
    if (!written) {
        // The TQ writer reports its own failure; the others report as the File menu does.
        if (*format != OutputFormat::Tq) ShowMessage(kCreateFileFailedCode);
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace vexa::cli
