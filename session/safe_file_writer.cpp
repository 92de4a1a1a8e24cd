#include "session/safe_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
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

// errno of the last failed writer of this thread; 0 after a success.
thread_local int lastWriteError = 0;

// The errors of a link(2) that mean only that the file system has no hard links.
bool NoHardLinks(int error) {
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EMLINK ||
           error == ENOSYS;
}

// Give the complete file `from` the further name `to` unless something already has it: 0, or
// the errno (EEXIST when the name is taken). moved: `from` is gone, renamed to `to`.
int NameWithoutReplacing(const char* from, const char* to, bool& moved) {
    moved = false;
    if (::link(from, to) == 0) return 0;
    if (!NoHardLinks(errno)) return errno;
    // Without hard links: a rename that refuses to replace, else the name claimed by an
    // exclusive create and the complete file renamed over that empty claim.
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        moved = true;
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) return errno;
    const int claim = ::open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (claim < 0) return errno;
    ::close(claim);
    if (::rename(from, to) != 0) {
        const int error = errno;
        ::unlink(to);
        return error;
    }
    moved = true;
    return 0;
}

}  // namespace

std::string WriteFailureReason() {
    return lastWriteError == 0 ? std::string() : std::string(std::strerror(lastWriteError));
}

void NoteWriteFailure(int error) {
    lastWriteError = error;
}

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

SafeFileWriter::SafeFileWriter(fs::path target) : target_(std::move(target)) {
    lastWriteError = 0;
}

void SafeFileWriter::Fail(int error) {
    lastWriteError = error;
    failed_ = true;
    Discard();
}

SafeFileWriter::~SafeFileWriter() {
    Discard();
}

bool SafeFileWriter::Open() {
    Discard();
    failed_ = true;
    if (target_.empty() || !target_.has_filename()) return false;
    destination_ = FollowSymbolicLinks(target_);
    if (destination_.empty() || !destination_.has_filename()) {
        lastWriteError = ELOOP;
        return false;
    }
    // Only a regular file is ever replaced; a missing one is created.
    struct stat old {};
    const bool exists = ::stat(destination_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        lastWriteError = S_ISDIR(old.st_mode) ? EISDIR : ENOTSUP;
        return false;
    }
    if (!exists && errno != ENOENT) {
        lastWriteError = errno;
        return false;
    }

    if (!CreateTemporary()) return false;
    // A replaced file keeps its permissions.
    if (exists) (void)::fchmod(fd_, old.st_mode & 07777);
    return true;
}

bool SafeFileWriter::CreateTemporary() {
    static unsigned serial = 0;
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
            lastWriteError = 0;
            return true;
        }
        lastWriteError = errno;
        if (errno != EEXIST) break;
    }
    return false;
}

bool SafeFileWriter::OpenNew() {
    Discard();
    failed_ = true;
    if (target_.empty() || !target_.has_filename()) return false;
    destination_ = target_;
    return CreateTemporary();
}

bool SafeFileWriter::Write(const void* data, size_t size) {
    if (failed_ || fd_ < 0) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t done = ::write(fd_, bytes, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            // A write that takes nothing without an error has met a full disk.
            lastWriteError = done < 0 ? errno : ENOSPC;
            failed_ = true;
            return false;
        }
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

bool SafeFileWriter::Seal() {
    if (sealed_) return true;
    if (failed_ || fd_ < 0) {
        Discard();
        return false;
    }
    int error = ::fsync(fd_) == 0 ? 0 : errno;
    // A failed close can still mean lost data on some file systems.
    if (::close(fd_) != 0 && error == 0) error = errno;
    fd_ = -1;
    if (error != 0) {
        Fail(error);
        return false;
    }
    sealed_ = true;
    return true;
}

bool SafeFileWriter::Commit() {
    if (!Seal()) return false;
    if (::rename(temp_.c_str(), destination_.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    temp_.clear();
    sealed_ = false;
    lastWriteError = 0;
    return true;
}

SafeFileWriter::PublishResult SafeFileWriter::Publish(const fs::path& name) {
    if (!Seal()) return PublishResult::Failed;
    const fs::path published = temp_.parent_path() / name.filename();
    bool moved = false;
    const int error = NameWithoutReplacing(temp_.c_str(), published.c_str(), moved);
    if (error == EEXIST) {
        lastWriteError = EEXIST;  // the reason when no name is left
        return PublishResult::NameTaken;
    }
    if (error != 0) {
        Fail(error);
        return PublishResult::Failed;
    }
    if (!moved) ::unlink(temp_.c_str());
    temp_.clear();
    sealed_ = false;
    lastWriteError = 0;
    return PublishResult::Published;
}

void SafeFileWriter::Discard() {
    sealed_ = false;
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
