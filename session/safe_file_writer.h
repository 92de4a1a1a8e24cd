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

    // Create the temporary beside the target; false when the folder takes no new file.
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
    std::filesystem::path temp_;
    int fd_ = -1;
    bool failed_ = false;
};

// The whole file in one go: open, write every piece in order, commit.
bool WriteFileSafely(const std::filesystem::path& target,
                     std::initializer_list<std::span<const uint8_t>> pieces);

}  // namespace vexa
