// Replaces a user's file only once its new contents are safely on disk: the bytes go to a
// temporary file in the target's folder, which is flushed and renamed over the target when
// complete. Any failure removes the temporary and leaves an older file of that name intact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>

namespace vexa {

class SafeFileWriter {
  public:
    explicit SafeFileWriter(std::filesystem::path target);
    ~SafeFileWriter();  // a writer never committed removes its temporary
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Create the temporary beside the file that will be replaced; false when the folder takes
    // no new file, or when something other than a regular file (a folder, pipe or device)
    // stands at the target, which is never replaced. A symbolic link is followed: its final
    // target gets the new contents and the link stays.
    bool Open();
    // Append bytes; false (and every later call false) once a write falls short.
    bool Write(const void* data, size_t size);
    // Flush to disk and rename over the target; false on any failure, the target unchanged.
    bool Commit();
    // Remove the temporary without touching the target.
    void Discard();

    const std::filesystem::path& TemporaryPath() const { return temp_; }

  private:
    std::filesystem::path target_;
    std::filesystem::path destination_;  // the target with its symbolic links followed
    std::filesystem::path temp_;
    int fd_ = -1;
    bool failed_ = false;
};

// The whole file in one go: open, write every piece in order, commit.
bool WriteFileSafely(const std::filesystem::path& target,
                     std::initializer_list<std::span<const uint8_t>> pieces);

// The file a path finally names: each symbolic link replaced by what it points to (relative
// links taken from the link's folder), up to the system's limit of links in a row. A link to
// nothing gives the missing file it names. Empty when the links loop or cannot be read.
std::filesystem::path FollowSymbolicLinks(const std::filesystem::path& path);

// A name for a temporary beside a file called targetName, unique in this process by serial
// and attempt, that the file system takes whatever the length of targetName: the target's
// name is shortened as needed to keep the whole within the longest name a folder holds.
std::string TemporaryFileName(const std::string& targetName, unsigned serial, unsigned attempt);

// A write that passes the process's file-size limit raises SIGXFSZ, which by default ends the
// process mid-write, leaving its temporaries behind. Both programs ignore the signal at
// start-up, so such a write fails (EFBIG) like any other and the writer cleans up.
void IgnoreFileSizeSignal();

}  // namespace vexa
