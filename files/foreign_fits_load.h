// Loading a standard FITS image of another program into the session. The file is decoded in
// a child process with a time and memory allowance, so that a damaged file which makes the
// decoder crash, spin or allocate without bound is refused like any other bad file.
#pragma once

#include <cstdint>
#include <span>

#include "files/foreign_fits.h"

namespace vexa {

// A file is read whole into memory, so its size is bounded; a full frame of 64-bit reals
// takes 10.7 MB, which leaves ample room for headers and other units.
constexpr int64_t kForeignFitsMaxFileBytes = int64_t{64} << 20;

// DecodeForeignFits run in a child process that may take at most kForeignDecodeSeconds and
// kForeignDecodeMemoryBytes more memory; the image comes back through shared memory. False
// when the decode refuses the file or the child does not finish it.
constexpr unsigned kForeignDecodeSeconds = 10;
constexpr uint64_t kForeignDecodeMemoryBytes = uint64_t{512} << 20;
bool DecodeForeignFitsIsolated(std::span<const uint8_t> file, ForeignFitsImage& image);

// Load an open regular file of sizeBytes bytes (at most kForeignFitsMaxFileBytes; read whole
// from its start) into the session: the geometry its image size gives, the samples in
// currentImage, the FITS details reset and then overwritten by the header's values, the
// processing-history lines from its HISTORY texts. The session changes only on success;
// false when the file is too large, cannot be read whole or does not decode (sizeBytes below
// 0, as for no regular file, is refused too).
bool LoadForeignFitsImage(int fd, int64_t sizeBytes);

}  // namespace vexa
