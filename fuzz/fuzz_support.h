// What every fuzz harness shares: a session reset to start-up values with a quiet scripted
// user interface and a private drive root, scratch files, a check that ends the run with a
// message when a property fails, and the registration of seed writers for big seed files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tests/unit/support/fake_ui.h"

namespace vexa::fuzz {

using Bytes = std::vector<uint8_t>;

// A failed property: prints what failed and where, then aborts so that the fuzzer keeps the
// input that caused it.
[[noreturn]] void Fail(const char* what, const char* file, int line);
#define VEXA_FUZZ_CHECK(condition) \
    ((condition) ? void(0) : ::vexa::fuzz::Fail(#condition, __FILE__, __LINE__))

// The harness's world, made once per process: a scratch folder (on a memory file system
// where there is one) holding the drive root "c" and room for the harness's own files.
const std::filesystem::path& ScratchFolder();
std::filesystem::path DriveRootFolder();

// Start every input from the same place: the session at its start-up values, the fake user
// interface with no messages, the display refresh of the command line, and an empty drive
// root. Returns the fake user interface.
test::FakeUi& ResetWorld();

void WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);
Bytes ReadFile(const std::filesystem::path& path);
// The names in a folder, sorted.
std::vector<std::string> NamesIn(const std::filesystem::path& folder);

// An input read byte by byte as a script of choices; zeros once it is used up.
class ByteScript {
  public:
    ByteScript(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
    bool Done() const { return pos_ >= size_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Seed writers: a harness registers a function that writes big seed files (too big to keep
// in the repository) into a folder. When VEXA_FUZZ_WRITE_SEEDS names a folder at start-up,
// the harness binary writes its seeds there and exits instead of fuzzing.
using SeedWriter = std::function<void(const std::filesystem::path& folder)>;
struct SeedRegistration {
    explicit SeedRegistration(SeedWriter writer);
};

}  // namespace vexa::fuzz
