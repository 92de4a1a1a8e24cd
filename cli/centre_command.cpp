#include "cli/centre_command.h"

#include <cstdint>
#include <optional>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/option_table.h"
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

constexpr const char* kHelpIntro =
    "Loads FILE (a TQ raw or FITS file) and runs the star centre finder N times from\n"
    "column X, row Y, each pass from the previous result, then prints x: and y:.\n\n"
    "Options:\n";
constexpr int kHelpColumn = 15;

struct CentreRequest {
    std::vector<std::string> words;  // FILE X Y
    std::optional<long> box;
    long passes = kDefaultPasses;
    bool subpixel = false;
};

std::vector<OptionRow<CentreRequest>> CentreRows() {
    using R = CentreRequest;
    return {
        HelpText<R>(kHelpIntro, kHelpColumn),
        Valued<R>(
            "--box", "H", IntegerIn(0, kMaxBoxHalfSize), "--box needs a half-size from 0 to 1300",
            [](R& r, long box) { r.box = box; },
            "half-size of the searched square (default the guide-star mask\n"
            "radius setting)"),
        Valued<R>(
            "--passes", "N", IntegerIn(1, kMaxPasses), "--passes needs a number from 1 to 1000",
            [](R& r, long passes) { r.passes = passes; },
            "number of passes, 1 to 1000 (default 3)"),
        Flag<R>("--subpixel", &R::subpixel,
                "centre in tenths of a pixel, as autoguiding does when small drift\n"
                "is not ignored; also prints tenthsX: and tenthsY:"),
    };
}

const OptionTable<CentreRequest>& CentreTable() {
    static const OptionTable<CentreRequest> table = [] {
        OptionTable<CentreRequest> t{"centre", kCentreSynopsis, CentreRows()};
        t.optionWords = OptionWords::DoubleDash;
        t.takeWord = [](CentreRequest& r, const std::string& word) {
            r.words.push_back(word);
            return std::string();
        };
        return t;
    }();
    return table;
}

}  // namespace

int RunCentreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CentreRequest request;
    if (const auto exit = ReadCommandLine(CentreTable(), args, request, out, err)) return *exit;
    const std::vector<std::string>& positional = request.words;
    if (positional.size() != 3) return Usage(CentreTable(), err, "needs FILE X Y");
    const auto x = ParseInteger(positional[1], INT32_MIN, INT32_MAX);
    const auto y = ParseInteger(positional[2], INT32_MIN, INT32_MAX);
    if (!x || !y) return Usage(CentreTable(), err, "X and Y must be whole numbers");

    // As at start-up: the settings are read without a word about failures, the defaults
    // standing in.
    LoadSettings();
    SessionState& s = Session();
    const int32_t halfSize =
        request.box ? static_cast<int32_t>(*request.box) : s.settings.guideStarMaskRadius;
    if (!LoadImageFile(positional[0])) return kExitFailure;

    s.smallFrameDisplay = false;
    s.subPixelCentring = request.subpixel;
    int32_t column = static_cast<int32_t>(*x);
    int32_t row = static_cast<int32_t>(*y);
    for (long pass = 0; pass < request.passes; ++pass) {
        // The finder has shown its message when the square leaves the image.
        if (FindStarCentre(column, row, s.currentImage, halfSize) != 0) return kExitFailure;
        column = s.starCentreX;
        row = s.starCentreY;
    }
    out << "x: " << s.starCentreX << '\n' << "y: " << s.starCentreY << '\n';
    if (request.subpixel)
        out << "tenthsX: " << s.starTenthsX << '\n' << "tenthsY: " << s.starTenthsY << '\n';
    return kExitSuccess;
}

}  // namespace vexa::cli
