// The "Stretch Palette" dialog: the palette-stretch bit depth on a scroll bar from "12 bit"
// to "16 bit", its value in a read-only edit box, and "Selected for use on all Images".
#pragma once

#include <QDialog>

#include "app/stretch_palette_model.h"

class QCheckBox;
class QLineEdit;
class QScrollBar;

namespace vexa {

class TMaxDialog : public QDialog {
    Q_OBJECT
  public:
    TMaxDialog(StretchPaletteDialogModel& model, QWidget* parent = nullptr);

    QScrollBar* BitsBar() const { return bar_; }
    QLineEdit* BitsEdit() const { return edit_; }
    QCheckBox* AllImagesBox() const { return allImages_; }

  private:
    void OnBarAction(int action);
    void ShowModel();

    StretchPaletteDialogModel& model_;
    QScrollBar* bar_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QCheckBox* allImages_ = nullptr;
};

}  // namespace vexa
