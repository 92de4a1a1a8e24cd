#include "cli/image_output.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <system_error>

#include "app/display_refresh.h"
#include "files/file_names.h"
#include "files/fits_file.h"
#include "files/tiff_file.h"
#include "files/tq_file.h"
#include "files/view_bitmap.h"
#include "session/message_catalogue.h"
#include "session/printable_text.h"
#include "session/safe_file_writer.h"
#include "session/session_state.h"

namespace vexa::cli {

namespace {

// The whole-image view bitmap with the colour table the display options select.
bool WriteBitmap(const std::string& path) {
    SessionState& s = Session();
    FillDisplayBytes(s.currentImage.data(), s.displayBytes.data(), s.geometry.sampleCount);
    if (s.autoContrast) ComputeAutoContrastThreshold();
    const ViewBitmapVariant variant = ChooseViewBitmapVariant(false, s.geometryMode);
    return ExportViewBitmapFile(ResolveUserPath(path, false), variant, s.displayBytes.data(),
                                BuildColourTable());
}

}  // namespace

std::optional<OutputFormat> ParseOutputFormat(const std::string& name) {
    if (name == "tq") return OutputFormat::Tq;
    if (name == "fits") return OutputFormat::Fits;
    if (name == "fits8") return OutputFormat::Fits8;
    if (name == "tiff") return OutputFormat::Tiff;
    if (name == "bmp") return OutputFormat::Bmp;
    return std::nullopt;
}

bool IsFitsImageFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return false;
    const ImageFileKind kind = ImageFileKindOfSize(static_cast<int64_t>(size));
    return kind != ImageFileKind::TqHalf && kind != ImageFileKind::TqFull;
}

OutputFormat FormatOfImageFile(const std::string& path) {
    return IsFitsImageFile(path) ? OutputFormat::Fits : OutputFormat::Tq;
}

bool WriteImageAs(const std::string& path, OutputFormat format) {
    SessionState& s = Session();
    bool written = false;
    switch (format) {
        case OutputFormat::Tq:
            // The TQ writer reports its own failure.
            return SaveTqFile(path);
        case OutputFormat::Fits:
            written = WriteFitsFile(path, s.currentImage, false);
            break;
        case OutputFormat::Fits8:
            written = WriteFitsFile(path, s.currentImage, true);
            break;
        case OutputFormat::Tiff:
            written = WriteTiffFile(path, s.currentImage);
            break;
        case OutputFormat::Bmp:
            written = WriteBitmap(path);
            break;
    }
    // The others are reported as the File menu reports them.
    if (!written) ShowMessageWithReason(MessageCode::CreateFileFailed, WriteFailureReason());
    return written;
}

void PrintHistoryLines(std::ostream& out) {
    for (const auto& line : Session().historyLines) {
        // A line read from a file may fill its entry without a terminating zero.
        if (line[0] != '\0')
            out << "  "
                << EscapeBytes(std::string_view(line.data(), strnlen(line.data(), line.size())))
                << '\n';
    }
}

}  // namespace vexa::cli
