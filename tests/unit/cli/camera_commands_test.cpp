#include "cli/camera_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "cli/cli_app.h"
#include "session/session_state.h"
#include "tests/unit/cli/cli_test_support.h"

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
              cli::kExitSuccess);
    EXPECT_EQ(out.str(), "frame: 1\n");
    EXPECT_EQ(err.str(), "VEXA_Q4_USB: Failed to Open Darkframe TQ File\n");
    EXPECT_EQ(Session().darkFrameFileName, fs::absolute("no-such-dark.tq").string());
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
                                                           {"--frames", "3"}};
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
    EXPECT_EQ(Run(cli::RunFocusCommand, {"--help"}), cli::kExitSuccess);
    EXPECT_NE(out.str().find("hfd: PIXELS"), std::string::npos);
}

}  // namespace
}  // namespace vexa::test
