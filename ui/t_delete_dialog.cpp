#include "ui/t_delete_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace vexa {

namespace {
constexpr int kPathEditWidth = 360;
}

TDeleteDialog::TDeleteDialog(const ConfirmDialogRequest& request, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(
        QString::fromStdString(request.title.empty() ? kDeleteDialogTitle : request.title));
    question_ = new QLabel(
        QString::fromStdString(request.text.empty() ? kDeleteDialogText : request.text), this);
    pathEdit_ = new QLineEdit(QString::fromStdString(request.editText), this);
    MarkReadOnly(pathEdit_);  // the path is shown, not chosen here
    pathEdit_->setMinimumWidth(kPathEditWidth);
    pathEdit_->setCursorPosition(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    cancel_ = buttons->button(QDialogButtonBox::Cancel);
    ok_->setText("OK");
    cancel_->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question_);
    layout->addWidget(pathEdit_);
    layout->addWidget(buttons);
}

bool RunDeleteDialog(const ConfirmDialogRequest& request, QWidget* parent) {
    TDeleteDialog dialog(request, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace vexa
