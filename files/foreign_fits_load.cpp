#include "files/foreign_fits_load.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/fits_file.h"
#include "session/history_lines.h"
#include "session/session_state.h"

namespace vexa {

namespace {

constexpr size_t kSharedTextBytes = kFitsShortTextChars + 1;
constexpr int32_t kDecodeFinished = 0x46495453;  // "FITS": the child's last store

// The header fields in the order the shared record holds them.
constexpr std::optional<std::string> ForeignFitsHeader::*kTextFields[] = {
    &ForeignFitsHeader::object,   &ForeignFitsHeader::telescope, &ForeignFitsHeader::instrument,
    &ForeignFitsHeader::observer, &ForeignFitsHeader::origin,    &ForeignFitsHeader::filter,
    &ForeignFitsHeader::date,     &ForeignFitsHeader::time};
constexpr std::optional<double> ForeignFitsHeader::*kNumberFields[] = {
    &ForeignFitsHeader::exposureSeconds, &ForeignFitsHeader::apertureSquareInches,
    &ForeignFitsHeader::focalLengthInches};
constexpr size_t kTextCount = std::size(kTextFields);
constexpr size_t kNumberCount = std::size(kNumberFields);

struct SharedText {
    bool present;
    char text[kSharedTextBytes];
};
struct SharedNumber {
    bool present;
    double value;
};

// What the child hands back, as plain data in a mapping both processes share.
struct SharedDecode {
    int32_t finished;
    int32_t width;
    int32_t height;
    SharedText texts[kTextCount];
    SharedNumber numbers[kNumberCount];
    int32_t historyCount;
    char history[kHistoryEntries][kHistoryLineBytes];
    uint16_t samples[kFullSampleCount];
};

bool IsImageGeometry(int width, int height) {
    return (width == kFullWidth && height == kFullHeight) ||
           (width == kHalfWidth && height == kHalfHeight);
}

void CopyText(const std::string& from, char* to, size_t bytes) {
    const size_t n = std::min(from.size(), bytes - 1);
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

bool PutDecoded(const ForeignFitsImage& image, SharedDecode& shared) {
    if (!IsImageGeometry(image.width, image.height) ||
        image.samples.size() != static_cast<size_t>(image.width) * image.height) {
        return false;
    }
    shared.width = image.width;
    shared.height = image.height;
    for (size_t k = 0; k < kTextCount; ++k) {
        const std::optional<std::string>& text = image.header.*kTextFields[k];
        shared.texts[k].present = text.has_value();
        if (text) CopyText(*text, shared.texts[k].text, kSharedTextBytes);
    }
    for (size_t k = 0; k < kNumberCount; ++k) {
        const std::optional<double>& number = image.header.*kNumberFields[k];
        shared.numbers[k].present = number.has_value();
        shared.numbers[k].value = number.value_or(0.0);
    }
    const size_t lines = std::min<size_t>(image.header.history.size(), kHistoryEntries);
    for (size_t k = 0; k < lines; ++k) {
        CopyText(image.header.history[k], shared.history[k], kHistoryLineBytes);
    }
    shared.historyCount = static_cast<int32_t>(lines);
    std::copy(image.samples.begin(), image.samples.end(), shared.samples);
    shared.finished = kDecodeFinished;
    return true;
}

bool TakeDecoded(const SharedDecode& shared, ForeignFitsImage& image) {
    if (shared.finished != kDecodeFinished || !IsImageGeometry(shared.width, shared.height) ||
        shared.historyCount < 0 || shared.historyCount > kHistoryEntries) {
        return false;
    }
    image.width = shared.width;
    image.height = shared.height;
    for (size_t k = 0; k < kTextCount; ++k) {
        std::optional<std::string>& text = image.header.*kTextFields[k];
        text.reset();
        if (shared.texts[k].present)
            text =
                std::string(shared.texts[k].text, strnlen(shared.texts[k].text, kSharedTextBytes));
    }
    for (size_t k = 0; k < kNumberCount; ++k) {
        std::optional<double>& number = image.header.*kNumberFields[k];
        number.reset();
        if (shared.numbers[k].present) number = shared.numbers[k].value;
    }
    image.header.history.clear();
    for (int32_t k = 0; k < shared.historyCount; ++k) {
        image.header.history.emplace_back(shared.history[k],
                                          strnlen(shared.history[k], kHistoryLineBytes));
    }
    const size_t count = static_cast<size_t>(shared.width) * static_cast<size_t>(shared.height);
    image.samples.assign(shared.samples, shared.samples + count);
    return true;
}

// A shared anonymous mapping for one decode.
class SharedMapping {
  public:
    SharedMapping() {
        void* at = ::mmap(nullptr, sizeof(SharedDecode), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (at != MAP_FAILED) decode_ = static_cast<SharedDecode*>(at);
    }
    ~SharedMapping() {
        if (decode_ != nullptr) ::munmap(decode_, sizeof(SharedDecode));
    }
    SharedMapping(const SharedMapping&) = delete;
    SharedMapping& operator=(const SharedMapping&) = delete;
    SharedDecode* get() const { return decode_; }

  private:
    SharedDecode* decode_ = nullptr;
};

// In the child: the address space it started with plus the allowance. Without a reading of
// its size the child runs on the time limit alone.
void LimitChildMemory() {
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char text[64] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return;
    const unsigned long long pages = std::strtoull(text, nullptr, 10);
    const long pageBytes = ::sysconf(_SC_PAGESIZE);
    if (pages == 0 || pageBytes <= 0) return;
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(pageBytes) +
                         static_cast<rlim_t>(kForeignDecodeMemoryBytes);
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
}

// In the child: SIGALRM ends it after the allowed time, whatever the parent did with the
// signal.
void LimitChildTime() {
    std::signal(SIGALRM, SIG_DFL);
    sigset_t alarmOnly;
    sigemptyset(&alarmOnly);
    sigaddset(&alarmOnly, SIGALRM);
    sigprocmask(SIG_UNBLOCK, &alarmOnly, nullptr);
    ::alarm(kForeignDecodeSeconds);
}

bool ReadWhole(int fd, std::vector<uint8_t>& bytes) {
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

void StoreForeignFitsImage(const ForeignFitsImage& image) {
    SessionState& s = Session();
    PersistentSettings& p = s.settings;
    const ForeignFitsHeader& h = image.header;
    ResetFitsDetails();  // also empties the processing-history lines
    if (h.object) p.fitsObject = *h.object;
    if (h.telescope) p.fitsTelescope = *h.telescope;
    if (h.instrument) p.fitsInstrument = *h.instrument;
    if (h.observer) p.fitsObserver = *h.observer;
    if (h.origin) p.fitsOrigin = *h.origin;
    if (h.filter) p.fitsFilter = *h.filter;
    if (h.date) s.fitsDate = *h.date;
    if (h.time) s.fitsTime = *h.time;
    if (h.exposureSeconds) s.exposureSeconds = *h.exposureSeconds;
    if (h.apertureSquareInches) p.apertureSquareInches = *h.apertureSquareInches;
    if (h.focalLengthInches) p.focalLengthInches = *h.focalLengthInches;
    for (const std::string& line : h.history) AppendHistory(line);

    s.geometryMode = image.width == kHalfWidth ? 1 : 0;
    ApplyGeometry();
    std::copy(image.samples.begin(), image.samples.end(), s.currentImage.begin());
}

}  // namespace

bool DecodeForeignFitsIsolated(std::span<const uint8_t> file, ForeignFitsImage& image) {
    SharedMapping mapping;
    SharedDecode* shared = mapping.get();
    if (shared == nullptr) return false;
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        LimitChildTime();
        LimitChildMemory();
        ForeignFitsImage decoded;
        const bool ok = DecodeForeignFits(file, decoded) && PutDecoded(decoded, *shared);
        ::_exit(ok ? 0 : 1);  // no atexit handlers or stream flushes of the parent's
    }
    int status = 0;
    pid_t waited = 0;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    // Where the child was reaped elsewhere (SIGCHLD ignored, another reaper), it has ended all
    // the same, and its last store tells whether it finished.
    const bool ended = waited == child ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                                       : waited < 0 && errno == ECHILD;
    return ended && TakeDecoded(*shared, image);
}

bool LoadForeignFitsImage(int fd, int64_t sizeBytes) {
    if (fd < 0 || sizeBytes <= 0 || sizeBytes > kForeignFitsMaxFileBytes) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(sizeBytes));
    ForeignFitsImage image;
    if (!ReadWhole(fd, bytes) || !DecodeForeignFitsIsolated(bytes, image)) return false;
    StoreForeignFitsImage(image);
    return true;
}

}  // namespace vexa
