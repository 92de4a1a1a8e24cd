// Message boxes wide enough for their caption: Qt sizes a box for its text, and the window
// system's title bar then cuts a longer caption short ("V... SB").
#pragma once

class QMessageBox;
class QString;

namespace vexa {

// How wide a window must be for its title bar to show the whole caption: the caption in a
// bold title-bar font, and room for the window's icon and its three buttons.
int CaptionFitWidth(const QString& caption);
// Widen a message box to CaptionFitWidth of its caption, at most the screen's width; a box
// that its text makes wider keeps that width.
void FitMessageBoxToCaption(QMessageBox& box);

}  // namespace vexa
