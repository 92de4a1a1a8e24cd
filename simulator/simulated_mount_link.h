// The simulated mount offered to another program (an INDI LX200 driver) on a symbolic link to
// its pseudo-terminal, while this program runs on: the link made (an existing symbolic link
// replaced, anything else left alone) and removed again, and the mount serviced as soon as the
// other program writes to it. A small watcher thread only waits for those bytes; the service
// itself runs on the user-interface thread, through its posted work (session/posted_work.h),
// so the mount and the sky it moves are never touched from two threads.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "session/status.h"
#include "simulator/simulated_mount.h"

namespace vexa {

// Makes linkPath a symbolic link to target. An existing symbolic link there is replaced;
// anything else standing there is refused (InvalidArgument) and left as it was.
Status MakeMountLink(const std::string& linkPath, const std::string& target);
// Removes linkPath when it is still the link to target.
void RemoveMountLink(const std::string& linkPath, const std::string& target);

class SimulatedMountLink {
  public:
    // mount (its terminal open) must outlive this.
    explicit SimulatedMountLink(SimulatedMount& mount);
    // Stops the watcher and removes the link.
    ~SimulatedMountLink();
    SimulatedMountLink(const SimulatedMountLink&) = delete;
    SimulatedMountLink& operator=(const SimulatedMountLink&) = delete;

    // The link at linkPath to the mount's terminal, then the watcher.
    Status Serve(const std::string& linkPath);
    const std::string& LinkPath() const { return linkPath_; }

  private:
    struct Shared;

    SimulatedMount& mount_;
    std::shared_ptr<Shared> shared_;
    std::thread watcher_;
    std::string linkPath_;
    std::string target_;
};

}  // namespace vexa
