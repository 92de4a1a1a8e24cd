// Focus mode: short exposures of the 128 x 128 focus window, one after another, each shown in
// the camera dialog and the main window with its peak value and the half-flux diameter of its
// brightest star, until the user stops it.
#pragma once

#include <functional>

namespace vexa {

class Camera;

// Exposures of 100 units or more, and minutes, are too long for focusing.
constexpr int kFocusValueLimit = 100;

// On this camera, alternates a message pass with a frame pass and a beep pass until focusStop is
// set ("Stop", or any key or mouse-button press in a message pass) or a capture abort is asked for.
// A frame pass takes a focus frame under the wait cursor, stores its readings, shows the frame as
// the small-frame display (writing the focus bitmap), runs afterFrame and repaints the main window;
// a beep pass beeps and, with "1 sec delay when focussing" on, waits a second. A focus frame whose
// transfer failed ends the loop. However it ends, the current image is then exactly what it was
// before the first frame, and the display shows it again. Nothing happens for unit 'm' or a value
// of 100 or more; otherwise refreshNeeded is set.
void RunFocusLoop(Camera& camera, const std::function<void()>& afterFrame);

}  // namespace vexa
