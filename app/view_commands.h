// The "&View" commands that change only the presentation, and "&Mirror Image".
#pragma once

namespace vexa {

void CmdFitToWindow();        // 301
void CmdCentreImage();        // 303
void CmdFalseColour();        // 118
void CmdAutoContrast();       // 119
void CmdMaxPaletteStretch();  // 123: the "Stretch Palette" dialog, then a refresh on OK
void CmdMirrorImage();        // 302
// Mirror currentImage left to right through workImage, keeping label rows in place.
void MirrorImage();

}  // namespace vexa
