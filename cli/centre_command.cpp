#include "cli/centre_command.h"

#include <cstdint>
#include <optional>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "files/tq_file.h"
#include "processing/star_centre.h"
#include "session/session_state.h"
#include "session/settings_file.h"

namespace vexa::cli {

namespace {

constexpr int kDefaultPasses = 3;
constexpr long kMaxPasses = 1000;
// No square wider than the Full image can fit; larger half-sizes are plainly mistakes.
constexpr long kMaxBoxHalfSize = kFullWidth;

void PrintHelp(std::ostream& out) {
    out << UsageLine(kCentreSynopsis) << "\n\n"
        << "Loads FILE (a TQ raw or FITS file) and runs the star centre finder N times from\n"
        << "column X, row Y, each pass from the previous result, then prints x: and y:.\n\n"
        << "Options:\n"
        << "  --box H      half-size of the searched square (default the guide-star mask\n"
        << "               radius setting)\n"
        << "  --passes N   number of passes, 1 to 1000 (default 3)\n"
        << "  --subpixel   centre in tenths of a pixel, as autoguiding does when small drift\n"
        << "               is not ignored; also prints tenthsX: and tenthsY:\n";
}

int Usage(std::ostream& err, const std::string& problem) {
    return UsageError(err, "centre", kCentreSynopsis, problem);
}

bool IsOption(const std::string& arg) {
    return arg.starts_with("--") || arg == "-h";
}

}  // namespace

int RunCentreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> positional;
    std::optional<long> box;
    long passes = kDefaultPasses;
    bool subpixel = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsOption(arg)) {
            positional.push_back(arg);
        } else if (arg == "--help" || arg == "-h") {
            PrintHelp(out);
            return kExitSuccess;
        } else if (arg == "--subpixel") {
            subpixel = true;
        } else if (Named(arg, "--box")) {
            const auto text = OptionValue(args, i, "--box");
            box = text ? ParseInteger(*text, 0, kMaxBoxHalfSize) : std::nullopt;
            if (!box) return Usage(err, "--box needs a half-size from 0 to 1300");
        } else if (Named(arg, "--passes")) {
            const auto text = OptionValue(args, i, "--passes");
            const auto value = text ? ParseInteger(*text, 1, kMaxPasses) : std::nullopt;
            if (!value) return Usage(err, "--passes needs a number from 1 to 1000");
            passes = *value;
        } else {
            return Usage(err, "unknown option '" + arg + "'");
        }
    }
    if (positional.size() != 3) return Usage(err, "needs FILE X Y");
    const auto x = ParseInteger(positional[1], INT32_MIN, INT32_MAX);
    const auto y = ParseInteger(positional[2], INT32_MIN, INT32_MAX);
    if (!x || !y) return Usage(err, "X and Y must be whole numbers");

    // As at start-up: the settings are read without a word about failures, the defaults
    // standing in.
    LoadSettings();
    SessionState& s = Session();
    const int32_t halfSize = box ? static_cast<int32_t>(*box) : s.settings.guideStarMaskRadius;
    if (!LoadImageFile(positional[0])) return kExitFailure;

    s.smallFrameDisplay = false;
    s.subPixelCentring = subpixel;
    int32_t column = static_cast<int32_t>(*x);
    int32_t row = static_cast<int32_t>(*y);
    for (long pass = 0; pass < passes; ++pass) {
        // The finder has shown its message when the square leaves the image.
        if (FindStarCentre(column, row, s.currentImage, halfSize) != 0) return kExitFailure;
        column = s.starCentreX;
        row = s.starCentreY;
    }
    out << "x: " << s.starCentreX << '\n' << "y: " << s.starCentreY << '\n';
    if (subpixel)
        out << "tenthsX: " << s.starTenthsX << '\n' << "tenthsY: " << s.starTenthsY << '\n';
    return kExitSuccess;
}

}  // namespace vexa::cli
