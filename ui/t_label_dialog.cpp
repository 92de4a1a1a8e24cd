#include "ui/t_label_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vexa {

TLabelDialog::TLabelDialog(LabelDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(kLabelDialogTitle);

    edit_ = new QLineEdit(QString::fromLatin1(model_.EditText()), this);
    edit_->setMaxLength(kLabelTextMaxChars);
    edit_->setMinimumWidth(320);
    autoDate_ = new QCheckBox(kLabelAutoDateText, this);
    autoDate_->setChecked(model_.AutoDate());
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(kLabelPrompt, this));
    layout->addWidget(edit_);
    layout->addWidget(autoDate_);
    layout->addWidget(buttons_);

    // Each click toggles the session's choice at once, as the box shows it.
    connect(autoDate_, &QCheckBox::clicked, this, [this] {
        model_.ToggleAutoDate();
        autoDate_->setChecked(model_.AutoDate());
    });
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] {
        // One byte per character, so that each character takes one cell of the label; those
        // outside Latin-1 have no glyph either way and leave a gap.
        model_.SetEditText(edit_->text().toLatin1().toStdString());
        accept();
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool RunLabelDialog(LabelDialogModel& model, QWidget* parent) {
    TLabelDialog dialog(model, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace vexa
