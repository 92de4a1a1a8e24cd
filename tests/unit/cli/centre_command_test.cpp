#include "cli/centre_command.h"

#include <filesystem>
#include <fstream>
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

class CentreCommandTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    std::ostringstream out;
    std::ostringstream err;
    std::vector<uint16_t> image = std::vector<uint16_t>(kFullSampleCount, 1000);

    void Put(int column, int row, uint16_t value) { image[row * kFullWidth + column] = value; }
    // One bright pixel with four half-bright neighbours on the sky of 1000.
    void Star(int column, int row) {
        Put(column, row, 30000);
        for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
            Put(column + dx, row + dy, 10000);
    }
    std::string Write(const std::string& name = "star.tq") {
        const fs::path path = fs::path(fixture.root) / name;
        EXPECT_TRUE(WriteTqFileTo(path, image.data(), kFullWidth, kFullHeight));
        return path.string();
    }
    int Run(const std::vector<std::string>& args) {
        return test::RunCliCommand(RunCentreCommand, args, out, err, fixture.ui);
    }
};

TEST_F(CentreCommandTest, ThreePassesWalkOntoTheStar) {
    Star(400, 300);
    const std::string file = Write();
    EXPECT_EQ(Run({file, "403", "302", "--box", "4"}), kExitSuccess);
    EXPECT_EQ(out.str(), "x: 400\ny: 300\n");
    EXPECT_EQ(err.str(), "");
    // The default half-size is the guide-star mask radius setting (8).
    EXPECT_EQ(Run({file, "403", "302"}), kExitSuccess);
    EXPECT_EQ(out.str(), "x: 400\ny: 300\n");
}

TEST_F(CentreCommandTest, SubpixelReportsTenthsOfThePassesMade) {
    Star(400, 300);
    const std::string file = Write();
    // One pass over 399..407 x 298..306: centroid (1.0, 1.99998) from the corner.
    EXPECT_EQ(Run({file, "403", "302", "--box=4", "--passes=1", "--subpixel"}), kExitSuccess);
    EXPECT_EQ(out.str(), "x: 400\ny: 299\ntenthsX: 0\ntenthsY: 9\n");
    // Three passes settle on 399.9, 299.9: the sums that start at 1 pull towards the corner.
    EXPECT_EQ(Run({file, "403", "302", "--box", "4", "--subpixel"}), kExitSuccess);
    EXPECT_EQ(out.str(), "x: 399\ny: 299\ntenthsX: 9\ntenthsY: 9\n");
}

TEST_F(CentreCommandTest, FlatAndSaturatedImagesWalkUpLeftOnePixelLessThanTheBox) {
    const std::string flat = Write("flat.tq");
    image.assign(kFullSampleCount, 65535);
    const std::string saturated = Write("saturated.tq");
    for (const std::string& file : {flat, saturated}) {
        EXPECT_EQ(Run({file, "100", "100", "--box", "4"}), kExitSuccess);
        EXPECT_EQ(out.str(), "x: 91\ny: 91\n");
    }
}

TEST_F(CentreCommandTest, SearchesAtAndBeyondEveryEdge) {
    const std::string file = Write();
    // A square touching each edge is searched.
    EXPECT_EQ(Run({file, "4", "4", "--box", "4", "--passes", "1"}), kExitSuccess);
    EXPECT_EQ(out.str(), "x: 1\ny: 1\n");
    EXPECT_EQ(Run({file, "1295", "1025", "--box", "4", "--passes", "1"}), kExitSuccess);
    EXPECT_EQ(out.str(), "x: 1292\ny: 1022\n");
    // A later pass leaving the image fails with the finder's message.
    EXPECT_EQ(Run({file, "4", "4", "--box", "4"}), kExitFailure);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Vexa_Q4_USB  - Find Centre: Find centre failed - outside image area\n");
    // The default box of 8 does not fit where a box of 4 does.
    EXPECT_EQ(Run({file, "7", "100"}), kExitFailure);
    for (const auto& [x, y] : {std::pair{"-1", "100"},
                               {"100", "-1"},
                               {"1296", "100"},
                               {"100", "1026"},
                               {"2147483647", "-2147483648"}}) {
        EXPECT_EQ(Run({file, x, y, "--box", "4"}), kExitFailure) << x << "," << y;
        EXPECT_NE(err.str().find("Find centre failed"), std::string::npos);
    }
}

TEST_F(CentreCommandTest, HalfGeometryFileBoundsFollowTheBinnedImage) {
    const fs::path path = fs::path(fixture.root) / "half.tq";
    ASSERT_TRUE(WriteTqFileTo(path, image.data(), kHalfWidth, kHalfHeight));
    EXPECT_EQ(Run({path.string(), "645", "510", "--box", "4", "--passes", "1"}), kExitSuccess);
    EXPECT_EQ(out.str(), "x: 642\ny: 507\n");
    EXPECT_EQ(Run({path.string(), "646", "100", "--box", "4"}), kExitFailure);
}

TEST_F(CentreCommandTest, FilesThatCannotBeLoadedFail) {
    EXPECT_EQ(Run({(fs::path(fixture.root) / "missing.tq").string(), "100", "100"}), kExitFailure);
    EXPECT_NE(err.str().find("VEXA_Q4_USB: "), std::string::npos);
    const fs::path junk = fs::path(fixture.root) / "junk.tq";
    { std::ofstream(junk) << "not an image"; }
    EXPECT_EQ(Run({junk.string(), "100", "100"}), kExitFailure);
    EXPECT_EQ(err.str(), "VEXA_Q4_USB: You didn't choose a valid TQ or suitable FITs File\n");
}

TEST_F(CentreCommandTest, UsageErrors) {
    const std::string file = Write();
    const std::vector<std::vector<std::string>> bad = {
        {},
        {file},
        {file, "100"},
        {file, "100", "100", "7"},
        {file, "x", "100"},
        {file, "100", "1e2"},
        {file, "100", "99999999999"},
        {file, "100", "100", "--box"},
        {file, "100", "100", "--box", "-1"},
        {file, "100", "100", "--box", "four"},
        {file, "100", "100", "--passes", "0"},
        {file, "100", "100", "--passes", "1001"},
        {file, "100", "100", "--fast"},
    };
    for (const auto& args : bad) {
        EXPECT_EQ(Run(args), kExitUsage) << (args.empty() ? "" : args.back());
        EXPECT_NE(err.str().find("usage: vexaq4-cli [--root DIR] centre FILE X Y"),
                  std::string::npos);
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(Run({"--help"}), kExitSuccess);
    EXPECT_NE(out.str().find("--subpixel"), std::string::npos);
}

}  // namespace
}  // namespace vexa::cli
