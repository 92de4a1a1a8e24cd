#include "session/host_paths.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <system_error>

namespace vexa {

namespace fs = std::filesystem;

namespace {
fs::path driveRoot;

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The entry of folder whose name equals name without regard to case; name itself when the
// exact spelling exists or nothing matches.
std::string MatchEntry(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    if (fs::exists(folder / name, ec)) return name;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (SameIgnoringCase(entry, name)) return entry;
    }
    return name;
}
}  // namespace

fs::path ResolveDriveRoot(const std::optional<std::string>& rootOption) {
    if (rootOption && !rootOption->empty()) return fs::path(*rootOption);
    if (const char* env = std::getenv("VEXA_Q4_ROOT"); env && *env) return fs::path(env);
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / ".local" / "share" / "vexa_q4";
}

void SetDriveRoot(const fs::path& root) {
    driveRoot = root;
}

const fs::path& DriveRoot() {
    if (driveRoot.empty()) driveRoot = ResolveDriveRoot(std::nullopt);
    return driveRoot;
}

fs::path HostPath(const std::string& programPath) {
    const bool onDriveC = programPath.size() >= 2 && programPath[1] == ':' &&
                          (programPath[0] == 'c' || programPath[0] == 'C');
    if (!onDriveC) return fs::path(programPath);
    fs::path result = DriveRoot();
    std::string component;
    auto flush = [&]() {
        // "." and ".." are dropped so that no program path leaves the root.
        if (!component.empty() && component != "." && component != "..")
            result /= MatchEntry(result, component);
        component.clear();
    };
    for (size_t i = 2; i < programPath.size(); ++i) {
        const char c = programPath[i];
        if (c == '\\' || c == '/') {
            flush();
        } else {
            component += c;
        }
    }
    flush();
    return result;
}

}  // namespace vexa
