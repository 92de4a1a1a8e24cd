#include "app/present_commands.h"
#include "app/present_services.h"

#include <filesystem>
#include <system_error>

#include "files/view_bitmap.h"
#include "session/host_paths.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

namespace {

// True when the file has the size of a whole-image view bitmap (Full or Half): a missing or
// partial file left by a failed refresh is not handed to the printer.
bool IsWholeImageBitmap(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return false;
    return size == static_cast<uintmax_t>(kFullBitmapFormat.fileBytes) ||
           size == static_cast<uintmax_t>(kHalfBitmapFormat.fileBytes);
}

void ReportPrintStatus(PresentServices::PrintStatus status) {
    switch (status) {
        case PresentServices::PrintStatus::Done:
        case PresentServices::PrintStatus::Cancelled:
            break;
        case PresentServices::PrintStatus::NoPrinter:
            ShowMessage(MessageCode::CallerText, kNoPrinterText);
            break;
        case PresentServices::PrintStatus::UnreadableFile:
            ShowMessage(MessageCode::BitmapReadFailed);
            break;
        case PresentServices::PrintStatus::Failed:
            ShowMessage(MessageCode::CallerText, kPrintFailedText);
            break;
    }
}

}  // namespace

void CmdCopy() {
    // The menu greys Copy while the view has no bitmap; a call that still arrives is told so.
    if (!Session().displayBitmapExists || !PresentUi().CopyViewToClipboard()) {
        ShowMessage(MessageCode::CallerText, kNothingToCopyText);
    }
}

void CmdPrint() {
    const std::filesystem::path path = HostPath(kViewBitmapPath);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        ShowMessage(MessageCode::CallerText, kNothingToPrintText);
        return;
    }
    if (!IsWholeImageBitmap(path)) {
        ShowMessage(MessageCode::BitmapReadFailed);
        return;
    }
    ReportPrintStatus(PresentUi().PrintBitmapFile(path.string()));
}

void CmdPrintSetup() {
    ReportPrintStatus(PresentUi().PrintSetup());
}

void CmdHelp() {
    if (!PresentUi().ShowHelp()) Ui().StopMessageBox(kHelpFailedCaption, kHelpFailedText);
}

void CmdAbout() {
    PresentUi().RunAboutDialog();
}

}  // namespace vexa
