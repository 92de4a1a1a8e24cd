#include "cli/photometry_command.h"

#include <cstdint>
#include <optional>
#include <ostream>

#include "app/click_dispatch.h"
#include "app/display_refresh.h"
#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "files/tq_file.h"
#include "processing/photometry.h"
#include "session/session_state.h"

namespace vexa::cli {

namespace {

constexpr int32_t kDefaultMaskHalfSize = 4;

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

// A measured position is never negative, so this marks a target whose click was refused.
constexpr int32_t kNotMeasured = -1;

void PrintHelp(std::ostream& out) {
    out << UsageLine(kPhotometrySynopsis) << "\n\n"
        << "Loads FILE (a TQ raw or FITS file) and measures as the photometry dialog does: the\n"
        << "mean of the square mask at the object, the comparison star and, when given, the\n"
        << "sky, then the magnitude difference of the object against the comparison star.\n"
        << "Prints object:, comparison:, background: and magnitudeDifference: (empty when the\n"
        << "dialog would show it empty). Without --sky the background shown is the display\n"
        << "background level x 256 and the sky counts as 0 in the magnitude difference.\n\n"
        << "Options:\n"
        << "  --object X,Y      column and row of the object star\n"
        << "  --comparison X,Y  column and row of the comparison star\n"
        << "  --sky X,Y         column and row of the sky background\n"
        << "  --mask B          mask half-size: 0, 2, 3, 4, 6 or 8 for masks of 1, 5, 7, 9,\n"
        << "                    13 or 17 pixels (default 4)\n"
        << "  --snap            snap each point to the star centre first, as a right click\n"
        << "                    does\n";
}

int Usage(std::ostream& err, const std::string& problem) {
    return UsageError(err, "photometry", kPhotometrySynopsis, problem);
}

std::optional<Point> ParsePoint(const std::string& text) {
    const auto values = ParseIntegerList(text, 2, INT32_MIN, INT32_MAX);
    if (!values) return std::nullopt;
    return Point{static_cast<int32_t>((*values)[0]), static_cast<int32_t>((*values)[1])};
}

// The dialog's fixed-width fields carry leading blanks; a script wants the number.
std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// One measuring click at an image position with the view scrolled to (0, 0); false when it
// was refused (its message is on standard error).
bool Measure(PhotometryDialogModel& dialog, char target, Point point, bool snap,
             int32_t& measuredX) {
    dialog.ChooseTarget(target);
    measuredX = kNotMeasured;
    if (snap) {
        OnRightButtonUp(point.x, point.y);
    } else {
        OnLeftButtonUp(point.x, point.y);
    }
    return measuredX != kNotMeasured;
}

}  // namespace

int RunPhotometryCommand(const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err) {
    std::optional<std::string> file;
    std::optional<Point> object, comparison, sky;
    int32_t mask = kDefaultMaskHalfSize;
    bool snap = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp(out);
            return kExitSuccess;
        }
        if (arg == "--snap") {
            snap = true;
            continue;
        }
        std::optional<Point>* point = nullptr;
        std::string name;
        if (Named(arg, "--object")) {
            point = &object;
            name = "--object";
        } else if (Named(arg, "--comparison")) {
            point = &comparison;
            name = "--comparison";
        } else if (Named(arg, "--sky")) {
            point = &sky;
            name = "--sky";
        }
        if (point) {
            const auto text = OptionValue(args, i, name);
            *point = text ? ParsePoint(*text) : std::nullopt;
            if (!*point) return Usage(err, name + " needs X,Y");
            continue;
        }
        if (Named(arg, "--mask")) {
            const auto text = OptionValue(args, i, "--mask");
            const int32_t value =
                text ? static_cast<int32_t>(ParseInteger(*text, 0, 8).value_or(-1)) : -1;
            bool listed = false;
            for (const MaskChoice& choice : kMaskChoices)
                if (choice.halfSize == value) listed = true;
            if (!listed) return Usage(err, "--mask needs 0, 2, 3, 4, 6 or 8");
            mask = value;
            continue;
        }
        if (arg.starts_with("-")) return Usage(err, "unknown option '" + arg + "'");
        if (file) return Usage(err, "more than one FILE given");
        file = arg;
    }
    if (!file) return Usage(err, "needs FILE");
    if (!object || !comparison) return Usage(err, "needs --object X,Y and --comparison X,Y");

    if (!LoadImageFile(*file)) return kExitFailure;
    // The window's paint after a load estimates the background level the dialog shows
    // until the sky is measured.
    EstimateBackgroundLevel();

    SessionState& s = Session();
    s.scrollX = 0;
    s.scrollY = 0;
    if (!StartPhotometryMode()) return kExitFailure;
    PhotometryDialogModel& dialog = ThePhotometryDialog();
    dialog.ChooseMask(mask);
    bool measured = Measure(dialog, 'o', *object, snap, s.objectX) &&
                    Measure(dialog, 'c', *comparison, snap, s.comparisonX);
    if (measured && sky) measured = Measure(dialog, 'b', *sky, snap, s.skyX);
    if (!measured) {
        dialog.Finished();
        return kExitFailure;
    }

    const PhotometryReadout readout = ComputePhotometry(s);
    out << "object: " << Trimmed(FormatMean(readout.objectMean)) << '\n'
        << "comparison: " << Trimmed(FormatMean(readout.comparisonMean)) << '\n'
        << "background: " << Trimmed(FormatMean(readout.backgroundMean)) << '\n'
        << "magnitudeDifference:";
    if (readout.magnitudeDifference) out << ' ' << FormatMagnitude(readout.magnitudeDifference);
    out << '\n';
    dialog.Finished();
    return kExitSuccess;
}

}  // namespace vexa::cli
