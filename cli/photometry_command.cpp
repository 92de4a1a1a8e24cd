#include "cli/photometry_command.h"

#include <cstdint>
#include <optional>
#include <ostream>

#include "app/click_dispatch.h"
#include "app/display_refresh.h"
#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/option_table.h"
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

std::optional<Point> ParsePoint(const std::string& text) {
    const auto values = ParseIntegerList(text, 2, INT32_MIN, INT32_MAX);
    if (!values) return std::nullopt;
    return Point{static_cast<int32_t>((*values)[0]), static_cast<int32_t>((*values)[1])};
}

std::optional<int32_t> MaskHalfSize(const std::string& text) {
    const auto value = ParseInteger(text, INT32_MIN, INT32_MAX);
    for (const MaskChoice& choice : kMaskChoices)
        if (value && choice.halfSize == *value) return choice.halfSize;
    return std::nullopt;
}

constexpr const char* kHelpIntro =
    "Loads FILE (a TQ raw or FITS file) and measures as the photometry dialog does: the\n"
    "mean of the square mask at the object, the comparison star and, when given, the\n"
    "sky, then the magnitude difference of the object against the comparison star.\n"
    "Prints object:, comparison:, background: and magnitudeDifference: (empty when the\n"
    "dialog would show it empty). Without --sky the background shown is the display\n"
    "background level x 256 and the sky counts as 0 in the magnitude difference.\n\n"
    "Options:\n";
constexpr int kHelpColumn = 20;

struct PhotometryRequest {
    std::optional<std::string> file;
    std::optional<Point> object, comparison, sky;
    int32_t mask = kDefaultMaskHalfSize;
    bool snap = false;
};

std::vector<OptionRow<PhotometryRequest>> PhotometryRows() {
    using R = PhotometryRequest;
    auto point = [](const char* name, std::optional<Point> R::*target, const char* help) {
        return Valued<R>(
            name, "X,Y", ParsePoint, std::string(name) + " needs X,Y",
            [target](R& r, Point p) { r.*target = p; }, help);
    };
    return {
        HelpText<R>(kHelpIntro, kHelpColumn),
        point("--object", &R::object, "column and row of the object star"),
        point("--comparison", &R::comparison, "column and row of the comparison star"),
        point("--sky", &R::sky, "column and row of the sky background"),
        Valued<R>(
            "--mask", "B", MaskHalfSize, "--mask needs 0, 2, 3, 4, 6 or 8",
            [](R& r, int32_t halfSize) { r.mask = halfSize; },
            "mask half-size: 0, 2, 3, 4, 6 or 8 for masks of 1, 5, 7, 9,\n"
            "13 or 17 pixels (default 4)"),
        Flag<R>("--snap", &R::snap,
                "snap each point to the star centre first, as a right click\n"
                "does"),
    };
}

const OptionTable<PhotometryRequest>& PhotometryTable() {
    static const OptionTable<PhotometryRequest> table = [] {
        OptionTable<PhotometryRequest> t{"photometry", kPhotometrySynopsis, PhotometryRows()};
        t.optionWords = OptionWords::Dash;
        t.takeWord = [](PhotometryRequest& r, const std::string& word) -> std::string {
            if (r.file) return "more than one FILE given";
            r.file = word;
            return {};
        };
        return t;
    }();
    return table;
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
    PhotometryRequest r;
    if (const auto exit = ReadCommandLine(PhotometryTable(), args, r, out, err)) return *exit;
    if (!r.file) return Usage(PhotometryTable(), err, "needs FILE");
    if (!r.object || !r.comparison)
        return Usage(PhotometryTable(), err, "needs --object X,Y and --comparison X,Y");

    if (!LoadImageFile(*r.file)) return kExitFailure;
    // The window's paint after a load estimates the background level the dialog shows
    // until the sky is measured.
    EstimateBackgroundLevel();

    SessionState& s = Session();
    s.scrollX = 0;
    s.scrollY = 0;
    if (!StartPhotometryMode()) return kExitFailure;
    PhotometryDialogModel& dialog = ThePhotometryDialog();
    dialog.ChooseMask(r.mask);
    bool measured = Measure(dialog, 'o', *r.object, r.snap, s.objectX) &&
                    Measure(dialog, 'c', *r.comparison, r.snap, s.comparisonX);
    if (measured && r.sky) measured = Measure(dialog, 'b', *r.sky, r.snap, s.skyX);
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
