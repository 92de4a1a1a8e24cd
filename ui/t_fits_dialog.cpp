#include "ui/t_fits_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/dialog_parts.h"

namespace vexa {

namespace {

constexpr int kLineEditWidth = 320;
constexpr int kTextEditHeight = 70;
constexpr int kUtEditWidth = 40;
constexpr int kUtBarWidth = 200;

// The text cut so that its stored form (UTF-8) keeps within the control's limit, never in the
// middle of a character; for plain ASCII this is simply the first `limit` characters.
QString LimitedText(const QString& text, size_t limit) {
    QString kept = text.left(static_cast<qsizetype>(limit));
    while (static_cast<size_t>(kept.toUtf8().size()) > limit) kept.chop(1);
    return kept;
}

QString CharacterCount(const QString& text, size_t limit) {
    return QString("%1 of %2 characters").arg(text.toUtf8().size()).arg(limit);
}

bool ScrollActionOf(int sliderAction, ScrollAction& action) {
    switch (sliderAction) {
        case QAbstractSlider::SliderSingleStepSub:
            action = ScrollAction::LineLeft;
            return true;
        case QAbstractSlider::SliderSingleStepAdd:
            action = ScrollAction::LineRight;
            return true;
        case QAbstractSlider::SliderPageStepSub:
            action = ScrollAction::PageLeft;
            return true;
        case QAbstractSlider::SliderPageStepAdd:
            action = ScrollAction::PageRight;
            return true;
        case QAbstractSlider::SliderMove:
            action = ScrollAction::Thumb;
            return true;
        default:  // Home and End keys: no scroll-bar message of their own, so nothing moves
            return false;
    }
}

}  // namespace

TFITSDialog::TFITSDialog(FitsDetailsDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(kFitsDialogTitle);
    auto* grid = new QGridLayout;
    setLayout(new QVBoxLayout);
    layout()->addItem(grid);

    for (const FitsEditControl& control : FitsEditControls()) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(control.label, this), row, 0,
                        control.multiLine ? Qt::AlignTop : Qt::Alignment());
        if (control.multiLine) {
            AddTextEdit(control);
            auto* box = new QVBoxLayout;
            box->setSpacing(0);
            box->addWidget(textEdits_[control.id]);
            box->addWidget(textCounters_[control.id]);
            grid->addLayout(box, row, 1);
        } else {
            AddLineEdit(control);
            grid->addWidget(lineEdits_[control.id], row, 1);
        }
    }

    utBar_ = new QScrollBar(Qt::Horizontal, this);
    utBar_->setRange(kUtHoursMin, kUtHoursMax);
    utBar_->setSingleStep(1);
    utBar_->setPageStep(1);
    utBar_->setMinimumWidth(kUtBarWidth);
    utEdit_ = new QLineEdit(this);
    MarkReadOnly(utEdit_);  // shows the bar's value; never read back
    utEdit_->setMaximumWidth(kUtEditWidth);
    auto* utRow = new QHBoxLayout;
    utRow->addWidget(utBar_);
    utRow->addWidget(utEdit_);
    const int utLine = grid->rowCount();
    grid->addWidget(new QLabel(kUtLabel, this), utLine, 0);
    grid->addLayout(utRow, utLine, 1);
    connect(utBar_, &QAbstractSlider::actionTriggered, this, &TFITSDialog::OnBarAction);

    eightBit_ = new QCheckBox(kEightBitLabel, this);
    unsigned_ = new QCheckBox(kUnsignedLabel, this);
    grid->addWidget(eightBit_, grid->rowCount(), 1);
    grid->addWidget(unsigned_, grid->rowCount(), 1);
    // A click changes the session's flag at once; the box then shows the flag again.
    connect(eightBit_, &QCheckBox::clicked, this, [this] {
        model_.ToggleEightBit();
        ShowModel();
    });
    connect(unsigned_, &QCheckBox::clicked, this, [this] {
        model_.ToggleUnsigned();
        ShowModel();
    });

    auto* buttons = new QDialogButtonBox(this);
    continue_ = buttons->addButton(kFitsDialogContinue, QDialogButtonBox::AcceptRole);
    abort_ = buttons->addButton(kFitsDialogAbort, QDialogButtonBox::RejectRole);
    continue_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout()->addWidget(buttons);

    ShowModel();
}

void TFITSDialog::AddLineEdit(const FitsEditControl& control) {
    auto* edit = new QLineEdit(this);
    edit->setMinimumWidth(kLineEditWidth);
    edit->setMaxLength(static_cast<int>(control.keptChars));
    edit->setText(LimitedText(QString::fromStdString(model_.Edit(control.id)), control.keptChars));
    const int id = control.id;
    const size_t limit = control.keptChars;
    connect(edit, &QLineEdit::textChanged, this, [this, edit, id, limit](const QString& text) {
        const QString kept = LimitedText(text, limit);
        if (kept != text) {
            const QSignalBlocker block(edit);
            const int cursor = edit->cursorPosition();
            edit->setText(kept);
            edit->setCursorPosition(std::min(cursor, static_cast<int>(kept.size())));
        }
        model_.Edit(id) = kept.toStdString();
    });
    lineEdits_[id] = edit;
}

void TFITSDialog::AddTextEdit(const FitsEditControl& control) {
    auto* edit = new QPlainTextEdit(this);
    edit->setMinimumWidth(kLineEditWidth);
    edit->setFixedHeight(kTextEditHeight);
    edit->setTabChangesFocus(true);
    edit->setPlainText(
        LimitedText(QString::fromStdString(model_.Edit(control.id)), control.keptChars));
    const int id = control.id;
    const size_t limit = control.keptChars;
    // The room left shows under the box, so that a refused character is no surprise.
    auto* counter = new QLabel(this);
    const auto count = [counter, limit](const QString& kept) {
        counter->setText(CharacterCount(kept, limit));
    };
    count(edit->toPlainText());
    // A plain-text edit has no length limit of its own: cut what goes beyond it, as an edit
    // with a text limit refuses the surplus characters, and beep as such an edit does.
    connect(edit, &QPlainTextEdit::textChanged, this, [this, edit, id, limit, count] {
        const QString text = edit->toPlainText();
        const QString kept = LimitedText(text, limit);
        count(kept);
        if (kept != text) {
            QApplication::beep();
            const QSignalBlocker block(edit);
            const int cursor = edit->textCursor().position();
            edit->setPlainText(kept);
            QTextCursor place = edit->textCursor();
            place.setPosition(std::min(cursor, static_cast<int>(kept.size())));
            edit->setTextCursor(place);
        }
        model_.Edit(id) = kept.toStdString();
    });
    textEdits_[id] = edit;
    textCounters_[id] = counter;
}

QLineEdit* TFITSDialog::LineEdit(int id) const {
    const auto found = lineEdits_.find(id);
    return found == lineEdits_.end() ? nullptr : found->second;
}

QPlainTextEdit* TFITSDialog::TextEdit(int id) const {
    const auto found = textEdits_.find(id);
    return found == textEdits_.end() ? nullptr : found->second;
}

QLabel* TFITSDialog::TextCounter(int id) const {
    const auto found = textCounters_.find(id);
    return found == textCounters_.end() ? nullptr : found->second;
}

void TFITSDialog::OnBarAction(int sliderAction) {
    ScrollAction action;
    if (ScrollActionOf(sliderAction, action)) model_.Scroll(action);
    // The bar moves only as the model allows: the position set here is the one Qt applies.
    utBar_->setSliderPosition(model_.UtHours());
    ShowModel();
}

void TFITSDialog::ShowModel() {
    const QSignalBlocker blockBar(utBar_);
    utBar_->setRange(kUtHoursMin, kUtHoursMax);
    utBar_->setValue(model_.UtHours());
    utEdit_->setText(QString::fromStdString(model_.UtHoursText()));
    const QSignalBlocker blockEight(eightBit_);
    const QSignalBlocker blockUnsigned(unsigned_);
    eightBit_->setChecked(model_.EightBitChecked());
    unsigned_->setChecked(model_.UnsignedChecked());
}

void TFITSDialog::showEvent(QShowEvent* event) {
    ShowModel();
    QDialog::showEvent(event);
}

bool RunFitsDialog(FitsDetailsDialogModel& model, QWidget* parent) {
    TFITSDialog dialog(model, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace vexa
