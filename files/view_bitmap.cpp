#include "files/view_bitmap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "session/host_paths.h"
#include "session/safe_file_writer.h"

namespace vexa {

namespace fs = std::filesystem;

namespace {

constexpr int kBitsPerPixel = 8;

void PutU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Source row stride of the display bytes for each variant.
int SourceStride(ViewBitmapVariant variant) {
    switch (variant) {
        case ViewBitmapVariant::Full:
            return kFullWidth;
        case ViewBitmapVariant::Half:
            return kHalfWidth;
        case ViewBitmapVariant::Frame:
            return kFrameSide;
    }
    return kFullWidth;
}

// Write all n bytes, carrying on after partial writes; false when the file takes no more.
bool WriteAll(int fd, const uint8_t* data, size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, data, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        data += done;
        n -= static_cast<size_t>(done);
    }
    return true;
}

// The pixel rows are laid out here before writing; allocated once, sized for the Full image.
uint8_t* WorkBuffer() {
    static auto* buffer = new std::array<uint8_t, kFullSampleCount>();
    return buffer->data();
}

}  // namespace

const ViewBitmapFormat& FormatOf(ViewBitmapVariant variant) {
    switch (variant) {
        case ViewBitmapVariant::Full:
            return kFullBitmapFormat;
        case ViewBitmapVariant::Half:
            return kHalfBitmapFormat;
        case ViewBitmapVariant::Frame:
            return kFrameBitmapFormat;
    }
    return kFullBitmapFormat;
}

bool ViewShowsSmallFrame() {
    const SessionState& s = Session();
    return s.smallFrameDisplay || s.guideFrameDisplay;
}

ViewBitmapVariant ChooseViewBitmapVariant(bool smallFrame, int geometryMode) {
    if (smallFrame) return ViewBitmapVariant::Frame;
    return geometryMode != 0 ? ViewBitmapVariant::Half : ViewBitmapVariant::Full;
}

const char* ViewBitmapProgramPath(ViewBitmapVariant variant) {
    return variant == ViewBitmapVariant::Frame ? kFrameBitmapPath : kViewBitmapPath;
}

std::array<uint8_t, kViewBitmapHeaderBytes> BuildViewBitmapHeader(ViewBitmapVariant variant,
                                                                  const ColourTable& colours) {
    const ViewBitmapFormat& f = FormatOf(variant);
    std::array<uint8_t, kViewBitmapHeaderBytes> h{};
    h[0] = 'B';
    h[1] = 'M';
    PutU32(&h[2], static_cast<uint32_t>(f.fileBytes));
    PutU32(&h[10], kViewBitmapHeaderBytes);
    PutU32(&h[14], kViewBitmapInfoHeaderBytes);
    PutU32(&h[18], static_cast<uint32_t>(f.declaredWidth));
    PutU32(&h[22], static_cast<uint32_t>(f.rows));  // positive: bottom-up rows
    PutU16(&h[26], 1);
    PutU16(&h[28], kBitsPerPixel);
    PutU32(&h[34], static_cast<uint32_t>(f.imageSizeField));
    // Compression, resolution and colour counts stay 0.
    uint8_t* entry = &h[kViewBitmapColourTableOffset];
    for (const ColourEntry& c : colours) {
        entry[0] = c.blue;
        entry[1] = c.green;
        entry[2] = c.red;
        entry[3] = 0;
        entry += 4;
    }
    return h;
}

void FillViewBitmapPixels(ViewBitmapVariant variant, const uint8_t* displayBytes, uint8_t* out) {
    const ViewBitmapFormat& f = FormatOf(variant);
    const int stride = SourceStride(variant);
    for (int r = 0; r < f.rows; ++r) {
        const uint8_t* src = displayBytes + static_cast<size_t>(f.rows - 1 - r) * stride;
        uint8_t* dst = out + static_cast<size_t>(r) * f.declaredWidth;
        if (variant == ViewBitmapVariant::Half) {
            // The row is widened to 652 so that it needs no padding: the first level once more
            // on the left, and on the right the filler, which repeats the last level so that
            // the extra column continues the image instead of drawing a stripe.
            dst[0] = src[0];
            std::memcpy(dst + 1, src, kHalfWidth);
            dst[kHalfBitmapWidth - 1] = src[kHalfWidth - 1];
        } else {
            std::memcpy(dst, src, static_cast<size_t>(stride));
        }
    }
}

int WriteViewBitmapFile(const fs::path& hostPath, ViewBitmapVariant variant,
                        const uint8_t* displayBytes, const ColourTable& colours) {
    const ViewBitmapFormat& f = FormatOf(variant);
    if (displayBytes == nullptr || hostPath.empty()) return kViewBitmapSetupFailed;

    // Delete the old file first. Anything there that is not a file (a folder, a device) is
    // left alone and the bitmap is not written.
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(hostPath, ec);
    if (fs::exists(st)) {
        if (!fs::is_regular_file(st) && !fs::is_symlink(st)) return kViewBitmapSetupFailed;
        if (!fs::remove(hostPath, ec) || ec) return kViewBitmapSetupFailed;
    }

    const int fd = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return kViewBitmapHeaderShort;

    const auto failed = [&](int code) {
        ::close(fd);
        ::unlink(hostPath.c_str());
        return code;
    };
    const auto header = BuildViewBitmapHeader(variant, colours);
    if (!WriteAll(fd, header.data(), header.size())) return failed(kViewBitmapHeaderShort);

    uint8_t* pixels = WorkBuffer();
    FillViewBitmapPixels(variant, displayBytes, pixels);
    for (int at = 0; at < f.pixelBytes; at += f.pieceBytes) {
        if (!WriteAll(fd, pixels + at, static_cast<size_t>(f.pieceBytes)))
            return failed(kViewBitmapPixelsShort);
    }
    // A failed close can still mean lost data on some file systems.
    if (::close(fd) != 0) {
        ::unlink(hostPath.c_str());
        return kViewBitmapPixelsShort;
    }
    return kViewBitmapOk;
}

bool ExportViewBitmapFile(const fs::path& hostPath, ViewBitmapVariant variant,
                          const uint8_t* displayBytes, const ColourTable& colours) {
    const ViewBitmapFormat& f = FormatOf(variant);
    if (displayBytes == nullptr) return false;
    const auto header = BuildViewBitmapHeader(variant, colours);
    uint8_t* pixels = WorkBuffer();
    FillViewBitmapPixels(variant, displayBytes, pixels);
    return WriteFileSafely(
        hostPath, {header, std::span<const uint8_t>(pixels, static_cast<size_t>(f.pixelBytes))});
}

int WriteViewBitmap(const uint8_t* displayBytes, const ColourTable& colours, bool smallFrame) {
    const ViewBitmapVariant variant = ChooseViewBitmapVariant(smallFrame, Session().geometryMode);
    return WriteViewBitmapFile(HostPath(ViewBitmapProgramPath(variant)), variant, displayBytes,
                               colours);
}

}  // namespace vexa
