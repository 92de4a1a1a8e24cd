// The display refresh that every load, capture and processing step ends with. The commands
// layer owns the display mapping and the view bitmap and installs the refresh at start-up;
// the layers below it ask for a refresh through here. Before one is installed it does nothing.
#pragma once

namespace vexa {

void RefreshDisplay();

using DisplayRefresher = void (*)();
void SetDisplayRefresher(DisplayRefresher refresher);

}  // namespace vexa
