// The simulated mount offered to another program on a symbolic link: the link made and removed
// without harm to anything else at the path, and the mount serviced on the thread that drains
// the posted work, never on the watcher's own.
#include "simulator/simulated_mount_link.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "session/posted_work.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

class MountLinkTest : public ::testing::Test {
  protected:
    MountLinkTest() {
        char pattern[] = "/tmp/vexa_link_XXXXXX";
        folder = mkdtemp(pattern);
        (void)RunPostedWork();
    }
    ~MountLinkTest() override {
        (void)RunPostedWork();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
};

TEST_F(MountLinkTest, ALinkReplacesOnlyALinkAndIsRemovedOnlyWhileItIsOurs) {
    enum class Standing { Nothing, Link, File, Folder };
    struct Case {
        Standing standing;
        bool made;
    };
    const Case cases[] = {
        {Standing::Nothing, true},
        {Standing::Link, true},
        {Standing::File, false},
        {Standing::Folder, false},
    };
    for (const Case& c : cases) {
        const fs::path path = folder / "mount";
        fs::remove_all(path);
        if (c.standing == Standing::Link) fs::create_symlink("/dev/null", path);
        if (c.standing == Standing::File) std::ofstream(path) << "the user's file";
        if (c.standing == Standing::Folder) fs::create_directory(path);
        const Status made = MakeMountLink(path, "/dev/tty");
        EXPECT_EQ(made.ok(), c.made) << static_cast<int>(c.standing);
        if (c.made) {
            EXPECT_EQ(fs::read_symlink(path), "/dev/tty");
            RemoveMountLink(path, "/dev/zero");  // another program's link now: kept
            EXPECT_TRUE(fs::is_symlink(path));
            RemoveMountLink(path, "/dev/tty");
            EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
        } else {
            EXPECT_EQ(made.code(), StatusCode::InvalidArgument);
            EXPECT_FALSE(fs::is_symlink(path));
            EXPECT_EQ(fs::is_directory(path), c.standing == Standing::Folder);
        }
    }
}

TEST_F(MountLinkTest, TheMountAnswersThroughTheLinkWhenThePostedWorkIsDrained) {
    MountConfig config;
    config.kind = MountKind::Lx200;
    config.startRaHours = 5.5;
    SimulatedMount mount(config);
    ASSERT_TRUE(mount.OpenTerminal().ok());
    const fs::path path = folder / "mount";
    {
        SimulatedMountLink link(mount);
        ASSERT_TRUE(link.Serve(path).ok());
        EXPECT_TRUE(fs::is_symlink(path));
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, ":GR#", 4), 4);
        // Nothing is answered before this thread drains the queue.
        pollfd wait{fd, POLLIN, 0};
        EXPECT_EQ(poll(&wait, 1, 100), 0);
        std::string reply;
        for (int pass = 0; pass < 200 && reply.size() < 8; ++pass) {
            (void)WaitForPostedWork(10);
            (void)RunPostedWork();
            char bytes[16];
            const ssize_t n = read(fd, bytes, sizeof bytes);
            if (n > 0) reply.append(bytes, static_cast<size_t>(n));
        }
        EXPECT_EQ(reply, "05:30.0#");
        close(fd);
    }
    // The link goes with the service; a service still queued finds no mount.
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
    (void)RunPostedWork();
}

}  // namespace
}  // namespace vexa
