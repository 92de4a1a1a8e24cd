#include "ui/t_about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/present_commands.h"

namespace vexa {

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kAboutTitle);
    auto* layout = new QVBoxLayout(this);
    auto* description = new QLabel(kAboutDescription, this);
    description->setObjectName("description");
    layout->addWidget(description);
    for (const char* line : {kAboutVersion, kAboutReleaseDate, kAboutNotice}) {
        layout->addWidget(new QLabel(line, this));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

void ShowAboutDialog(QWidget* parent) {
    TAboutDialog dialog(parent);
    dialog.exec();
}

}  // namespace vexa
