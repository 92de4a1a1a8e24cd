#include "cli/process_command.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/display_refresh.h"
#include "app/label.h"
#include "app/view_commands.h"
#include "cli/cli_app.h"
#include "cli/image_output.h"
#include "files/fits_file.h"
#include "files/tq_file.h"
#include "processing/auto_processing.h"
#include "processing/calibration.h"
#include "processing/filter_commands.h"
#include "processing/filters.h"
#include "processing/stretch_commands.h"
#include "processing/undo_history.h"
#include "session/session_state.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::cli {
namespace {

namespace fs = std::filesystem;

using Samples = std::vector<uint16_t>;

Samples ReadTq(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    Samples samples(fs::file_size(path) / 2);
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * 2));
    return samples;
}

std::string HistoryListing() {
    std::string text = "history:\n";
    for (const auto& line : Session().historyLines)
        if (line[0] != '\0') text += "  " + std::string(line.data()) + "\n";
    return text;
}

class ProcessCommandTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    std::ostringstream out;
    std::ostringstream err;
    // Sky noise around 1000 with a few stars, so every operation has something to change.
    Samples image = [] {
        Samples samples(kFullSampleCount);
        std::mt19937 random(42);
        std::uniform_int_distribution<int> sky(600, 1400);
        for (uint16_t& sample : samples) sample = static_cast<uint16_t>(sky(random));
        for (auto [column, row] : {std::pair{200, 300}, {640, 515}, {1100, 900}})
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx)
                    samples[(row + dy) * kFullWidth + column + dx] =
                        static_cast<uint16_t>(40000 / (1 + dx * dx + dy * dy));
        return samples;
    }();

    fs::path Path(const std::string& name) const { return fs::path(fixture.root) / name; }
    std::string Write(const std::string& name, const Samples& samples, int width = kFullWidth,
                      int height = kFullHeight) {
        EXPECT_TRUE(WriteTqFileTo(Path(name), samples.data(), width, height));
        return Path(name).string();
    }
    std::string In() { return Write("in.tq", image); }
    std::string Out() const { return Path("out.tq").string(); }

    int Run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        const int status = RunProcessCommand(args, out, err);
        // The command restores the window's user interface when it ends.
        EXPECT_EQ(&Ui(), &fixture.ui);
        return status;
    }
    // What the session holds after IN is loaded and `apply` has run, as the window would do it.
    Samples ThroughTheSession(const std::string& in, const std::function<void()>& apply) {
        EXPECT_TRUE(LoadImageFile(in));
        apply();
        const auto& current = Session().currentImage;
        return Samples(current.begin(), current.begin() + Session().geometry.sampleCount);
    }
};

TEST_F(ProcessCommandTest, InvertMapsEachSampleThroughTheTableAndListsTheHistory) {
    image[0] = 0;
    image[1] = 1;
    image[2] = 1000;
    image[3] = 1001;
    image[4] = 65535;
    image[5] = 65534;
    EXPECT_EQ(Run({In(), Out(), "--invert"}), kExitSuccess);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(), "history:\n  Invert Image to Negative\n");
    const Samples result = ReadTq(Out());
    ASSERT_EQ(result.size(), image.size());
    // 2 x (32767 - s / 2), the last bit of each sample lost.
    EXPECT_EQ(std::vector<uint16_t>(result.begin(), result.begin() + 6),
              (std::vector<uint16_t>{65534, 65534, 64534, 64534, 0, 0}));
    EXPECT_EQ(result[kFullSampleCount - 1], 65534 - 2 * (image[kFullSampleCount - 1] / 2));
}

TEST_F(ProcessCommandTest, EachOperationMatchesItsMenuCommand) {
    const std::string in = In();
    const std::string dark = Write("dark.tq", Samples(kFullSampleCount, 700));
    Samples flatSamples(kFullSampleCount, 3000);
    for (size_t i = 0; i < flatSamples.size(); i += 7) flatSamples[i] = 2500;
    const std::string flat = Write("flat.tq", flatSamples);
    auto choose = [&](const std::string& file) {
        fixture.ui.openFileDialog = [file](const FileDialogRequest&) { return file; };
    };
    struct Case {
        std::vector<std::string> options;
        std::function<void()> menu;
    };
    const std::vector<Case> cases = {
        {{"--normal", "200,10"}, [] { ApplyNormalStretch(200, 10); }},
        {{"--normal=300,255"}, [] { ApplyNormalStretch(300, 255); }},
        {{"--power", "2.0"}, [] { ApplyPowerLawStretch(2.0); }},
        {{"--power", "0.3"}, [] { ApplyPowerLawStretch(0.3); }},
        {{"--sine"}, SineStretch},
        {{"--remove-background", "40"},
         [] {
             Session().backgroundLevel = 40;
             RemoveBackground();
         }},
        {{"--non-linear", "5"}, [] { ApplyNonLinearStretch(5); }},
        {{"--log"}, LogStretch},
        {{"--antilog"}, AntilogStretch},
        {{"--unsharp", "3,2"}, [] { ApplyUnsharpMask(3, 2); }},
        {{"--unsharp", "7,7"}, [] { ApplyUnsharpMask(7, 7); }},
        {{"--high-pass-low"}, CmdHighPassLowPower},
        {{"--high-pass-high"}, CmdHighPassHighPower},
        {{"--smoother-sharper"}, CmdSmootherSharper},
        {{"--gaussian"}, CmdGaussianSmoother},
        {{"--low-pass"}, CmdLowPassSmoother},
        {{"--bas-relief"}, CmdBasRelief},
        {{"--median", "1,1"}, [] { ApplyMedianFilter(1, 1); }},
        {{"--median", "3,2"}, [] { ApplyMedianFilter(3, 2); }},
        {{"--gradient"}, CmdGradientFilter},
        {{"--dark", dark},
         [&] {
             choose(dark);
             SubtractDarkFrame();
         }},
        {{"--flat", flat},
         [&] {
             choose(flat);
             ApplyFlatField();
         }},
        {{"--mirror"}, CmdMirrorImage},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {in, Out()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        ASSERT_EQ(Run(args), kExitSuccess) << c.options[0] << ": " << err.str();
        const Samples result = ReadTq(Out());
        const Samples expected = ThroughTheSession(in, c.menu);
        EXPECT_EQ(result, expected) << c.options[0];
        EXPECT_NE(result, image) << c.options[0];
        EXPECT_EQ(out.str(), HistoryListing()) << c.options[0];
    }
}

TEST_F(ProcessCommandTest, OperationsChainInTheOrderGiven) {
    const std::string in = In();
    ASSERT_EQ(
        Run({in, Out(), "--gaussian", "--normal", "250,5", "--median", "1,5", "--undo", "--log"}),
        kExitSuccess)
        << err.str();
    const Samples expected = ThroughTheSession(in, [] {
        CmdGaussianSmoother();
        ApplyNormalStretch(250, 5);
        ApplyMedianFilter(1, 5);
        UndoLastFilter();
        LogStretch();
    });
    EXPECT_EQ(ReadTq(Out()), expected);
    const std::string listing = out.str();
    EXPECT_EQ(listing, HistoryListing());
    // The undone median leaves no line; the others stay in their order.
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 4);
    EXPECT_EQ(listing.find("Median"), std::string::npos);
}

TEST_F(ProcessCommandTest, UndoAfterOneOperationGivesBackTheImage) {
    ASSERT_EQ(Run({In(), Out(), "--bas-relief", "--undo"}), kExitSuccess);
    EXPECT_EQ(ReadTq(Out()), image);
    EXPECT_EQ(out.str(), "history:\n");
}

TEST_F(ProcessCommandTest, RemoveBackgroundDefaultsToTheLevelTheViewEstimates) {
    const std::string in = In();
    // The level is optional: the next argument is taken only when it is a number.
    ASSERT_EQ(Run({in, Out(), "--remove-background", "--sine"}), kExitSuccess) << err.str();
    const Samples expected = ThroughTheSession(in, [] {
        auto& s = Session();
        FillDisplayBytes(s.currentImage.data(), s.displayBytes.data(), s.geometry.sampleCount);
        EstimateBackgroundLevel();
        EXPECT_GT(s.backgroundLevel, 2);
        RemoveBackground();
        SineStretch();
    });
    EXPECT_EQ(ReadTq(Out()), expected);
    EXPECT_EQ(out.str(), HistoryListing());
    // Written last, with no level after it.
    ASSERT_EQ(Run({in, Out(), "--remove-background"}), kExitSuccess) << err.str();
}

TEST_F(ProcessCommandTest, AutoRunsTheStoredChoices) {
    PersistentSettings& settings = Session().settings;
    settings.autoRemoveBackground = true;
    settings.autoHighPass = true;
    settings.autoUnsharp = true;
    const std::string in = In();
    ASSERT_EQ(Run({in, Out(), "--auto"}), kExitSuccess) << err.str();
    const Samples expected = ThroughTheSession(in, RunAutoProcessing);
    EXPECT_EQ(ReadTq(Out()), expected);
    EXPECT_EQ(out.str(), HistoryListing());
    EXPECT_NE(out.str(), "history:\n");
}

TEST_F(ProcessCommandTest, MergeAddsOrAveragesTheShiftedSecondImage) {
    image.assign(kFullSampleCount, 100);
    const std::string first = In();
    Samples second(kFullSampleCount);
    for (int row = 0; row < kFullHeight; ++row)
        for (int column = 0; column < kFullWidth; ++column)
            second[row * kFullWidth + column] = static_cast<uint16_t>((row * 7 + column) % 1000);
    const std::string secondFile = Write("second.tq", second);
    auto at = [](const Samples& samples, int column, int row) {
        return samples[row * kFullWidth + column];
    };

    // The star at (10, 10) in the first image is at (15, 12) in the second: dx 5, dy 2.
    ASSERT_EQ(Run({first, Out(), "--merge", secondFile, "--marks", "10,10,15,12"}), kExitSuccess)
        << err.str();
    Samples result = ReadTq(Out());
    EXPECT_EQ(at(result, 0, 0), 100 + at(second, 5, 2));
    EXPECT_EQ(at(result, 700, 400), 100 + at(second, 705, 402));
    EXPECT_EQ(at(result, 1294, 1027), 100 + at(second, 1299, 1029));
    // Where the shifted second image has nothing, the first is kept.
    EXPECT_EQ(at(result, 1295, 500), 100);
    EXPECT_EQ(at(result, 500, 1028), 100);
    EXPECT_EQ(out.str(), "history:\n");

    ASSERT_EQ(Run({first, Out(), "--merge=" + secondFile, "--average", "--marks=10,10,15,12"}),
              kExitSuccess);
    result = ReadTq(Out());
    EXPECT_EQ(at(result, 700, 400), (100 + at(second, 705, 402)) >> 1);

    ASSERT_EQ(Run({first, Out(), "--merge", secondFile, "--marks", "10,10,15,12", "--superimpose",
                   "--invert"}),
              kExitSuccess);
    result = ReadTq(Out());
    const uint16_t sum = static_cast<uint16_t>(100 + at(second, 700, 400));
    EXPECT_EQ(at(result, 700, 400), 65534 - 2 * (sum / 2));

    // Marks that shift the second image out of the frame leave the first image as it was.
    ASSERT_EQ(Run({first, Out(), "--merge", secondFile, "--marks", "0,0,5000,-5000"}),
              kExitSuccess);
    EXPECT_EQ(ReadTq(Out()), image);
}

TEST_F(ProcessCommandTest, MergeOfTheOtherGeometryFailsAndWritesNothing) {
    const std::string first = In();
    const std::string half =
        Write("half.tq", Samples(kHalfWidth * kHalfHeight, 5), kHalfWidth, kHalfHeight);
    { std::ofstream(Out()) << "older file"; }
    EXPECT_EQ(Run({first, Out(), "--invert", "--merge", half, "--marks", "1,1,1,1"}), kExitFailure);
    EXPECT_NE(err.str().find("vexaq4-cli process: --merge did not complete; "), std::string::npos);
    EXPECT_EQ(out.str(), "");
    std::ifstream older(Out());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(older), {}), "older file");
    EXPECT_FALSE(Session().mergingMode);
}

TEST_F(ProcessCommandTest, ReferencesThatCannotBeUsedFailWithTheirMessage) {
    const std::string in = In();
    const std::string half =
        Write("half.tq", Samples(kHalfWidth * kHalfHeight, 5), kHalfWidth, kHalfHeight);
    const std::string junk = Path("junk.tq").string();
    { std::ofstream(junk) << "short"; }
    for (const auto& [option, file] : std::vector<std::pair<std::string, std::string>>{
             {"--dark", half},
             {"--flat", half},
             {"--dark", junk},
             {"--flat", Path("missing.tq").string()},
         }) {
        EXPECT_EQ(Run({in, Out(), "--gaussian", option, file}), kExitFailure) << option << file;
        EXPECT_NE(err.str().find(option + " did not complete; " + Out() + " was not written"),
                  std::string::npos)
            << err.str();
        EXPECT_FALSE(fs::exists(Out()));
    }
    // A flat of all zeros holds no level to normalise to: the image stays as it was.
    const std::string zeros = Write("zeros.tq", Samples(kFullSampleCount, 0));
    ASSERT_EQ(Run({in, Out(), "--flat", zeros}), kExitSuccess) << err.str();
    EXPECT_EQ(ReadTq(Out()), image);
}

TEST_F(ProcessCommandTest, RelativeNamesAreTakenFromTheWorkingFolder) {
    fs::create_directories(Path("night/calibration"));
    Write("night/in.tq", image);
    Write("night/calibration/dark.tq", Samples(kFullSampleCount, 600));
    const fs::path previous = fs::current_path();
    fs::current_path(Path("night"));
    const int status =
        Run({"in.tq", "out.tq", "--dark", "calibration/dark.tq", "--dark", "calibration/dark.tq"});
    fs::current_path(previous);
    ASSERT_EQ(status, kExitSuccess) << err.str();
    const Samples result = ReadTq(Path("night/out.tq"));
    for (size_t i : {0, 777, kFullSampleCount - 1})
        EXPECT_EQ(result[i], std::max(0, image[i] - 1200)) << i;
}

TEST_F(ProcessCommandTest, LabelIsBurntIntoTheTopRows) {
    const std::string in = In();
    ASSERT_EQ(Run({in, Out(), "--label", "M42 Orion"}), kExitSuccess) << err.str();
    Samples expected = image;
    {
        Plane plane{};
        std::copy(image.begin(), image.end(), plane.begin());
        DrawLabelLine(ComposeLabelLine(false, "M42 Orion", 0), plane, kFullWidth);
        std::copy_n(plane.begin(), kFullSampleCount, expected.begin());
    }
    const Samples result = ReadTq(Out());
    EXPECT_EQ(result, expected);
    EXPECT_EQ(result[4] + result[5], 34);
    // A labelled image keeps its label through a stretch.
    ASSERT_EQ(Run({in, Out(), "--label", "M42 Orion", "--invert"}), kExitSuccess);
    const Samples inverted = ReadTq(Out());
    EXPECT_TRUE(std::equal(inverted.begin(), inverted.begin() + kFullWidth * kLabelRowCount,
                           expected.begin()));
}

TEST_F(ProcessCommandTest, LabelDateComesFromTheCalendarClockInUniversalTime) {
    fixture.clock.SetCalendar(1700000000);
    const std::string in = In();
    ASSERT_EQ(Run({in, Out(), "--label", "Moon", "--label-date"}), kExitSuccess) << err.str();
    const Samples withDate = ReadTq(Out());
    Plane plane{};
    std::copy(image.begin(), image.end(), plane.begin());
    DrawLabel(true, "Moon", plane);
    EXPECT_TRUE(std::equal(withDate.begin(), withDate.end(), plane.begin()));
    ASSERT_EQ(Run({in, Out(), "--label", "Moon"}), kExitSuccess);
    EXPECT_NE(ReadTq(Out()), withDate);
    // Text longer than the dialog keeps and characters without a glyph do not stop it.
    ASSERT_EQ(Run({in, Out(), "--label", std::string(80, '~') + "\t\xC3\xA9", "--label-date"}),
              kExitSuccess);
    ASSERT_EQ(Run({in, Out(), "--label", ""}), kExitSuccess);
}

TEST_F(ProcessCommandTest, OutputFormatFollowsInOrTheToOption) {
    const std::string in = In();
    const std::string fits = Path("out.fits").string();
    ASSERT_EQ(Run({in, fits, "--to", "fits", "--invert"}), kExitSuccess) << err.str();
    std::ifstream fitsFile(fits, std::ios::binary);
    std::string card(30, '\0');
    fitsFile.read(card.data(), 30);
    EXPECT_EQ(card, "SIMPLE  =                    T");
    // FITS in, FITS out, and the history travels with the file.
    const std::string back = Path("back.fits").string();
    ASSERT_EQ(Run({fits, back, "--sine"}), kExitSuccess) << err.str();
    EXPECT_EQ(out.str(), "history:\n  Invert Image to Negative\n  Sine Stretch\n");
    EXPECT_TRUE(IsFitsImageFile(back));
    ASSERT_EQ(Run({fits, Out(), "--to=tq", "--log"}), kExitSuccess);
    EXPECT_EQ(fs::file_size(Out()), static_cast<uintmax_t>(kFullTqFileBytes));

    const std::string bmp = Path("out.bmp").string();
    ASSERT_EQ(Run({in, bmp, "--to", "bmp", "--gradient"}), kExitSuccess) << err.str();
    std::ifstream bmpFile(bmp, std::ios::binary);
    char magic[2] = {};
    bmpFile.read(magic, 2);
    EXPECT_EQ(std::string(magic, 2), "BM");
}

TEST_F(ProcessCommandTest, InputThatCannotBeLoadedFails) {
    EXPECT_EQ(Run({Path("missing.tq").string(), Out(), "--invert"}), kExitFailure);
    EXPECT_FALSE(fs::exists(Out()));
    EXPECT_EQ(out.str(), "");
}

// Command lines that misuse the process command, reading in and writing out_.
std::vector<std::vector<std::string>> UsageErrors(const std::string& in, const std::string& out_) {
    return {
        {},
        {in},
        {in, out_},
        {in, out_, "extra", "--invert"},
        {in, out_, "--sharpen"},
        {in, out_, "--to", "png", "--invert"},
        {in, out_, "--to"},
        {in, out_, "--normal", "100"},
        {in, out_, "--normal", "100,100"},
        {in, out_, "--normal", "50,60"},
        {in, out_, "--normal", "301,0"},
        {in, out_, "--normal", "0,0"},
        {in, out_, "--normal", "300,256"},
        {in, out_, "--normal", "200,-1"},
        {in, out_, "--normal", "200,10,5"},
        {in, out_, "--normal"},
        {in, out_, "--power", "0.05"},
        {in, out_, "--power", "3.01"},
        {in, out_, "--power", "two"},
        {in, out_, "--power", "nan"},
        {in, out_, "--remove-background=256"},
        {in, out_, "--remove-background=-1"},
        {in, out_, "--non-linear", "1"},
        {in, out_, "--non-linear", "51"},
        {in, out_, "--non-linear", "2.5"},
        {in, out_, "--unsharp", "0,3"},
        {in, out_, "--unsharp", "3,8"},
        {in, out_, "--unsharp", "3"},
        {in, out_, "--median", "4,5"},
        {in, out_, "--median", "1,0"},
        {in, out_, "--median", "1,11"},
        {in, out_, "--median", "1,,5"},
        {in, out_, "--dark"},
        {in, out_, "--flat="},
        {in, out_, "--merge", in},
        {in, out_, "--merge", in, "--marks", "1,2,3"},
        {in, out_, "--merge", in, "--marks", "1,2,3,x"},
        {in, out_, "--merge", in, "--marks", "1,2,3,4", "--marks", "1,2,3,4"},
        {in, out_, "--marks", "1,2,3,4"},
        {in, out_, "--average"},
        {in, out_, "--invert", "--superimpose"},
        {in, out_, "--label"},
        {in, out_, "--label-date"},
        {in, out_, "--invert", "--label-date"},
    };
}

TEST_F(ProcessCommandTest, UsageErrorsChangeNothing) {
    const std::string in = In();
    const std::string out_ = Out();
    const std::vector<std::vector<std::string>> bad = UsageErrors(in, out_);
    for (const auto& args : bad) {
        std::string shown;
        for (const std::string& arg : args) shown += arg + " ";
        EXPECT_EQ(Run(args), kExitUsage) << shown;
        EXPECT_EQ(err.str().rfind("vexaq4-cli process: ", 0), 0u) << shown << err.str();
        EXPECT_NE(err.str().find("usage: vexaq4-cli [--root DIR] process IN OUT"),
                  std::string::npos)
            << shown;
        EXPECT_EQ(out.str(), "");
        EXPECT_FALSE(fs::exists(out_)) << shown;
    }
    EXPECT_EQ(Run({"--help"}), kExitSuccess);
    EXPECT_NE(out.str().find("--label TEXT [--label-date]"), std::string::npos);
    // Bounds are inclusive.
    EXPECT_EQ(Run({in,
                   out_,
                   "--normal",
                   "1,0",
                   "--normal",
                   "300,255",
                   "--power",
                   "0.1",
                   "--power",
                   "3.0",
                   "--non-linear",
                   "2",
                   "--non-linear",
                   "50",
                   "--unsharp",
                   "1,1",
                   "--median",
                   "3,1",
                   "--median",
                   "1,10",
                   "--remove-background",
                   "0"}),
              kExitSuccess)
        << err.str();
}

TEST_F(ProcessCommandTest, ASixteenthHistoryLineIsDropped) {
    std::vector<std::string> args = {In(), Out()};
    for (int i = 0; i < 17; ++i) args.push_back(i % 2 ? "--invert" : "--sine");
    ASSERT_EQ(Run(args), kExitSuccess);
    const std::string listing = out.str();
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 1 + kHistoryEntries);
}

}  // namespace
}  // namespace vexa::cli
