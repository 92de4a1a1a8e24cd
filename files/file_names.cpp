#include "files/file_names.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "session/host_paths.h"
#include "session/session_state.h"

namespace vexa {

namespace fs = std::filesystem;

namespace {

bool OnDriveC(const std::string& name) {
    return name.size() >= 2 && name[1] == ':' && (name[0] == 'c' || name[0] == 'C');
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The entry of path's folder whose name matches path's name without regard to case.
fs::path MatchIgnoringCase(const fs::path& path) {
    std::error_code ec;
    if (fs::exists(path, ec) || !path.has_filename()) return path;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string wanted = path.filename().string();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (SameIgnoringCase(it->path().filename().string(), wanted)) {
            return path.parent_path() / it->path().filename();
        }
    }
    return path;
}

// Program paths on drive c: take either slash; host paths only the forward one (a Linux
// file name may hold a backslash).
size_t LastSeparator(const std::string& path) {
    return path.find_last_of(OnDriveC(path) ? "/\\" : "/");
}

}  // namespace

fs::path ResolveUserPath(const std::string& name, bool forReading) {
    if (name.empty()) return fs::path();
    if (OnDriveC(name)) return HostPath(name);  // matched without regard to case already
    fs::path path(name);
    if (path.is_relative()) {
        const std::string& folder = Session().fileDialogFolder;
        if (!folder.empty()) path = HostPath(folder) / path;
    }
    return forReading ? MatchIgnoringCase(path) : path;
}

std::string BareName(const std::string& path) {
    const size_t slash = LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = LastSeparator(path);
    if (slash == std::string::npos) return std::string();
    // The root folder keeps its slash.
    return path.substr(0, slash == 0 ? 1 : slash);
}

std::string NameAsOnDisk(const std::string& name) {
    if (name.empty() || OnDriveC(name)) return name;
    std::error_code ec;
    const fs::path found = ResolveUserPath(name, true);
    if (!fs::exists(found, ec)) return name;
    const std::string bare = found.filename().string();
    const std::string folder = FolderOf(name);
    if (folder.empty()) return bare;
    return folder.back() == '/' ? folder + bare : folder + "/" + bare;
}

}  // namespace vexa
