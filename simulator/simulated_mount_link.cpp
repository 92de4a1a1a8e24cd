#include "simulator/simulated_mount_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "session/posted_work.h"
#include "session/timed_waits.h"

namespace vexa {

namespace {

// The watcher wakes the service at least this often, so motions advance and late answers go
// out while the other program is quiet.
constexpr int kWatchPassMs = 20;
// While a service it asked for has not run yet, the watcher waits this long before looking
// again.
constexpr uint32_t kPendingPauseMs = 2;

}  // namespace

// What the watcher and the posted services share: the mount (cleared, on the user-interface
// thread, when the link goes) and whether a service is on its way.
struct SimulatedMountLink::Shared {
    SimulatedMount* mount = nullptr;
    std::atomic<bool> stop{false};
    std::atomic<bool> pending{false};
};

Status MakeMountLink(const std::string& linkPath, const std::string& target) {
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            return Status(StatusCode::InvalidArgument,
                          linkPath + " exists and is not a symbolic link; it is left alone");
        }
        unlink(linkPath.c_str());
    }
    if (symlink(target.c_str(), linkPath.c_str()) != 0) {
        const int error = errno;
        return Status(StatusCode::IoError, "cannot link " + linkPath + ": " + std::strerror(error),
                      error);
    }
    return Status::Ok();
}

void RemoveMountLink(const std::string& linkPath, const std::string& target) {
    std::vector<char> read(target.size() + 2);
    const ssize_t length = readlink(linkPath.c_str(), read.data(), read.size());
    if (length >= 0 && target == std::string(read.data(), static_cast<size_t>(length)))
        unlink(linkPath.c_str());
}

SimulatedMountLink::SimulatedMountLink(SimulatedMount& mount)
    : mount_(mount), shared_(std::make_shared<Shared>()) {
    shared_->mount = &mount;
}

SimulatedMountLink::~SimulatedMountLink() {
    shared_->stop = true;
    if (watcher_.joinable()) watcher_.join();
    shared_->mount = nullptr;
    if (!linkPath_.empty()) RemoveMountLink(linkPath_, target_);
}

Status SimulatedMountLink::Serve(const std::string& linkPath) {
    const std::string target = mount_.SharedDevicePath();
    if (target.empty()) return Status(StatusCode::NotFound, "the simulated mount has no terminal");
    if (Status made = MakeMountLink(linkPath, target); !made.ok()) return made;
    linkPath_ = linkPath;
    target_ = target;
    std::shared_ptr<Shared> shared = shared_;
    SimulatedMount& mount = mount_;
    watcher_ = std::thread([shared, &mount] {
        while (!shared->stop) {
            if (shared->pending) {
                SleepMilliseconds(kPendingPauseMs);
                continue;
            }
            (void)mount.InputWaiting(kWatchPassMs);
            if (shared->stop) break;
            shared->pending = true;
            PostToUiThread([shared] {
                shared->pending = false;
                if (shared->mount) shared->mount->Service();
            });
        }
    });
    return Status::Ok();
}

}  // namespace vexa
