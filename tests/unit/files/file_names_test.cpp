// A user's file name spelt as the file on disk is, for the title and the next Open.
#include "files/file_names.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "session/session_state.h"
#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

TEST(FileNamesTest, NameAsOnDiskTakesTheSpellingOfTheFileFound) {
    test::SessionFixture fixture;
    const fs::path obs = fs::path(fixture.root) / "obs";
    fs::create_directory(obs);
    test::WriteBytes(obs / "Stars.tq", test::Bytes{1});
    Session().fileDialogFolder = obs.string();
    const struct {
        std::string given, shown;
    } cases[] = {
        {"STARS.TQ", "Stars.tq"},                                    // bare, in the dialog folder
        {"Stars.tq", "Stars.tq"},                                    // already as on disk
        {(obs / "stars.TQ").string(), (obs / "Stars.tq").string()},  // folder kept as given
        {"missing.fit", "missing.fit"},                              // no file: as given
        {"c:\\AUTOSAVE\\IMG2.FIT", "c:\\AUTOSAVE\\IMG2.FIT"},        // the program's own name
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(NameAsOnDisk(c.given), c.shown) << c.given;
}

}  // namespace
}  // namespace vexa
