// Mouse clicks and moves on the view, dispatched by interaction mode, and the commands that
// enter the click modes (Pick Guide Star, Focus Frame Centre, Default Focus Frame Centre).
#pragma once

namespace vexa {

// (x, y) are client pixels of the view.
void OnLeftButtonUp(int x, int y);
void OnRightButtonUp(int x, int y);
void OnMouseMove(int x, int y);

void CmdPickGuideStar();
void CmdFocusFrameCentre();
void CmdDefaultFocusFrameCentre();

}  // namespace vexa
