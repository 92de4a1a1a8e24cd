#include "cli/camera_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>

#include "cli/cli_app.h"
#include "session/session_state.h"
#include "tests/unit/cli/cli_test_support.h"
#include "tests/unit/files/file_test_helpers.h"

namespace vexa::test {
namespace {

namespace fs = std::filesystem;

class CameraCliTest : public ::testing::Test {
  protected:
    CameraCliTest() {
        // The text interface sleeps its idle waits in real time: the clock moves on with every
        // reading instead, so that waits on it end promptly.
        fixture.clock.SetStepPerReading(50);
        cli::CameraOptions() = {};
    }
    ~CameraCliTest() override { cli::CameraOptions() = {}; }
    int Run(CliCommand command, const std::vector<std::string>& args) {
        return RunCliCommand(command, args, out, err, fixture.ui);
    }

    SessionFixture fixture;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CameraCliTest, CapturePrintsEachFrameAndWhereItWasSaved) {
    const std::string image = fixture.root + "/last.fit";
    Session().settings.showInterfaceDetails = false;
    ASSERT_EQ(Run(cli::RunCaptureCommand, {"--simulator", "--exposure", "10", "h", "--autosave",
                                           "--binned", "--out", image, "--to", "fits"}),
              cli::kExitSuccess)
        << err.str();
    const std::string saved = fs::path(fixture.root) / "autosave" / "IMG1.FIT";
    EXPECT_EQ(out.str(), "frame: 1\nsaved: " + saved + "\n");
    EXPECT_TRUE(fs::exists(saved));
    EXPECT_EQ(fs::file_size(image), fs::file_size(saved));
    EXPECT_EQ(Session().geometry.width, 650);
    EXPECT_TRUE(err.str().empty()) << err.str();
}

TEST_F(CameraCliTest, CaptureReportsAMissingDarkAndGoesOn) {
    Session().settings.showInterfaceDetails = false;
    EXPECT_EQ(Run(cli::RunCaptureCommand,
                  {"--simulator", "--exposure", "5", "h", "--dark", "no-such-dark.tq"}),
              cli::kExitFailure);
    EXPECT_EQ(out.str(), "frame: 1\n");
    EXPECT_EQ(err.str(), "VEXA_Q4_USB: Failed to Open Darkframe TQ File\n");
    EXPECT_EQ(Session().darkFrameFileName, fs::absolute("no-such-dark.tq").string());
}

// Every failure the capture reports ends the command with status 1, also when the capture
// itself ran to its end with its one frame.
TEST_F(CameraCliTest, EveryReportedFailureOfACaptureExitsOne) {
    struct Case {
        std::vector<std::string> options;
        rlim_t sizeLimit;     // 0: none; else room for the view bitmap, not for the frame
        const char* message;  // in standard error; none: empty, status 0
    } cases[] = {
        {{}, 0, nullptr},
        {{"--count", "3"}, 0, nullptr},  // summed from the brightest star
        {{"--count", "3", "--star", "3,3"}, 0, "Sorry. Cannot find suitable guide star"},
        {{"--flat", "no-such-flat.tq"}, 0, "Failed to Open Flatfield TQ File"},
        {{"--autosave"}, 500000, "check disk space\n\nFile too large\n"},
    };
    Session().settings.showInterfaceDetails = false;
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--simulator", "--exposure", "5", "h", "--binned"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        Session().starCentreX = Session().starCentreY = 0;
        std::optional<test::FileSizeLimit> limit;
        if (c.sizeLimit != 0) limit.emplace(c.sizeLimit);
        const int status = Run(cli::RunCaptureCommand, args);
        limit.reset();
        EXPECT_EQ(status, c.message ? cli::kExitFailure : cli::kExitSuccess) << args.back();
        EXPECT_EQ(out.str(), "frame: 1\n") << args.back();
        EXPECT_TRUE(c.message ? err.str().find(c.message) != std::string::npos : err.str().empty())
            << err.str();
    }
}

TEST_F(CameraCliTest, FocusPrintsPeakAndHalfFluxDiameterPerFrame) {
    ASSERT_EQ(Run(cli::RunFocusCommand, {"--simulator", "--exposure", "2", "t", "--frames", "2"}),
              cli::kExitSuccess)
        << err.str();
    EXPECT_TRUE(std::regex_match(out.str(), std::regex("(peak: [0-9]+\nhfd: [0-9]+\\.[0-9]\n){2}")))
        << out.str();
}

TEST_F(CameraCliTest, BadOptionsAreUsageErrors) {
    const std::vector<std::vector<std::string>> capture = {{"--exposure", "501", "h"},
                                                           {"--exposure", "5", "x"},
                                                           {"--exposure", "5"},
                                                           {"--count", "100"},
                                                           {"--delay-minutes", "21"},
                                                           {"--out", "a.fit"},
                                                           {"--to", "png"},
                                                           {"--frames", "3"},
                                                           {"--star", "5"},
                                                           {"--star", "1300,5"},
                                                           {"--star", "5,1030"},
                                                           {"--star", "651,9", "--binned"}};
    for (const auto& args : capture) {
        EXPECT_EQ(Run(cli::RunCaptureCommand, args), cli::kExitUsage) << args[0];
        EXPECT_NE(err.str().find("usage: vexaq4-cli"), std::string::npos);
    }
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--exposure", "1", "m"}, {"--exposure", "100", "t"}, {"--frames", "0"}}) {
        EXPECT_EQ(Run(cli::RunFocusCommand, args), cli::kExitUsage) << args[0];
    }
    std::ostringstream o, e;
    EXPECT_EQ(cli::RunCli({"--camera", "12345:1", "capture"}, o, e), cli::kExitUsage);
    EXPECT_EQ(cli::RunCli({"--usb-log"}, o, e), cli::kExitUsage);
}

TEST_F(CameraCliTest, AnUnwritableUsbLogFailsBeforeAnythingIsSent) {
    cli::CameraOptions().usbLog = "/nonexistent-folder/usb.log";
    EXPECT_EQ(Run(cli::RunCaptureCommand, {"--simulator"}), cli::kExitFailure);
    EXPECT_EQ(err.str(), "vexaq4-cli: cannot open the USB log /nonexistent-folder/usb.log\n");
    EXPECT_TRUE(out.str().empty());
}

TEST_F(CameraCliTest, HelpDescribesEachCommand) {
    EXPECT_EQ(Run(cli::RunCaptureCommand, {"--help"}), cli::kExitSuccess);
    EXPECT_NE(out.str().find("--continuous"), std::string::npos);
    EXPECT_NE(out.str().find("--star X,Y"), std::string::npos);
    EXPECT_EQ(Run(cli::RunFocusCommand, {"--help"}), cli::kExitSuccess);
    EXPECT_NE(out.str().find("hfd: PIXELS"), std::string::npos);
}

}  // namespace
}  // namespace vexa::test
