// The temporary 8-bit view bitmaps "c:\VEXAQ4.bmp" (whole image) and "c:\VEXAQ4f.bmp"
// (128 x 128 frame): a 1,078-byte header with the colour table, then bottom-up pixel rows.
// The view reads them back, the print program and the camera dialog read them too.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "session/session_state.h"

namespace vexa {

// One colour-table entry as a bitmap file stores it.
struct ColourEntry {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
};
using ColourTable = std::array<ColourEntry, 256>;

enum class ViewBitmapVariant { Full, Half, Frame };

constexpr int kViewBitmapHeaderBytes = 1078;
constexpr int kViewBitmapInfoHeaderBytes = 40;
constexpr int kViewBitmapColourTableOffset = 54;
// Each Half row is the row's first level, its 650 levels and one filler byte.
constexpr int kHalfBitmapWidth = kHalfWidth + 2;

// Return codes of the writer.
constexpr int kViewBitmapOk = 0;
constexpr int kViewBitmapSetupFailed = 1;  // the file object cannot be set up
constexpr int kViewBitmapHeaderShort = 2;  // cannot create the file, or short header write
constexpr int kViewBitmapPixelsShort = 3;  // a pixel write fell short

// Everything that differs between the three variants.
struct ViewBitmapFormat {
    int32_t declaredWidth;  // pixels per row in the header (and bytes per row)
    int32_t rows;
    int32_t imageSizeField;  // the header's image-size field (0 for the frame)
    int32_t pixelBytes;
    int32_t pieceBytes;  // the pixel rows are written in pieces of this size
    int32_t fileBytes;
};

constexpr ViewBitmapFormat kFullBitmapFormat{
    kFullWidth,       kFullHeight, kFullSampleCount,
    kFullSampleCount, 133900,      kViewBitmapHeaderBytes + kFullSampleCount};
constexpr ViewBitmapFormat kHalfBitmapFormat{
    kHalfBitmapWidth,
    kHalfHeight,
    kHalfBitmapWidth* kHalfHeight,
    kHalfBitmapWidth* kHalfHeight,
    167890,
    kViewBitmapHeaderBytes + kHalfBitmapWidth* kHalfHeight};
constexpr ViewBitmapFormat kFrameBitmapFormat{
    kFrameSide,    kFrameSide,    0,
    kFrameSamples, kFrameSamples, kViewBitmapHeaderBytes + kFrameSamples};

static_assert(kFullBitmapFormat.pixelBytes == 10 * kFullBitmapFormat.pieceBytes);
static_assert(kHalfBitmapFormat.pixelBytes == 2 * kHalfBitmapFormat.pieceBytes);
static_assert(kFullBitmapFormat.fileBytes == 1340078 && kHalfBitmapFormat.fileBytes == 336858 &&
              kFrameBitmapFormat.fileBytes == 17462);

const ViewBitmapFormat& FormatOf(ViewBitmapVariant variant);

// The variant the view writes now: the 128 x 128 frame while the small-frame display or the
// guider's frame display is on, else Full or Half by the geometry.
bool ViewShowsSmallFrame();
ViewBitmapVariant ChooseViewBitmapVariant(bool smallFrame, int geometryMode);
// "c:\VEXAQ4f.bmp" for the frame, "c:\VEXAQ4.bmp" otherwise.
const char* ViewBitmapProgramPath(ViewBitmapVariant variant);

// The 1,078-byte header with the colour table.
std::array<uint8_t, kViewBitmapHeaderBytes> BuildViewBitmapHeader(ViewBitmapVariant variant,
                                                                  const ColourTable& colours);
// Lay the pixel rows out bottom-up into out (FormatOf(variant).pixelBytes bytes) from the
// display bytes of an image with row stride width (Full 1300, Half 650, frame 128).
void FillViewBitmapPixels(ViewBitmapVariant variant, const uint8_t* displayBytes, uint8_t* out);

// Write the bitmap of the given variant to a host path: delete, create, header in one piece,
// pixel rows in fixed pieces. Returns one of the codes above. A write that falls short (a
// full disk, a file-size limit) removes the cut file, so that no reader takes a torn image.
// For the program's own view files, which nobody else keeps.
int WriteViewBitmapFile(const std::filesystem::path& hostPath, ViewBitmapVariant variant,
                        const uint8_t* displayBytes, const ColourTable& colours);
// The same bitmap to a file the user named, through the safe writer: an older file of that
// name stays as it was unless the new one is complete. False when it could not be written.
bool ExportViewBitmapFile(const std::filesystem::path& hostPath, ViewBitmapVariant variant,
                          const uint8_t* displayBytes, const ColourTable& colours);

// The view's writer: the frame variant and "c:\VEXAQ4f.bmp" when smallFrame is set, else the
// whole-image variant of the session's geometry and "c:\VEXAQ4.bmp".
int WriteViewBitmap(const uint8_t* displayBytes, const ColourTable& colours, bool smallFrame);

}  // namespace vexa
