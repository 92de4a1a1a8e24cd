#include "devices/usb_host_info.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>

namespace vexa {

namespace {

constexpr std::string_view kHidrawPrefix = "/dev/hidraw";

// The leading decimal number of text, and the text after it.
int LeadingNumber(std::string_view& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc()) return 0;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return value;
}

}  // namespace

KernelVersion ParseKernelRelease(std::string_view release) {
    KernelVersion version;
    version.major = LeadingNumber(release);
    if (!release.empty() && release.front() == '.') {
        release.remove_prefix(1);
        version.minor = LeadingNumber(release);
    }
    return version;
}

KernelVersion RunningKernelVersion() {
    utsname names{};
    if (::uname(&names) != 0) return {};
    return ParseKernelRelease(names.release);
}

std::vector<int> OpenCharDeviceFds() {
    std::vector<int> fds;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return fds;
    const int listingFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == listingFd) continue;
        struct stat info {};
        if (::fstat(static_cast<int>(fd), &info) == 0 && S_ISCHR(info.st_mode)) {
            fds.push_back(static_cast<int>(fd));
        }
    }
    ::closedir(dir);
    std::sort(fds.begin(), fds.end());
    return fds;
}

int SoleNewFd(const std::vector<int>& before, const std::vector<int>& after) {
    int found = -1;
    for (const int fd : after) {
        if (std::find(before.begin(), before.end(), fd) != before.end()) continue;
        if (found >= 0) return -1;
        found = fd;
    }
    return found;
}

int HidrawNumber(std::string_view node) {
    if (!node.starts_with(kHidrawPrefix)) return -1;
    node.remove_prefix(kHidrawPrefix.size());
    int number = -1;
    const auto [end, error] = std::from_chars(node.data(), node.data() + node.size(), number);
    if (error != std::errc() || end != node.data() + node.size() || number < 0) return -1;
    return number;
}

}  // namespace vexa
