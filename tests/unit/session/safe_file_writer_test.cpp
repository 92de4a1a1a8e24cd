#include "session/safe_file_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

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

TEST_F(SafeFileWriterTest, EmptyTargetFails) {
    SafeFileWriter writer{fs::path()};
    EXPECT_FALSE(writer.Open());
    EXPECT_FALSE(writer.Write("a", 1));
    EXPECT_FALSE(writer.Commit());
}

}  // namespace
}  // namespace vexa
