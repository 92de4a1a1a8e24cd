#include "cli/photometry_command.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "files/tq_file.h"
#include "session/session_state.h"
#include "tests/unit/cli/cli_test_support.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::cli {
namespace {

namespace fs = std::filesystem;

class PhotometryCommandTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    std::ostringstream out;
    std::ostringstream err;
    std::vector<uint16_t> image = std::vector<uint16_t>(kFullSampleCount, 0);

    void Put(int column, int row, uint16_t value) { image[row * kFullWidth + column] = value; }
    void Fill(int left, int top, int right, int bottom, uint16_t value) {
        for (int row = top; row <= bottom; ++row)
            for (int column = left; column <= right; ++column) Put(column, row, value);
    }
    std::string Write() {
        const fs::path path = fs::path(fixture.root) / "field.tq";
        EXPECT_TRUE(WriteTqFileTo(path, image.data(), kFullWidth, kFullHeight));
        return path.string();
    }
    int Run(const std::vector<std::string>& args) {
        return test::RunCliCommand(RunPhotometryCommand, args, out, err, fixture.ui);
    }
};

TEST_F(PhotometryCommandTest, TwiceAsBrightOverBlackSky) {
    Fill(90, 90, 110, 110, 2000);
    Fill(290, 90, 310, 110, 1000);
    const std::string file = Write();
    EXPECT_EQ(Run({file, "--object", "100,100", "--comparison", "300,100", "--sky", "600,600"}),
              kExitSuccess);
    EXPECT_EQ(out.str(),
              "object: 2000\ncomparison: 1000\nbackground: 0\nmagnitudeDifference: -0.75\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_FALSE(Session().photometryMode);
}

TEST_F(PhotometryCommandTest, WithoutSkyTheDisplayBackgroundIsShownAndTheSkyCountsAsZero) {
    Fill(0, 0, 1299, 1029, 3000);   // level 11
    Fill(90, 90, 110, 110, 7000);   // level 27, 441 samples
    Fill(290, 90, 310, 110, 5000);  // level 19, 441 samples
    const std::string file = Write();
    EXPECT_EQ(Run({file, "--object=100,100", "--comparison=300,100"}), kExitSuccess);
    // Background level (11 + 19 + 27) / 3 = 19, shown x 256; -2.5 log10(7000 / 5000).
    EXPECT_EQ(out.str(),
              "object: 7000\ncomparison: 5000\nbackground: 4864\nmagnitudeDifference: -0.37\n");
    EXPECT_EQ(Run({file, "--object=100,100", "--comparison=300,100", "--sky=600,600"}),
              kExitSuccess);
    EXPECT_EQ(out.str(),
              "object: 7000\ncomparison: 5000\nbackground: 3000\nmagnitudeDifference: -0.75\n");
}

TEST_F(PhotometryCommandTest, SkyBrighterThanAStarLeavesTheMagnitudeEmpty) {
    Fill(90, 90, 110, 110, 2000);
    Fill(290, 90, 310, 110, 1000);
    Fill(590, 590, 610, 610, 1500);
    const std::string file = Write();
    EXPECT_EQ(Run({file, "--object", "100,100", "--comparison", "300,100", "--sky", "600,600"}),
              kExitSuccess);
    EXPECT_EQ(out.str(),
              "object: 2000\ncomparison: 1000\nbackground: 1500\nmagnitudeDifference:\n");
    // A comparison star of nothing at all: no magnitude either. The background shown is the
    // display estimate: levels 0, then 3, 5 and 7 tied, the lowest first: (0 + 3 + 5) / 3 = 2.
    EXPECT_EQ(Run({file, "--object", "100,100", "--comparison", "800,800"}), kExitSuccess);
    EXPECT_EQ(out.str(), "object: 2000\ncomparison: 0\nbackground: 512\nmagnitudeDifference:\n");
}

TEST_F(PhotometryCommandTest, MaskSizeAndSnapping) {
    Fill(380, 280, 620, 520, 1000);
    Put(400, 300, 30000);
    for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
        Put(400 + dx, 300 + dy, 10000);
    Put(600, 300, 20000);
    for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) Put(600 + dx, 300 + dy, 5000);
    const std::string file = Write();
    EXPECT_EQ(
        Run({file, "--object", "403,302", "--comparison", "598,301", "--sky", "500,500", "--snap"}),
        kExitSuccess);
    // 146000 / 81, 116000 / 81; -2.5 log10(65000 / 35000).
    EXPECT_EQ(out.str(),
              "object: 1802\ncomparison: 1432\nbackground: 1000\nmagnitudeDifference: -0.67\n");
    EXPECT_EQ(Run({file, "--object", "400,300", "--comparison", "600,300", "--sky", "500,500",
                   "--mask", "0"}),
              kExitSuccess);
    EXPECT_EQ(out.str(),
              "object: 30000\ncomparison: 20000\nbackground: 1000\nmagnitudeDifference: -0.46\n");
}

TEST_F(PhotometryCommandTest, PointsOutsideTheImageFailWithTheClickMessage) {
    const std::string file = Write();
    const std::string outside = "VEXA_Q4_USB: Sorry, outside Image area - try again\n";
    EXPECT_EQ(Run({file, "--object", "3,100", "--comparison", "300,100"}), kExitFailure);
    EXPECT_EQ(err.str(), outside);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(Session().photometryMode);
    EXPECT_EQ(Run({file, "--object", "100,100", "--comparison", "1296,100"}), kExitFailure);
    EXPECT_EQ(Run({file, "--object", "100,100", "--comparison", "300,100", "--sky", "-9,-9"}),
              kExitFailure);
    EXPECT_EQ(err.str(), outside);
    EXPECT_EQ(
        Run({file, "--object", "100,100", "--comparison", "2147483647,-2147483648", "--snap"}),
        kExitFailure);
    // A single-pixel mask reaches the very corner.
    EXPECT_EQ(Run({file, "--object", "0,0", "--comparison", "1299,1029", "--mask", "0"}),
              kExitSuccess);
}

TEST_F(PhotometryCommandTest, UsageErrorsAndUnreadableFiles) {
    const std::string file = Write();
    const std::vector<std::vector<std::string>> bad = {
        {},
        {file},
        {file, "--object", "100,100"},
        {file, "--comparison", "100,100"},
        {"--object", "100,100", "--comparison", "300,100"},
        {file, file, "--object", "100,100", "--comparison", "300,100"},
        {file, "--object", "100", "--comparison", "300,100"},
        {file, "--object", "100,x", "--comparison", "300,100"},
        {file, "--object", "100,100", "--comparison"},
        {file, "--object", "100,100", "--comparison", "300,100", "--mask", "5"},
        {file, "--object", "100,100", "--comparison", "300,100", "--mask", "-1"},
        {file, "--object", "100,100", "--comparison", "300,100", "--mask"},
        {file, "--object", "100,100", "--comparison", "300,100", "--loud"},
    };
    for (const auto& args : bad) {
        EXPECT_EQ(Run(args), kExitUsage);
        EXPECT_NE(err.str().find("usage: vexaq4-cli [--root DIR] photometry FILE"),
                  std::string::npos);
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(Run({(fs::path(fixture.root) / "none.tq").string(), "--object", "100,100",
                   "--comparison", "300,100"}),
              kExitFailure);
    EXPECT_NE(err.str().find("VEXA_Q4_USB: "), std::string::npos);
    EXPECT_EQ(Run({"--help"}), kExitSuccess);
    EXPECT_NE(out.str().find("--snap"), std::string::npos);
}

}  // namespace
}  // namespace vexa::cli
