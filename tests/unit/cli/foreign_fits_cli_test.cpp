// The command-line commands that read an image take standard FITS files of other programs
// through the one loader: info names them FITS, process merges one as its second image and
// keeps FITS as the output format.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "cli/image_commands.h"
#include "cli/process_command.h"
#include "files/tq_file.h"
#include "session/session_state.h"
#include "tests/unit/cli/cli_test_support.h"
#include "tests/unit/files/foreign_fits_writer.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::cli {
namespace {

namespace fs = std::filesystem;

class ForeignFitsCliTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    std::ostringstream out;
    std::ostringstream err;

    std::string Path(const std::string& name) const {
        return (fs::path(fixture.root) / name).string();
    }

    std::string WriteForeign(const std::string& name, std::vector<long> axes, double fill) {
        test::ForeignFile foreign;
        foreign.bitpix = FLOAT_IMG;
        foreign.axes = std::move(axes);
        foreign.fill = fill;
        foreign.imageKeys = [](fitsfile* f) { test::WriteTextKey(f, "OBJECT", "M 1"); };
        EXPECT_EQ(test::WriteForeign(Path(name), foreign), 0);
        return Path(name);
    }
};

TEST_F(ForeignFitsCliTest, InfoNamesAForeignFileFits) {
    const std::string file = WriteForeign("crab.fits", {650, 515}, 99.6);
    ASSERT_EQ(test::RunCliCommand(RunInfoCommand, {file}, out, err, fixture.ui), kExitSuccess)
        << err.str();
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("format: FITS\ngeometry: 650x515\nmin: 100\nmax: 100\nmean: 100.00\n", 0),
              0u)
        << text;
    EXPECT_NE(text.find("\nfitsObject: M 1\n"), std::string::npos) << text;
}

TEST_F(ForeignFitsCliTest, ProcessMergesAForeignSecondImageAndKeepsFitsOut) {
    std::vector<uint16_t> first(kFullSampleCount, 100);
    ASSERT_TRUE(WriteTqFileTo(Path("first.tq"), first.data(), kFullWidth, kFullHeight));
    const std::string second = WriteForeign("second.fits", {1300, 1030}, 250.0);
    ASSERT_EQ(RunProcessCommand(
                  {Path("first.tq"), Path("out.tq"), "--merge", second, "--marks", "10,10,15,12"},
                  out, err),
              kExitSuccess)
        << err.str();
    std::vector<uint16_t> merged(kFullSampleCount);
    ASSERT_EQ(fs::file_size(Path("out.tq")), static_cast<uintmax_t>(kFullTqFileBytes));
    std::FILE* in = std::fopen(Path("out.tq").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    ASSERT_EQ(std::fread(merged.data(), 2, merged.size(), in), merged.size());
    std::fclose(in);
    EXPECT_EQ(merged[400 * kFullWidth + 700], 350);

    // A foreign FITS image in, no --to: the program's FITS out.
    ASSERT_EQ(RunProcessCommand({second, Path("out.fit"), "--invert"}, out, err), kExitSuccess)
        << err.str();
    EXPECT_EQ(fs::file_size(Path("out.fit")), static_cast<uintmax_t>(kFullFitsFileBytes));
}

}  // namespace
}  // namespace vexa::cli
