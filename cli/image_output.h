// What the commands that write an image share: the output formats named by "--to", the
// format a file already has, and writing currentImage in a chosen format.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace vexa::cli {

// TQ raw, FITS 16-bit, FITS eight-bit, TIFF, or the whole-image view bitmap.
enum class OutputFormat { Tq, Fits, Fits8, Tiff, Bmp };

constexpr const char* kOutputFormatNames = "tq|fits|fits8|tiff|bmp";

std::optional<OutputFormat> ParseOutputFormat(const std::string& name);

// The format to write back when none is asked for: FITS for a FITS file, else TQ raw. Read
// from the file's size before it is loaded, as the loader dispatches on it.
OutputFormat FormatOfImageFile(const std::string& path);
// True when the loader, if it reads the file at all, reads it as FITS: every regular file of
// another size than the two TQ raw ones (the loader tries those as other programs' FITS).
bool IsFitsImageFile(const std::string& path);

// Write currentImage (with the session's details, history and display options) to path.
// False after the writer's message when the file could not be written.
bool WriteImageAs(const std::string& path, OutputFormat format);

// Each processing-history line in use, indented by two blanks, one per line.
void PrintHistoryLines(std::ostream& out);

}  // namespace vexa::cli
