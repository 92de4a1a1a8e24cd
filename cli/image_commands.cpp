#include "cli/image_commands.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <utility>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/image_output.h"
#include "cli/option_table.h"
#include "files/tq_file.h"
#include "session/printable_text.h"
#include "session/session_state.h"

namespace vexa::cli {

namespace {

constexpr int kPaletteBitsMin = 12;
constexpr int kPaletteBitsMax = 16;
constexpr int kConvertHelpColumn = 31;

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

struct FileWords {
    std::vector<std::string> files;
};

std::string TakeFile(FileWords& words, const std::string& word) {
    words.files.push_back(word);
    return {};
}

const OptionTable<FileWords>& InfoTable() {
    static const OptionTable<FileWords> table = [] {
        OptionTable<FileWords> t(
            "info", kInfoSynopsis,
            {HelpText<FileWords>(
                "Loads FILE (TQ raw, this program's FITS or a standard FITS image of\n"
                "1300x1030 or 650x515) and prints its format, geometry, sample statistics\n"
                "and, for FITS, its details.\n")});
        t.optionWords = OptionWords::None;
        t.helpWords = HelpWords::Anywhere;
        t.takeWord = TakeFile;
        return t;
    }();
    return table;
}

struct ConvertRequest : FileWords {
    std::optional<OutputFormat> format;
    bool falseColour = false;
    bool autoContrast = false;
    std::optional<int> paletteBits;
};

std::vector<OptionRow<ConvertRequest>> ConvertRows() {
    using R = ConvertRequest;
    return {
        HelpText<R>("Loads IN and writes OUT in the chosen format:\n", kConvertHelpColumn),
        Option<R>("--to", kOutputFormatNames, ValueForm::SeparateValue,
                  "TQ raw, FITS 16-bit, FITS eight-bit, TIFF, or the\n"
                  "whole-image view bitmap (default: the format of IN)",
                  [](R& r, const OptionValues& values) -> std::string {
                      if (values.empty()) return "--to needs a format";
                      r.format = ParseOutputFormat(values[0]);
                      return r.format ? "" : "unknown format '" + values[0] + "'";
                  }),
        Flag<R>("--false-colour", &R::falseColour,
                "the display options of the bitmap's colour table"),
        Flag<R>("--auto-contrast", &R::autoContrast, {}).Listed(HelpPlace::AfterComma),
        Option<R>("--palette-stretch", "BITS (12 to 16)", ValueForm::SeparateValue, {},
                  [](R& r, const OptionValues& values) -> std::string {
                      if (values.empty()) return "--palette-stretch needs BITS";
                      const auto bits = ParseInteger(values[0], kPaletteBitsMin, kPaletteBitsMax);
                      if (!bits) return "--palette-stretch takes 12 to 16";
                      r.paletteBits = static_cast<int>(*bits);
                      return {};
                  })
            .Listed(HelpPlace::AfterComma),
    };
}

const OptionTable<ConvertRequest>& ConvertTable() {
    static const OptionTable<ConvertRequest> table = [] {
        OptionTable<ConvertRequest> t("convert", kConvertSynopsis, ConvertRows());
        t.optionWords = OptionWords::DashAndMore;
        t.helpWords = HelpWords::Anywhere;
        t.takeWord = [](ConvertRequest& r, const std::string& word) { return TakeFile(r, word); };
        return t;
    }();
    return table;
}

}  // namespace

int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    FileWords words;
    if (const auto exit = ReadCommandLine(InfoTable(), args, words, out, err)) return *exit;
    if (words.files.size() != 1) return Usage(InfoTable(), err, "info takes exactly one FILE");
    const std::string& file = words.files[0];
    const bool fits = IsFitsImageFile(file);
    if (!LoadImageFile(file)) return kExitFailure;
    const ImageGeometry& g = Session().geometry;
    out << "format: " << (fits ? "FITS" : "TQ") << '\n'
        << "geometry: " << g.width << 'x' << g.height << '\n';
    PrintImageStatistics(out);
    if (fits) PrintFitsDetails(out);
    return kExitSuccess;
}

int RunConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ConvertRequest r;
    if (const auto exit = ReadCommandLine(ConvertTable(), args, r, out, err)) return *exit;
    if (r.files.size() != 2) return Usage(ConvertTable(), err, "convert takes IN and OUT");

    const OutputFormat inputFormat = FormatOfImageFile(r.files[0]);
    if (!LoadImageFile(r.files[0])) return kExitFailure;

    SessionState& s = Session();
    s.falseColour = r.falseColour;
    s.autoContrast = r.autoContrast;
    s.paletteStretch = r.paletteBits.has_value();
    if (r.paletteBits) s.paletteStretchBits = *r.paletteBits;
    return WriteImageAs(r.files[1], r.format.value_or(inputFormat)) ? kExitSuccess : kExitFailure;
}

}  // namespace vexa::cli
