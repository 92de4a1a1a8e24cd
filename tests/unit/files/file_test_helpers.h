// Small helpers shared by the image-file tests: whole-file reads and writes, FITS cards by
// number, test images, and a file-size limit that makes writes fail part way.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "session/session_state.h"
#include "tests/unit/support/scoped_zone.h"

namespace vexa::test {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Card k (from 1) of a FITS file as text.
inline std::string CardOf(const Bytes& file, int k) {
    const size_t at = static_cast<size_t>(k - 1) * 80;
    if (file.size() < at + 80) return std::string();
    return std::string(reinterpret_cast<const char*>(file.data()) + at, 80);
}

// A text padded with blanks to a whole card.
inline std::string Padded(std::string text) {
    text.resize(80, ' ');
    return text;
}

// A sample pattern that reaches every byte value in both bytes: (row * 7919 + column * 104729)
// modulo 65,536.
inline uint16_t PatternSample(int row, int column) {
    return static_cast<uint16_t>(row * 7919 + column * 104729);
}

// Fill currentImage of the given geometry with the pattern and switch the session to it.
inline void SetPatternImage(int geometryMode, int salt = 0) {
    SessionState& s = Session();
    s.geometryMode = geometryMode;
    ApplyGeometry();
    const int w = s.geometry.width;
    for (int r = 0; r < s.geometry.height; ++r) {
        for (int c = 0; c < w; ++c) {
            s.currentImage[static_cast<size_t>(r) * w + c] =
                static_cast<uint16_t>(PatternSample(r, c) + salt);
        }
    }
}

// While alive, files grow to at most limit bytes; writes beyond fail (SIGXFSZ ignored).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        const rlimit tight{limit, saved_.rlim_max};
        active_ = setrlimit(RLIMIT_FSIZE, &tight) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, oldHandler_);
    }
    bool Active() const { return active_; }

  private:
    rlimit saved_{};
    sighandler_t oldHandler_ = SIG_DFL;
    bool active_ = false;
};

// The names in a folder, for checking that no temporary file stayed behind.
inline std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vexa::test
