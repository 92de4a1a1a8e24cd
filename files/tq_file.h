// The native TQ raw file (a bare dump of the 16-bit samples, least significant byte first,
// rows top down) and the load dispatcher that opens TQ raw and FITS files by their size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "files/fits_file.h"
#include "session/session_state.h"

namespace vexa {

constexpr int64_t kHalfTqFileBytes = static_cast<int64_t>(kHalfWidth) * kHalfHeight * 2;
constexpr int64_t kFullTqFileBytes = static_cast<int64_t>(kFullWidth) * kFullHeight * 2;
static_assert(kHalfTqFileBytes == 669500 && kFullTqFileBytes == 2678000);

// Catalogue codes raised here.

enum class ImageFileKind { None, TqHalf, TqFull, FitsHalf, FitsFull };

// What a file of this size is to the load dispatcher.
ImageFileKind ImageFileKindOfSize(int64_t size);

// Loads a TQ raw or FITS file into currentImage (the name as ResolveUserPath takes it).
// The name goes to the title first. A file of none of the four sizes is tried as a standard
// FITS file of another program (see foreign_fits_load.h); when that fails too, message 12 and
// nothing else changes. The FITS details are reset for either format and the processing
// history emptied; a FITS load sets the geometry from the size and hands over to the FITS
// reader (failures: 13 input, 14 foreign header unless the standard FITS reader takes the
// file; the image, geometry and details then stay as they were), and a name beginning "IMG"
// gives the sequence number, for FITS files of other programs too. A TQ file is read
// straight into currentImage; if the read fails part way (the file shrank while being read,
// or the disk failed) message 11 is shown and the geometry and details stay as they were.
// Success refreshes the display. True when the image was loaded.
bool LoadImageFile(const std::string& name);

// Writes currentImage for the session's geometry as a TQ raw file (669,500 or 2,678,000
// bytes). An empty name reports 17; a file that cannot be written reports 18 and leaves an
// older file of that name as it was. True on success.
bool SaveTqFile(const std::string& name);
// The same to a host path, without messages or cursor.
bool WriteTqFileTo(const std::filesystem::path& hostPath, const uint16_t* samples, int width,
                   int height);

// Reads a TQ raw file of either size into workImage without changing the geometry. A file
// that cannot be opened or has another size reports 16 and leaves workImage alone; one whose
// read fails part way reports 11. True on success.
bool LoadTqReference(const std::string& name);

// The sequence number a loaded name gives: for a name beginning "IMG" in any case, the
// leading digits after it (up to the first "."), none giving 0; nothing for other names.
bool SequenceNumberFromName(const std::string& name, uint16_t& number);

}  // namespace vexa
