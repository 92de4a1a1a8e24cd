// "Save as Tiff file...": an uncompressed single-image 8-bit grey TIFF of the current image
// (the high byte of every sample), little-endian, with a fixed directory of 13 entries and
// strips of 103 rows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "session/session_state.h"

namespace vexa {

constexpr int kTiffEntryCount = 13;
constexpr int kTiffDirectoryOffset = 8;
constexpr int kTiffEntryBytes = 12;
constexpr int kTiffRationalsOffset =
    kTiffDirectoryOffset + 2 + kTiffEntryCount * kTiffEntryBytes + 4;  // 170
constexpr int kTiffStripTablesOffset = kTiffRationalsOffset + 16;      // 186
constexpr int kTiffRowsPerStrip = 103;

// The header (everything before the image bytes) for an image of the given size.
std::vector<uint8_t> BuildTiffHeader(int width, int height);
constexpr int64_t TiffFileBytes(int width, int height) {
    const int strips = (height + kTiffRowsPerStrip - 1) / kTiffRowsPerStrip;
    return kTiffStripTablesOffset + 8 * strips + static_cast<int64_t>(width) * height;
}
static_assert(TiffFileBytes(kFullWidth, kFullHeight) == 1339266 &&
              TiffFileBytes(kHalfWidth, kHalfHeight) == 334976);

// Write the TIFF of samples (rows top down, stride width) to a host path through the safe
// writer; false when it could not be written (an older file of that name stays as it was).
bool WriteTiffFileTo(const std::filesystem::path& hostPath, const uint16_t* samples, int width,
                     int height);
// The session's form: a name as the file routines take it, the image in the session's
// geometry. The caller reports a failure.
bool WriteTiffFile(const std::string& name, const Plane& image);

}  // namespace vexa
