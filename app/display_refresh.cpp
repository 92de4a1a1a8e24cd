// The display refresh: the display levels and colour table of the current image written as
// the view bitmap, read back by the view, and the window title and scroll bars brought up to
// date.
#include "app/display_refresh.h"

#include <algorithm>

#include "files/view_bitmap.h"
#include "processing/analysis_displays.h"
#include "processing/display_mapping.h"
#include "session/host_paths.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/ui_services.h"

namespace vexa {

namespace {
// Catalogue codes for the writer's results 1, 2 and 3, and for a failed read-back.
constexpr MessageCode kBitmapWriteMessages[] = {MessageCode::None, MessageCode::TempBitmapFailed,
                                                MessageCode::TempBitmapHeaderFailed,
                                                MessageCode::TempBitmapFileFailed};
}  // namespace

void RefreshDisplayLevels() {
    SessionState& s = Session();
    const int count = ViewShowsSmallFrame()
                          ? kFrameSamples
                          : std::clamp<int>(s.geometry.sampleCount, 0, kFullSampleCount);
    FillDisplayBytes(s.currentImage.data(), s.displayBytes.data(), count);
    Ui().SetWindowTitle(WindowTitle());
    if (s.autoContrast) ComputeAutoContrastThreshold();
}

void InstallHeadlessDisplayRefresh() {
    SetDisplayRefresher(&RefreshDisplayLevels);
}

void RebuildView() {
    SessionState& s = Session();
    const bool smallFrame = ViewShowsSmallFrame();
    RefreshDisplayLevels();

    const ViewBitmapVariant variant = ChooseViewBitmapVariant(smallFrame, s.geometryMode);
    const int written = WriteViewBitmap(s.displayBytes.data(), BuildColourTable(), smallFrame);
    if (written != kViewBitmapOk) {
        ShowMessage(kBitmapWriteMessages[std::clamp(written, 1, 3)]);
        // The file is missing or partial: reading it back would show a torn image, so the
        // previous view stays.
    } else if (!Ui().LoadDisplayBitmap(HostPath(ViewBitmapProgramPath(variant)).string())) {
        ShowMessage(MessageCode::BitmapReadFailed);
    } else {
        const ViewBitmapFormat& f = FormatOf(variant);
        s.displayBitmapExists = true;
        s.displayWidth = f.declaredWidth;
        s.displayHeight = f.rows;
    }
    Ui().UpdateScrollBars();
    // Open histogram, 3-D plot and row profile windows show the image as it now is.
    RefreshOpenAnalysisDisplays();
}

void InstallDisplayRefresh() {
    SetDisplayRefresher(&RebuildView);
}

}  // namespace vexa
