// info prints the texts of a file so that the file cannot drive the terminal.
#include "cli/image_commands.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "files/fits_file.h"
#include "session/history_lines.h"
#include "tests/unit/cli/cli_test_support.h"
#include "tests/unit/files/file_test_helpers.h"

namespace vexa::cli {
namespace {

// The file routines write only printable texts: the bytes are put into the file afterwards.
void Replace(test::Bytes& file, const std::string& from, const std::string& to) {
    const auto at = std::search(file.begin(), file.end(), from.begin(), from.end());
    ASSERT_NE(at, file.end()) << from;
    std::copy(to.begin(), to.end(), at);
}

TEST(InfoCommandTest, ControlBytesOfTheFilesTextsAreEscaped) {
    test::SessionFixture fixture;
    std::ostringstream out, err;
    test::SetPatternImage(1);
    FitsDetails details = SessionFitsDetails();
    details.object = "OOOOOOOOOOOOO";
    details.observer = "VVVVVVVVVV";
    details.comment = "plain text";
    ClearHistory();
    AppendHistory("HHHHHHHHHH");
    const std::string file = fixture.root + "/texts.fit";
    ASSERT_TRUE(WriteFitsFileTo(file, Session().currentImage.data(), kHalfWidth, kHalfHeight,
                                details, Session().historyLines, false));
    test::Bytes bytes = test::ReadBytes(file);
    Replace(bytes, details.object, "M42\x1b]0;owned\a");
    Replace(bytes, details.observer,
            "bell\a\x9b"
            "2J\x7f\xff");
    Replace(bytes, "HHHHHHHHHH", "line\x1b[31m\r");
    test::WriteBytes(file, bytes);

    ASSERT_EQ(test::RunCliCommand(RunInfoCommand, {file}, out, err, fixture.ui), kExitSuccess)
        << err.str();
    const std::string text = out.str();
    for (const char* line :
         {"\nfitsObject: M42\\x1b]0;owned\\x07\n", "\nfitsObserver: bell\\x07\\x9b2J\\x7f\\xff\n",
          "\nfitsComment: plain text", "\nhistoryLines:\n  line\\x1b[31m\\x0d\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
    for (const char raw : {'\x1b', '\a', '\r', '\x9b'}) {
        EXPECT_EQ(text.find(raw), std::string::npos) << int(raw);
    }
}

}  // namespace
}  // namespace vexa::cli
