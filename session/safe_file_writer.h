// Replaces a user's file only once its new contents are safely on disk: the bytes go to a
// temporary file in the target's folder, which is flushed and renamed over the target when
// complete. Any failure removes the temporary and leaves an older file of that name intact.
// A new file that must never replace another (the numbered autosave files) is published
// under the first free name instead. A failure keeps the system's reason for the message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>

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

    // For a file that must never replace another: create the temporary in the target's
    // folder without looking at what stands at the target, which Publish names anew.
    bool OpenNew();
    enum class PublishResult { Published, NameTaken, Failed };
    // Flush the complete temporary to disk (on the first call) and give it the name `name`
    // in the same folder only if nothing has that name yet, atomically, so that two programs
    // never take one name and the file never shows half-written. NameTaken keeps the
    // temporary for another name; Published and Failed leave no temporary.
    PublishResult Publish(const std::filesystem::path& name);

    const std::filesystem::path& TemporaryPath() const { return temp_; }

  private:
    std::filesystem::path target_;
    std::filesystem::path destination_;  // the target with its symbolic links followed
    std::filesystem::path temp_;
    int fd_ = -1;
    bool failed_ = false;
    bool sealed_ = false;  // flushed and closed, waiting for its name

    bool CreateTemporary();  // beside destination_
    bool Seal();
    void Fail(int error);
};

// The whole file in one go: open, write every piece in order, commit.
bool WriteFileSafely(const std::filesystem::path& target,
                     std::initializer_list<std::span<const uint8_t>> pieces);

// The system's words for why the last write of this thread through a SafeFileWriter failed
// ("No space left on device", "Permission denied", "File too large"); empty when the last
// writer succeeded or did not get as far as the file system.
std::string WriteFailureReason();
// Set that reason for a write that failed before reaching a writer (errno value).
void NoteWriteFailure(int error);

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
