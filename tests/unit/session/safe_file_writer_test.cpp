#include "session/safe_file_writer.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "tests/unit/files/file_test_helpers.h"
#include "tests/unit/support/fake_ui.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::NamesIn;
using test::ReadBytes;
using test::WriteBytes;

class SafeFileWriterTest : public ::testing::Test {
  protected:
    test::SessionFixture fixture;
    fs::path Folder() const { return fs::path(fixture.root); }
};

TEST_F(SafeFileWriterTest, WritesAllPiecesInOrderAndLeavesNoTemporary) {
    const Bytes a{1, 2, 3}, b{4, 5};
    ASSERT_TRUE(WriteFileSafely(Folder() / "out.bin", {a, b}));
    EXPECT_EQ(ReadBytes(Folder() / "out.bin"), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(NamesIn(Folder()), std::vector<std::string>{"out.bin"});
}

TEST_F(SafeFileWriterTest, ReplacesAnOlderFileAndKeepsItsPermissions) {
    const fs::path target = Folder() / "old.bin";
    WriteBytes(target, Bytes(1000, 7));
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileSafely(target, {Bytes{9}}));
    EXPECT_EQ(ReadBytes(target), Bytes{9});
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(SafeFileWriterTest, FullDiskLeavesTheOlderFileIntactAndNoPartialFile) {
    const fs::path target = Folder() / "image.fit";
    const Bytes previous(5000, 0x5A);
    WriteBytes(target, previous);
    bool ok = true;
    {
        test::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.Active());
        ok = WriteFileSafely(target, {Bytes(100000, 1)});
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadBytes(target), previous);
    EXPECT_EQ(NamesIn(Folder()), std::vector<std::string>{"image.fit"});
}

TEST_F(SafeFileWriterTest, FullDiskWithNoOlderFileLeavesNothing) {
    bool ok = true;
    {
        test::FileSizeLimit limit(4096);
        ok = WriteFileSafely(Folder() / "new.fit", {Bytes(100000, 1)});
    }
    EXPECT_FALSE(ok);
    EXPECT_TRUE(NamesIn(Folder()).empty());
}

TEST_F(SafeFileWriterTest, FolderThatIsARegularFileFails) {
    WriteBytes(Folder() / "plain", Bytes{1});
    EXPECT_FALSE(WriteFileSafely(Folder() / "plain" / "x.bin", {Bytes{1}}));
    EXPECT_EQ(ReadBytes(Folder() / "plain"), Bytes{1});
}

TEST_F(SafeFileWriterTest, TargetThatIsAFolderFailsAndStaysAFolder) {
    fs::create_directory(Folder() / "dir");
    EXPECT_FALSE(WriteFileSafely(Folder() / "dir", {Bytes{1}}));
    EXPECT_TRUE(fs::is_directory(Folder() / "dir"));
    EXPECT_EQ(NamesIn(Folder()), std::vector<std::string>{"dir"});
}

TEST_F(SafeFileWriterTest, ReadOnlyFolderKeepsTheOlderFile) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    const fs::path folder = Folder() / "ro";
    fs::create_directory(folder);
    WriteBytes(folder / "a.bin", Bytes{1, 2});
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteFileSafely(folder / "a.bin", {Bytes{3}}));
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(folder / "a.bin"), (Bytes{1, 2}));
}

TEST_F(SafeFileWriterTest, AWriterNeverCommittedRemovesItsTemporary) {
    const fs::path target = Folder() / "t.bin";
    {
        SafeFileWriter writer(target);
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write("abc", 3));
        EXPECT_TRUE(fs::exists(writer.TemporaryPath()));
        EXPECT_EQ(writer.TemporaryPath().parent_path(), Folder());
    }
    EXPECT_TRUE(NamesIn(Folder()).empty());
}

TEST(TemporaryFileNameTest, FitsTheLongestNameAFolderHoldsWhateverTheTargetsLength) {
    for (size_t length : {0u, 1u, 200u, 218u, 219u, 236u, 254u, 255u}) {
        SCOPED_TRACE(length);
        const std::string target(length, 'n');
        const std::string name = TemporaryFileName(target, 4000000000u, 99);
        EXPECT_LE(name.size(), 255u);
        EXPECT_EQ(name[0], '.');
        EXPECT_TRUE(name.ends_with(".tmp"));
        // As much of the target's name as fits, so a leftover shows whose it was.
        EXPECT_EQ(name.substr(1, std::min<size_t>(length, 10)), target.substr(0, 10));
    }
    EXPECT_NE(TemporaryFileName("a", 1, 0), TemporaryFileName("a", 1, 1));
    EXPECT_NE(TemporaryFileName(std::string(255, 'x'), 1, 0),
              TemporaryFileName(std::string(255, 'x'), 2, 0));
}

TEST_F(SafeFileWriterTest, WritesAndReplacesFilesWithNamesUpToTheLongestAllowed) {
    for (size_t length : {236u, 250u, 255u}) {
        SCOPED_TRACE(length);
        const fs::path target = Folder() / std::string(length, 'L');
        ASSERT_TRUE(WriteFileSafely(target, {Bytes{1, 2}}));
        ASSERT_TRUE(WriteFileSafely(target, {Bytes{3}}));
        EXPECT_EQ(ReadBytes(target), Bytes{3});
        EXPECT_EQ(NamesIn(Folder()), std::vector<std::string>{std::string(length, 'L')});
        fs::remove(target);
    }
}

TEST_F(SafeFileWriterTest, ALinkGetsItsTargetWrittenAndStaysALink) {
    fs::create_directory(Folder() / "data");
    const fs::path real = Folder() / "data" / "real.fit";
    WriteBytes(real, Bytes{1, 2, 3});
    ASSERT_EQ(::chmod(real.c_str(), 0604), 0);
    fs::create_symlink("data/real.fit", Folder() / "relative");
    fs::create_symlink(Folder() / "relative", Folder() / "chain");  // absolute, to a link
    struct Case {
        const char* link;
        uint8_t value;
    };
    for (const Case& c : {Case{"relative", 7}, Case{"chain", 8}}) {
        SCOPED_TRACE(c.link);
        ASSERT_TRUE(WriteFileSafely(Folder() / c.link, {Bytes{c.value}}));
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Folder() / c.link)));
        EXPECT_EQ(ReadBytes(real), Bytes{c.value});
    }
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(NamesIn(Folder() / "data"), std::vector<std::string>{"real.fit"});
}

TEST_F(SafeFileWriterTest, ALinkToNothingCreatesTheFileItNames) {
    fs::create_symlink("made.bin", Folder() / "link");
    ASSERT_TRUE(WriteFileSafely(Folder() / "link", {Bytes{5}}));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Folder() / "link")));
    EXPECT_EQ(ReadBytes(Folder() / "made.bin"), Bytes{5});
}

TEST_F(SafeFileWriterTest, LinksInALoopFailAndStay) {
    fs::create_symlink("b", Folder() / "a");
    fs::create_symlink("a", Folder() / "b");
    EXPECT_FALSE(WriteFileSafely(Folder() / "a", {Bytes{1}}));
    EXPECT_EQ(NamesIn(Folder()), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(FollowSymbolicLinks(Folder() / "a").empty());
}

TEST_F(SafeFileWriterTest, APipeOrDeviceInTheTargetsPlaceIsNeverReplaced) {
    ASSERT_EQ(::mkfifo((Folder() / "pipe").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", Folder() / "device");
    for (const char* name : {"pipe", "device"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(WriteFileSafely(Folder() / name, {Bytes{1}}));
    }
    EXPECT_TRUE(fs::is_fifo(Folder() / "pipe"));
    EXPECT_EQ(fs::read_symlink(Folder() / "device"), "/dev/null");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(NamesIn(Folder()), (std::vector<std::string>{"device", "pipe"}));
}

TEST(IgnoreFileSizeSignalTest, AWritePastTheLimitFailsInsteadOfEndingTheProcess) {
    // In a child, so that the test binary keeps the default disposition.
    char pattern[] = "/tmp/vexa_fsize_XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_DFL);
        IgnoreFileSizeSignal();
        const rlimit tight{1024, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &tight);
        const bool written = WriteFileSafely(folder / "big.bin", {Bytes(8192, 1)});
        _exit(written ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(NamesIn(folder).empty());
    fs::remove_all(folder);
}

TEST_F(SafeFileWriterTest, EmptyTargetFails) {
    SafeFileWriter writer{fs::path()};
    EXPECT_FALSE(writer.Open());
    EXPECT_FALSE(writer.Write("a", 1));
    EXPECT_FALSE(writer.Commit());
}

// A failed write keeps the system's reason, so that the message can say where to look.
TEST_F(SafeFileWriterTest, AFailureKeepsTheSystemsReason) {
    WriteBytes(Folder() / "plain", Bytes{1});
    fs::create_directory(Folder() / "dir");
    fs::create_symlink("loop", Folder() / "loop");
    struct Case {
        const char* name;
        fs::path target;
        rlim_t sizeLimit;  // 0: none
        const char* reason;
    } cases[] = {
        {"past the file-size limit", Folder() / "big.bin", 4096, "File too large"},
        {"a folder in the target's place", Folder() / "dir", 0, "Is a directory"},
        {"a missing folder", Folder() / "none" / "x.bin", 0, "No such file or directory"},
        {"a file in the folder's place", Folder() / "plain" / "x.bin", 0, "Not a directory"},
        {"links in a loop", Folder() / "loop", 0, "Too many levels of symbolic links"},
        {"a write that succeeds", Folder() / "fine.bin", 0, ""},
    };
    for (const Case& c : cases) {
        std::optional<test::FileSizeLimit> limit;
        if (c.sizeLimit != 0) limit.emplace(c.sizeLimit);
        (void)WriteFileSafely(c.target, {Bytes(100000, 1)});
        EXPECT_EQ(WriteFailureReason(), c.reason) << c.name;
    }
}

// A name taken before the writer gets to it, also by another program meanwhile, is never
// replaced: the same complete file goes on to the next name.
TEST_F(SafeFileWriterTest, PublishNeverReplacesAndMovesOnToAFreeName) {
    using Result = SafeFileWriter::PublishResult;
    WriteBytes(Folder() / "a", Bytes{1});
    SafeFileWriter writer(Folder() / "a");
    ASSERT_TRUE(writer.OpenNew());
    ASSERT_TRUE(writer.Write("new", 3));
    EXPECT_EQ(writer.Publish(Folder() / "a"), Result::NameTaken);
    WriteBytes(Folder() / "b", Bytes{2});
    EXPECT_EQ(writer.Publish(Folder() / "b"), Result::NameTaken);
    EXPECT_EQ(WriteFailureReason(), "File exists");
    EXPECT_EQ(writer.Publish(Folder() / "c"), Result::Published);
    EXPECT_EQ(WriteFailureReason(), "");
    EXPECT_EQ(ReadBytes(Folder() / "a"), Bytes{1});
    EXPECT_EQ(ReadBytes(Folder() / "b"), Bytes{2});
    EXPECT_EQ(ReadBytes(Folder() / "c"), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(NamesIn(Folder()), (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
}  // namespace vexa
