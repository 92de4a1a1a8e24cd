// The command line's files under faults: the view file is no concern of a command-line run,
// every file the user names is replaced only when its new contents are complete (also through
// links and under long names), special files in the place of an input never hang a run, and
// a file's texts cannot drive the terminal.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "files/fits_file.h"
#include "files/tq_file.h"
#include "session/history_lines.h"
#include "session/session_state.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa::cli {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::NamesIn;
using test::ReadBytes;
using test::WriteBytes;

class CliFilesTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    std::ostringstream out;
    std::ostringstream err;
    fs::path data;  // the user's files, outside the root

    CliFilesTest() {
        data = fs::path(fixture.root) / "data";
        fs::create_directories(data);
    }
    ~CliFilesTest() override { SetUi(&fixture.ui); }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        args.insert(args.begin(), {"--root", (fs::path(fixture.root) / "c").string()});
        return RunCli(args, out, err);
    }
    // A Half-geometry TQ file of the test pattern.
    std::string Input() {
        test::SetPatternImage(1);
        const fs::path in = data / "in.tq";
        EXPECT_TRUE(WriteTqFileTo(in, Session().currentImage.data(), kHalfWidth, kHalfHeight));
        return in.string();
    }
};

// A root that cannot take the view file (here a folder stands in its place) does not stop a
// command-line run, whose output goes elsewhere.
TEST_F(CliFilesTest, ProcessDoesNotDependOnTheViewFile) {
    const std::string in = Input();
    fs::create_directories(fs::path(fixture.root) / "c" / "VEXAQ4.bmp");
    const fs::path target = data / "out.tq";
    EXPECT_EQ(Run({"process", in, target.string(), "--invert", "--mirror"}), kExitSuccess)
        << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(fs::file_size(target), static_cast<uintmax_t>(kHalfTqFileBytes));
    EXPECT_TRUE(fs::is_directory(fs::path(fixture.root) / "c" / "VEXAQ4.bmp"));
}

TEST_F(CliFilesTest, ACommandLineRunWritesNoViewFile) {
    const std::string in = Input();
    ASSERT_EQ(Run({"process", in, (data / "out.tq").string(), "--invert"}), kExitSuccess);
    EXPECT_FALSE(fs::exists(fs::path(fixture.root) / "c" / "VEXAQ4.bmp"));
}

TEST_F(CliFilesTest, FailedConvertKeepsTheOlderFileInEveryFormat) {
    const std::string in = Input();
    const fs::path target = data / "out.img";
    const Bytes older(300, 0x33);
    for (const char* format : {"tq", "fits", "fits8", "tiff", "bmp"}) {
        SCOPED_TRACE(format);
        WriteBytes(target, older);
        int status = kExitSuccess;
        {
            test::FileSizeLimit limit(4096);
            status = Run({"convert", in, target.string(), "--to", format});
        }
        EXPECT_EQ(status, kExitFailure);
        EXPECT_EQ(ReadBytes(target), older);
        EXPECT_EQ(NamesIn(data), (std::vector<std::string>{"in.tq", "out.img"}));
    }
}

TEST_F(CliFilesTest, NamesUpToTheLongestAllowedAreWrittenInEveryFormat) {
    const std::string in = Input();
    struct Case {
        const char* format;
        uintmax_t bytes;
    };
    for (const Case& c : {Case{"tq", 669500}, Case{"fits", 677660}, Case{"fits8", 342110},
                          Case{"tiff", 334976}, Case{"bmp", 336858}}) {
        for (size_t length : {236u, 255u}) {
            SCOPED_TRACE(std::string(c.format) + " " + std::to_string(length));
            const fs::path target = data / std::string(length, 'N');
            EXPECT_EQ(Run({"convert", in, target.string(), "--to", c.format}), kExitSuccess)
                << err.str();
            EXPECT_EQ(fs::file_size(target), c.bytes);
            EXPECT_EQ(NamesIn(data), (std::vector<std::string>{std::string(length, 'N'), "in.tq"}));
            fs::remove(target);
        }
    }
}

TEST_F(CliFilesTest, OutputThatIsALinkWritesTheLinksTargetAndKeepsTheLink) {
    const std::string in = Input();
    fs::create_directories(data / "store");
    WriteBytes(data / "store" / "kept.fit", Bytes{1});
    fs::create_symlink("store/kept.fit", data / "link.fit");
    ASSERT_EQ(Run({"convert", in, (data / "link.fit").string(), "--to", "fits"}), kExitSuccess);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(data / "link.fit")));
    EXPECT_EQ(fs::file_size(data / "store" / "kept.fit"), 677660u);
    ASSERT_EQ(Run({"info", (data / "link.fit").string()}), kExitSuccess);
    EXPECT_NE(out.str().find("geometry: 650x515"), std::string::npos);
}

// The texts of a file are printed with the bytes that could drive a terminal escaped.
TEST_F(CliFilesTest, InfoEscapesTheControlBytesOfTheFilesTexts) {
    test::SetPatternImage(1);
    ClearHistory();
    AppendHistory("HHHHHHHHHH");
    FitsDetails details = SessionFitsDetails();
    details.object = "OOOOOOOOOOOOO";
    const fs::path file = data / "texts.fit";
    ASSERT_TRUE(WriteFitsFileTo(file, Session().currentImage.data(), kHalfWidth, kHalfHeight,
                                details, Session().historyLines, false));
    // The writer keeps texts printable: the bytes go into the file afterwards.
    Bytes bytes = ReadBytes(file);
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{details.object, "M42\x1b]0;owned\a"},
          {"HHHHHHHHHH", "line\x1b[31m\r"}}) {
        std::copy(to.begin(), to.end(),
                  std::search(bytes.begin(), bytes.end(), from.begin(), from.end()));
    }
    WriteBytes(file, bytes);
    ASSERT_EQ(Run({"info", file.string()}), kExitSuccess);
    EXPECT_NE(out.str().find("\nfitsObject: M42\\x1b]0;owned\\x07\n"), std::string::npos);
    EXPECT_NE(out.str().find("\n  line\\x1b[31m\\x0d\n"), std::string::npos) << out.str();
}

TEST_F(CliFilesTest, SpecialFilesAsInputFailWithAMessageAndStay) {
    ASSERT_EQ(::mkfifo((data / "pipe").c_str(), 0600), 0);
    fs::create_directory(data / "folder");
    struct Case {
        const char* name;
        fs::path path;
    };
    for (const Case& c : {Case{"pipe", data / "pipe"}, Case{"folder", data / "folder"},
                          Case{"device", "/dev/zero"}, Case{"missing", data / "missing"}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run({"convert", c.path.string(), (data / "out").string(), "--to", "tq"}),
                  kExitFailure);
        EXPECT_NE(err.str().find("You didn't choose a valid TQ or suitable FITs File"),
                  std::string::npos);
        EXPECT_EQ(Run({"process", c.path.string(), (data / "out").string(), "--invert"}),
                  kExitFailure);
    }
    EXPECT_TRUE(fs::is_fifo(data / "pipe"));
    EXPECT_EQ(NamesIn(data), (std::vector<std::string>{"folder", "pipe"}));
}

// The program as started from the shell: a write past the file-size limit is reported like
// any other failed write instead of ending the process, and leaves no temporary.
TEST_F(CliFilesTest, WritePastTheFileSizeLimitFailsAndCleansUp) {
    const std::string in = Input();
    const std::string target = (data / "out.fit").string();
    const std::string root = (fs::path(fixture.root) / "c").string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_DFL);
        const rlimit tight{65536, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &tight);
        std::vector<std::string> words = {"vexaq4-cli", "--root", root,   "convert",
                                          in,           target,   "--to", "fits"};
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        _exit(RunCli(static_cast<int>(words.size()), argv.data()));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kExitFailure);
    EXPECT_EQ(NamesIn(data), std::vector<std::string>{"in.tq"});
}

}  // namespace
}  // namespace vexa::cli
