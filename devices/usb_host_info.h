// Host facts that the "Camera Found" report shows: the kernel version, and the descriptor that
// a library opened for a device node (hidapi does not hand out its descriptor).
#pragma once

#include <string_view>
#include <vector>

namespace vexa {

struct KernelVersion {
    int major = 0;
    int minor = 0;
};

// "6.1.0-18-amd64" gives 6 and 1; parts that are not numbers give 0.
KernelVersion ParseKernelRelease(std::string_view release);
KernelVersion RunningKernelVersion();

// The descriptors of this process that are open on character devices, in ascending order.
std::vector<int> OpenCharDeviceFds();
// The one descriptor in `after` that is not in `before`; -1 unless there is exactly one.
int SoleNewFd(const std::vector<int>& before, const std::vector<int>& after);
// The number of a hidraw node ("/dev/hidraw3" gives 3); -1 for any other name.
int HidrawNumber(std::string_view node);

}  // namespace vexa
