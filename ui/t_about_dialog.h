// The about box "Help About Vexa_Q4_USB": the program's description, version, release date
// and maker's notice, with an "OK" button.
#pragma once

#include <QDialog>

namespace vexa {

class TAboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutDialog(QWidget* parent = nullptr);
};

// Show the about box modally.
void ShowAboutDialog(QWidget* parent);

}  // namespace vexa
