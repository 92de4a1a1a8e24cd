#include "session/indi_settings.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "session/host_paths.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

IndiServer Server(std::string host, uint16_t port, std::string device = {}) {
    IndiServer server;
    server.host = std::move(host);
    server.port = port;
    server.device = std::move(device);
    return server;
}

TEST(IndiServerText, ReadsHostPortAndDevice) {
    struct Case {
        const char* text;
        IndiServer server;
    };
    const Case cases[] = {
        {"localhost", Server("localhost", 7624)},
        {"mount.local:7625", Server("mount.local", 7625)},
        {"10.0.0.2/EQMod Mount", Server("10.0.0.2", 7624, "EQMod Mount")},
        {"pi:1/Mount/with/slashes", Server("pi", 1, "Mount/with/slashes")},
        {"[::1]", Server("::1", 7624)},
        {"::1", Server("::1", 7624)},
        {"fe80::1/Mount", Server("fe80::1", 7624, "Mount")},
        {"[fe80::2]:65535/LX200 Generic", Server("fe80::2", 65535, "LX200 Generic")},
    };
    for (const Case& c : cases) {
        std::string problem = "left over";
        const std::optional<IndiServer> read = ParseIndiServer(c.text, problem);
        ASSERT_TRUE(read) << c.text << ": " << problem;
        EXPECT_EQ(*read, c.server) << c.text;
        EXPECT_TRUE(problem.empty());
        // Written back, it reads the same.
        const std::string written = IndiServerText(*read);
        EXPECT_EQ(ParseIndiServer(written, problem), c.server) << written;
    }
    EXPECT_EQ(IndiServerText(Server("::1", 7624, "Scope")), "[::1]:7624/Scope");
}

TEST(IndiServerText, RefusesWhatNamesNoServer) {
    struct Case {
        const char* text;
        const char* problem;
    };
    const Case cases[] = {
        {"", "no server named"},
        {":7624", "no server named"},
        {"/Telescope", "no server named"},
        {"[]:7624", "no server named"},
        {"host:", "the port must be a number from 1 to 65535"},
        {"host:0", "the port must be a number from 1 to 65535"},
        {"host:65536", "the port must be a number from 1 to 65535"},
        {"host:76x4", "the port must be a number from 1 to 65535"},
        {"host:-1", "the port must be a number from 1 to 65535"},
        {"[::1]:", "the port must be a number from 1 to 65535"},
        {"[::1", "an IPv6 address needs its closing ']'"},
        {"[::1]7624", "only :PORT may follow the address"},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_FALSE(ParseIndiServer(c.text, problem)) << c.text;
        EXPECT_EQ(problem, c.problem) << c.text;
    }
}

class IndiSettingsFileTest : public ::testing::Test {
  protected:
    IndiSettingsFileTest() { fs::create_directories(fs::path(fixture.root) / "autosave"); }
    fs::path File() const { return HostPath(kIndiSettingsPath); }
    void Write(const std::string& bytes) const {
        std::ofstream(File(), std::ios::binary | std::ios::trunc) << bytes;
    }
    test::SessionFixture fixture;
};

TEST_F(IndiSettingsFileTest, SavedSettingsLoadBackAndAMissingFileGivesTheDefaults) {
    IndiServer server = Server("somewhere", 8000, "Old Mount");
    ASSERT_TRUE(LoadIndiSettings(server));  // no file: no failure, the defaults
    EXPECT_EQ(server, IndiServer());

    IndiServer saved = Server("observatory.lan", 7625, "EQMod Mount");
    saved.gotoSeconds = 600;
    ASSERT_TRUE(SaveIndiSettings(saved));
    IndiServer loaded;
    ASSERT_TRUE(LoadIndiSettings(loaded));
    EXPECT_EQ(loaded, saved);
}

TEST_F(IndiSettingsFileTest, AFileItCannotReadLeavesTheServerAsItWas) {
    const std::string files[] = {
        "host=\nport=7624\n",
        "host=pi\nport=0\n",
        "host=pi\nport=70000\n",
        "port=76 24\n",
        "gotoSeconds=0\n",
        "gotoSeconds=3601\n",
        "\x7f"
        "ELF\x02\x01\x01 garbage without an equals sign\n",
        "host=pi\nthis line is no setting\n",
        "host=pi\n" + std::string(2000, 'x') + "\n",
    };
    const IndiServer before = Server("kept", 7700, "Kept Mount");
    for (const std::string& file : files) {
        Write(file);
        IndiServer server = before;
        EXPECT_FALSE(LoadIndiSettings(server)) << file;
        EXPECT_EQ(server, before) << file;
    }
    // Comments, blank lines, Windows line ends and keys of a later version are no fault.
    Write("# INDI\r\n\r\nhost=pi\r\nport=7625\r\nfocuser=Moonlite\r\n");
    IndiServer server = before;
    ASSERT_TRUE(LoadIndiSettings(server));
    EXPECT_EQ(server, Server("pi", 7625));
    // A folder where the file should be is refused, and no save replaces it.
    fs::remove(File());
    fs::create_directory(File());
    EXPECT_FALSE(LoadIndiSettings(server));
    EXPECT_FALSE(SaveIndiSettings(before));
    EXPECT_TRUE(fs::is_directory(File()));
}

}  // namespace
}  // namespace vexa
