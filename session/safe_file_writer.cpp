#include "session/safe_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace vexa {

namespace fs = std::filesystem;

namespace {

constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask, as for any new file

// A name in the target's folder that no other writer of this process uses at the same time.
fs::path TemporaryNameFor(const fs::path& target, unsigned attempt) {
    static unsigned serial = 0;
    // Built by appending: GCC 12 misreports overlap in long chains of string additions.
    std::string name(".");
    name.append(target.filename().string());
    name.append(".vexa-");
    name.append(std::to_string(::getpid()));
    name.push_back('-');
    name.append(std::to_string(serial++));
    name.push_back('-');
    name.append(std::to_string(attempt));
    name.append(".tmp");
    return target.parent_path() / name;
}

}  // namespace

SafeFileWriter::SafeFileWriter(fs::path target) : target_(std::move(target)) {}

SafeFileWriter::~SafeFileWriter() {
    Discard();
}

bool SafeFileWriter::Open() {
    Discard();
    failed_ = false;
    if (target_.empty() || !target_.has_filename()) {
        failed_ = true;
        return false;
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path candidate = TemporaryNameFor(target_, static_cast<unsigned>(attempt));
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = candidate;
            // A replaced file keeps its permissions.
            struct stat old {};
            if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
                (void)::fchmod(fd_, old.st_mode & 07777);
            }
            return true;
        }
        if (errno != EEXIST) break;
    }
    failed_ = true;
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
    if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) ok = false;
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
