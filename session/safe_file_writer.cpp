#include "session/safe_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <string>
#include <system_error>

namespace vexa {

namespace fs = std::filesystem;

namespace {

constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask, as for any new file
// Longest file name (in bytes) of the usual Linux file systems.
constexpr size_t kNameMaxBytes = NAME_MAX;
// Links followed in a row before giving up, as the kernel does for a path.
constexpr int kMaxLinksInARow = 40;

}  // namespace

std::string TemporaryFileName(const std::string& targetName, unsigned serial, unsigned attempt) {
    // Built by appending: GCC 12 misreports overlap in long chains of string additions.
    std::string suffix(".vexa-");
    suffix.append(std::to_string(::getpid()));
    suffix.push_back('-');
    suffix.append(std::to_string(serial));
    suffix.push_back('-');
    suffix.append(std::to_string(attempt));
    suffix.append(".tmp");
    std::string name(".");
    const size_t room = kNameMaxBytes - name.size() - suffix.size();
    name.append(targetName, 0, room);
    name.append(suffix);
    return name;
}

fs::path FollowSymbolicLinks(const fs::path& path) {
    fs::path current = path;
    for (int links = 0; links <= kMaxLinksInARow; ++links) {
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(current, ec);
        if (!fs::is_symlink(st)) return current;
        const fs::path next = fs::read_symlink(current, ec);
        if (ec) return fs::path();
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return fs::path();
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

SafeFileWriter::SafeFileWriter(fs::path target) : target_(std::move(target)) {}

SafeFileWriter::~SafeFileWriter() {
    Discard();
}

bool SafeFileWriter::Open() {
    static unsigned serial = 0;
    Discard();
    failed_ = true;
    if (target_.empty() || !target_.has_filename()) return false;
    destination_ = FollowSymbolicLinks(target_);
    if (destination_.empty() || !destination_.has_filename()) return false;
    // Only a regular file is ever replaced; a missing one is created.
    struct stat old {};
    const bool exists = ::stat(destination_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return false;
    if (!exists && errno != ENOENT) return false;

    const std::string targetName = destination_.filename().string();
    const unsigned thisSerial = serial++;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path candidate =
            destination_.parent_path() /
            TemporaryFileName(targetName, thisSerial, static_cast<unsigned>(attempt));
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = candidate;
            failed_ = false;
            // A replaced file keeps its permissions.
            if (exists) (void)::fchmod(fd_, old.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST) break;
    }
    return false;
}

bool SafeFileWriter::Write(const void* data, size_t size) {
    if (failed_ || fd_ < 0) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t done = ::write(fd_, bytes, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            failed_ = true;
            return false;
        }
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

bool SafeFileWriter::Commit() {
    if (failed_ || fd_ < 0) {
        Discard();
        return false;
    }
    bool ok = ::fsync(fd_) == 0;
    // A failed close can still mean lost data on some file systems.
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    if (ok && ::rename(temp_.c_str(), destination_.c_str()) != 0) ok = false;
    if (!ok) {
        failed_ = true;
        Discard();
        return false;
    }
    temp_.clear();
    return true;
}

void SafeFileWriter::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool WriteFileSafely(const fs::path& target,
                     std::initializer_list<std::span<const uint8_t>> pieces) {
    SafeFileWriter writer(target);
    if (!writer.Open()) return false;
    for (const auto& piece : pieces) {
        if (!writer.Write(piece.data(), piece.size())) return false;
    }
    return writer.Commit();
}

}  // namespace vexa
