#include "files/tq_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "files/file_names.h"
#include "files/foreign_fits_load.h"
#include "session/display_refresh.h"
#include "session/message_catalogue.h"
#include "session/safe_file_writer.h"
#include "session/wait_cursor.h"

namespace vexa {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAutosavePrefix = "IMG";
constexpr size_t kAutosavePrefixChars = 3;

// Only a big-endian host needs a second buffer, to turn the file's byte order round.
[[maybe_unused]] std::vector<uint16_t>& StagingBuffer() {
    static auto* buffer = new std::vector<uint16_t>(kFullSampleCount);
    return *buffer;
}

[[maybe_unused]] constexpr uint16_t Swap(uint16_t v) {
    return static_cast<uint16_t>((v << 8) | (v >> 8));
}

// An open regular file and its size; size -1 when it cannot be opened or is no regular file.
// Opened without blocking so that a pipe or device name cannot hang the program.
struct OpenedFile {
    int fd = -1;
    int64_t size = -1;
    explicit OpenedFile(const fs::path& path) {
        if (path.empty()) return;
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) size = st.st_size;
    }
    ~OpenedFile() { Close(); }
    void Close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
};

// Read a TQ file of bytes bytes straight into a plane (the file is the plane's little-endian
// image); false when the file gives fewer bytes than its size promised (it shrank while being
// read, or the disk failed), in which case the plane holds the samples read so far.
bool ReadSamplesInto(int fd, uint16_t* plane, size_t bytes) {
    auto* into = reinterpret_cast<uint8_t*>(plane);
    size_t got = 0;
    while (got < bytes) {
        const ssize_t n = ::read(fd, into + got, bytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    if constexpr (std::endian::native != std::endian::little) {
        for (size_t i = 0; i < bytes / 2; ++i) plane[i] = Swap(plane[i]);
    }
    return true;
}

bool IsTq(ImageFileKind kind) {
    return kind == ImageFileKind::TqHalf || kind == ImageFileKind::TqFull;
}
bool IsHalf(ImageFileKind kind) {
    return kind == ImageFileKind::TqHalf || kind == ImageFileKind::FitsHalf;
}

// After the program's own readers refused a file: perhaps another program's FITS file.
bool LoadForeignFitsFile(const fs::path& path) {
    OpenedFile file(path);
    return LoadForeignFitsImage(file.fd, file.size);
}

}  // namespace

ImageFileKind ImageFileKindOfSize(int64_t size) {
    if (size == kHalfTqFileBytes) return ImageFileKind::TqHalf;
    if (size == kFullTqFileBytes) return ImageFileKind::TqFull;
    if (size == kHalfFitsFileBytes) return ImageFileKind::FitsHalf;
    if (size == kFullFitsFileBytes) return ImageFileKind::FitsFull;
    return ImageFileKind::None;
}

bool SequenceNumberFromName(const std::string& name, uint16_t& number) {
    if (name.size() < kAutosavePrefixChars) return false;
    for (size_t i = 0; i < kAutosavePrefixChars; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != kAutosavePrefix[i]) return false;
    }
    // Leading digits only; a number beyond 16 bits stops at the largest one, which no
    // autosave file reaches.
    uint32_t value = 0;
    for (size_t i = kAutosavePrefixChars; i < name.size() && name[i] != '.'; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) break;
        value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(name[i] - '0'), UINT16_MAX);
    }
    number = static_cast<uint16_t>(value);
    return true;
}

namespace {

// The load itself, under the wait cursor; the catalogue code to report, 0 on success.
MessageCode LoadImageFileUnderWaitCursor(const std::string& name) {
    SessionState& s = Session();
    const fs::path path = ResolveUserPath(name, true);
    OpenedFile file(path);
    const ImageFileKind kind = ImageFileKindOfSize(file.size);

    if (kind == ImageFileKind::None) {
        if (!LoadForeignFitsImage(file.fd, file.size)) return MessageCode::NotValidTqOrFits;
        uint16_t number = 0;
        if (SequenceNumberFromName(name, number)) s.sequenceNumber = number;
    } else if (IsTq(kind)) {
        // Read in place, as fast as a plain read. A read that fails part way is reported and
        // leaves the geometry and details as they were.
        const bool read =
            ReadSamplesInto(file.fd, s.currentImage.data(), static_cast<size_t>(file.size));
        file.Close();
        if (!read) return MessageCode::TqOpenFailed;
        ResetFitsDetails();
        s.geometryMode = IsHalf(kind) ? 1 : 0;
        ApplyGeometry();
    } else {
        file.Close();
        // The reader works in the geometry the size gives. If it fails, the session goes back
        // to what it held: the image was not touched, and the geometry, details and history
        // lines describe it again.
        const int previousMode = s.geometryMode;
        const FitsDetails previousDetails = SessionFitsDetails();
        const HistoryLines previousHistory = s.historyLines;
        ResetFitsDetails();
        s.geometryMode = IsHalf(kind) ? 1 : 0;
        ApplyGeometry();
        const FitsReadResult result = ReadFitsFileFrom(path, s.currentImage);
        if (result != FitsReadResult::Ok) {
            s.geometryMode = previousMode;
            ApplyGeometry();
            StoreFitsDetails(previousDetails);
            s.historyLines = previousHistory;
            const bool foreign =
                result == FitsReadResult::NotThisProgram && LoadForeignFitsFile(path);
            if (!foreign) {
                return result == FitsReadResult::IoFailure ? MessageCode::FitsLoadFailed
                                                           : MessageCode::FitsNotThisProgram;
            }
        }
        uint16_t number = 0;
        if (SequenceNumberFromName(name, number)) s.sequenceNumber = number;
    }
    RefreshDisplay();
    return MessageCode::None;
}

}  // namespace

bool LoadImageFile(const std::string& name) {
    MessageCode code = MessageCode::None;
    {
        WaitCursor wait;
        code = LoadImageFileUnderWaitCursor(name);
    }
    // The message shows with the normal cursor back. A refused file leaves the title naming
    // the image still on screen.
    if (code != MessageCode::None) {
        ShowMessage(code);
        return false;
    }
    const std::string shown = NameAsOnDisk(name);
    SetTitleFile(&shown);
    return true;
}

bool WriteTqFileTo(const fs::path& hostPath, const uint16_t* samples, int width, int height) {
    if (samples == nullptr || width <= 0 || height <= 0 ||
        static_cast<int64_t>(width) * height > kFullSampleCount) {
        return false;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const uint16_t* words = samples;
    if constexpr (std::endian::native != std::endian::little) {
        uint16_t* staged = StagingBuffer().data();
        for (size_t i = 0; i < count; ++i) staged[i] = Swap(samples[i]);
        words = staged;
    }
    return WriteFileSafely(
        hostPath, {std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(words), count * 2)});
}

bool SaveTqFile(const std::string& name) {
    if (name.empty()) {
        ShowMessage(MessageCode::TqSaveFailed);
        return false;
    }
    const SessionState& s = Session();
    bool written = false;
    {
        WaitCursor wait;
        written = WriteTqFileTo(ResolveUserPath(name, false), s.currentImage.data(),
                                s.geometry.width, s.geometry.height);
    }
    if (!written) ShowMessageWithReason(MessageCode::TqOverwriteFailed, WriteFailureReason());
    return written;
}

bool LoadTqReference(const std::string& name) {
    MessageCode code = MessageCode::None;
    {
        WaitCursor wait;
        OpenedFile file(ResolveUserPath(name, true));
        if (!IsTq(ImageFileKindOfSize(file.size))) {
            code = MessageCode::NotTqFile;
        } else if (!ReadSamplesInto(file.fd, Session().workImage.data(),
                                    static_cast<size_t>(file.size))) {
            code = MessageCode::TqOpenFailed;
        }
    }
    if (code != MessageCode::None) ShowMessage(code);
    return code == MessageCode::None;
}

}  // namespace vexa
