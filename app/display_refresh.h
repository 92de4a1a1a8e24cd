// The display refresh of the window: RebuildView turns currentImage into the view bitmap file
// and has the view show it. Installed at start-up as the RefreshDisplay that every load,
// capture and processing step ends with.
#pragma once

#include "processing/display_mapping.h"
#include "session/display_refresh.h"

namespace vexa {

// Rebuild the view from currentImage: display bytes, title, background level (auto contrast),
// the display bitmap file (messages 8, 9, 10), read back by the view (message 32), scroll bars,
// and the open analysis windows brought up to date.
void RebuildView();
// Make RebuildView the display refresh that every step below this layer ends with.
void InstallDisplayRefresh();

// The refresh of a front end without a view (the command line): display bytes, title and
// background level (auto contrast) as RebuildView brings them up to date, but no view bitmap
// file is written or read, so a run never depends on the root folder taking that file.
void RefreshDisplayLevels();
// Make RefreshDisplayLevels the display refresh.
void InstallHeadlessDisplayRefresh();

}  // namespace vexa
