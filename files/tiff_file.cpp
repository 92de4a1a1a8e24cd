#include "files/tiff_file.h"

#include <algorithm>
#include <cstring>

#include "files/file_names.h"
#include "session/safe_file_writer.h"

namespace vexa {

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kTiffMagic = 42;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeRational = 5;

constexpr uint16_t kTagNewSubfileType = 254;
constexpr uint16_t kTagImageWidth = 256;
constexpr uint16_t kTagImageLength = 257;
constexpr uint16_t kTagBitsPerSample = 258;
constexpr uint16_t kTagCompression = 259;
constexpr uint16_t kTagPhotometric = 262;
constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagSamplesPerPixel = 277;
constexpr uint16_t kTagRowsPerStrip = 278;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint16_t kTagXResolution = 282;
constexpr uint16_t kTagYResolution = 283;
constexpr uint16_t kTagResolutionUnit = 296;

constexpr uint32_t kBitsPerSample = 8;
constexpr uint32_t kNoCompression = 1;
constexpr uint32_t kBlackIsZero = 1;
constexpr uint32_t kCentimetre = 3;
constexpr uint32_t kXResolutionNumerator = 510, kXResolutionDenominator = 6;
constexpr uint32_t kYResolutionNumerator = 256, kYResolutionDenominator = 4;

void PutU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A SHORT value sits in the first two bytes of the value field, the other two stay zero.
void PutEntry(uint8_t*& at, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    PutU16(at, tag);
    PutU16(at + 2, type);
    PutU32(at + 4, count);
    if (type == kTypeShort) {
        PutU16(at + 8, static_cast<uint16_t>(value));
        PutU16(at + 10, 0);
    } else {
        PutU32(at + 8, value);
    }
    at += kTiffEntryBytes;
}

// The whole file is prepared here once per write; allocated once for the Full size.
std::vector<uint8_t>& FileBuffer() {
    static auto* buffer =
        new std::vector<uint8_t>(static_cast<size_t>(TiffFileBytes(kFullWidth, kFullHeight)));
    return *buffer;
}

}  // namespace

std::vector<uint8_t> BuildTiffHeader(int width, int height) {
    const uint32_t strips =
        static_cast<uint32_t>((height + kTiffRowsPerStrip - 1) / kTiffRowsPerStrip);
    const uint32_t countsOffset = kTiffStripTablesOffset + 4 * strips;
    const uint32_t dataOffset = kTiffStripTablesOffset + 8 * strips;
    const uint32_t stripBytes = static_cast<uint32_t>(width) * kTiffRowsPerStrip;
    const uint32_t imageBytes = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);

    std::vector<uint8_t> h(dataOffset, 0);
    h[0] = 'I';
    h[1] = 'I';
    PutU16(&h[2], kTiffMagic);
    PutU32(&h[4], kTiffDirectoryOffset);
    PutU16(&h[kTiffDirectoryOffset], kTiffEntryCount);
    uint8_t* at = &h[kTiffDirectoryOffset + 2];
    PutEntry(at, kTagNewSubfileType, kTypeLong, 1, 0);
    PutEntry(at, kTagImageWidth, kTypeShort, 1, static_cast<uint32_t>(width));
    PutEntry(at, kTagImageLength, kTypeShort, 1, static_cast<uint32_t>(height));
    PutEntry(at, kTagBitsPerSample, kTypeShort, 1, kBitsPerSample);
    PutEntry(at, kTagCompression, kTypeShort, 1, kNoCompression);
    PutEntry(at, kTagPhotometric, kTypeShort, 1, kBlackIsZero);
    PutEntry(at, kTagStripOffsets, kTypeLong, strips, kTiffStripTablesOffset);
    PutEntry(at, kTagSamplesPerPixel, kTypeShort, 1, 1);
    PutEntry(at, kTagRowsPerStrip, kTypeLong, 1, kTiffRowsPerStrip);
    PutEntry(at, kTagStripByteCounts, kTypeLong, strips, countsOffset);
    PutEntry(at, kTagXResolution, kTypeRational, 1, kTiffRationalsOffset);
    PutEntry(at, kTagYResolution, kTypeRational, 1, kTiffRationalsOffset + 8);
    PutEntry(at, kTagResolutionUnit, kTypeShort, 1, kCentimetre);
    PutU32(at, 0);  // no further directory
    PutU32(&h[kTiffRationalsOffset], kXResolutionNumerator);
    PutU32(&h[kTiffRationalsOffset + 4], kXResolutionDenominator);
    PutU32(&h[kTiffRationalsOffset + 8], kYResolutionNumerator);
    PutU32(&h[kTiffRationalsOffset + 12], kYResolutionDenominator);
    for (uint32_t k = 0; k < strips; ++k) {
        // The last strip of an image whose height is not a multiple of 103 is shorter.
        const uint32_t offset = dataOffset + stripBytes * k;
        const uint32_t bytes = std::min(stripBytes, imageBytes - stripBytes * k);
        PutU32(&h[kTiffStripTablesOffset + 4 * k], offset);
        PutU32(&h[countsOffset + 4 * k], bytes);
    }
    return h;
}

bool WriteTiffFileTo(const fs::path& hostPath, const uint16_t* samples, int width, int height) {
    if (samples == nullptr || width <= 0 || height <= 0 ||
        static_cast<int64_t>(width) * height > kFullSampleCount) {
        return false;
    }
    const std::vector<uint8_t> header = BuildTiffHeader(width, height);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    uint8_t* out = FileBuffer().data();
    std::memcpy(out, header.data(), header.size());
    uint8_t* pixels = out + header.size();
    for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint8_t>(samples[i] >> 8);
    return WriteFileSafely(hostPath, {std::span<const uint8_t>(out, header.size() + count)});
}

bool WriteTiffFile(const std::string& name, const Plane& image) {
    const SessionState& s = Session();
    return WriteTiffFileTo(ResolveUserPath(name, false), image.data(), s.geometry.width,
                           s.geometry.height);
}

}  // namespace vexa
