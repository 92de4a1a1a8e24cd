#include "ui/qt_ui_services.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QInputEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "ui/main_window.h"
#include "ui/message_box_fit.h"
#include "ui/t_ini_dialog.h"
#include "ui/t_max_dialog.h"

namespace vexa {

namespace {
// What a message box returns for its OK button, as callers of ShowMessage expect.
constexpr int kMessageBoxOk = 1;
}  // namespace

QtUiServices::QtUiServices() {
    // The filter stays installed; it acts only while a pump is running.
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

QtUiServices::~QtUiServices() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    if (waitCursorShown_) QApplication::restoreOverrideCursor();
}

void QtUiServices::AttachView(TVEXA_Q4Window* view) {
    view_ = view;
}

void QtUiServices::DetachView(TVEXA_Q4Window* view) {
    if (view_ == view) view_ = nullptr;
}

int QtUiServices::MessageBox(const std::string& caption, const std::string& text) {
    if (messageBoxHook_) return messageBoxHook_(caption, text);
    // No owner window: the box is modal for the whole program.
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, nullptr);
    FitMessageBoxToCaption(box);
    box.exec();
    return kMessageBoxOk;
}

void QtUiServices::ProcessPendingEvents(const std::function<void()>& onAbortInput,
                                        uint32_t idleWaitMs) {
    const std::function<void()>* outer = abortCallback_;  // a pump may run inside a pump
    abortCallback_ = &onAbortInput;
    lastInputType_ = QEvent::None;
    lastInputWindow_ = nullptr;
    lastInputWidget_ = nullptr;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (idleWaitMs > 0) {
        // Sleep in the event dispatcher until input arrives (it is dispatched at once, and may
        // abort) or the timer wakes it: the pass then costs no processor time.
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(static_cast<int>(idleWaitMs));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    abortCallback_ = outer;
}

bool QtUiServices::eventFilter(QObject* watched, QEvent* event) {
    // The abort runs first; the input is then delivered as usual.
    if (abortCallback_ && *abortCallback_ && IsNewAbortInput(watched, event)) (*abortCallback_)();
    return QObject::eventFilter(watched, event);
}

bool QtUiServices::IsNewAbortInput(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress) {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (button != Qt::LeftButton && button != Qt::RightButton) return false;
    } else if (type != QEvent::KeyPress) {
        return false;
    }
    const quint64 timestamp = static_cast<QInputEvent*>(event)->timestamp();

    if (auto* window = qobject_cast<QWindow*>(watched)) {
        // Input from the window system reaches its window first.
        lastInputType_ = type;
        lastInputTimestamp_ = timestamp;
        lastInputWindow_ = window;
        lastInputWidget_ = nullptr;
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && type == lastInputType_ && timestamp == lastInputTimestamp_) {
        // The window hands the input to one of its widgets, and a widget that ignores it
        // hands it on to its parent: the same input, already counted.
        const bool fromWindow =
            lastInputWindow_ && widget->window()->windowHandle() == lastInputWindow_;
        const bool toParent = lastInputWidget_ && widget != lastInputWidget_ &&
                              widget->isAncestorOf(lastInputWidget_);
        if (fromWindow || toParent) {
            lastInputWindow_ = nullptr;
            lastInputWidget_ = widget;
            return false;
        }
    }
    lastInputType_ = type;
    lastInputTimestamp_ = timestamp;
    lastInputWindow_ = nullptr;
    lastInputWidget_ = widget;
    return true;
}

void QtUiServices::Beep() {
    QApplication::beep();
}

void QtUiServices::SetCursor(CursorKind kind) {
    if (kind == CursorKind::Wait) {
        // An override cursor shows everywhere while long work keeps the program busy.
        if (!waitCursorShown_) QApplication::setOverrideCursor(Qt::WaitCursor);
        waitCursorShown_ = true;
        return;
    }
    if (waitCursorShown_) {
        QApplication::restoreOverrideCursor();
        waitCursorShown_ = false;
    }
    if (!view_) return;
    switch (kind) {
        case CursorKind::Cross:
            view_->SetViewCursor(Qt::CrossCursor);
            break;
        case CursorKind::UpArrow:
            view_->SetViewCursor(Qt::UpArrowCursor);
            break;
        default:
            view_->SetViewCursor(Qt::ArrowCursor);
            break;
    }
}

void QtUiServices::MovePointerBy(int dx, int dy) {
    QCursor::setPos(QCursor::pos() + QPoint(dx, dy));
}

void QtUiServices::SetWindowTitle(const std::string& title) {
    if (view_) view_->window()->setWindowTitle(QString::fromStdString(title));
}

bool QtUiServices::LoadDisplayBitmap(const std::string& hostPath) {
    return view_ && view_->LoadDisplayBitmap(QString::fromStdString(hostPath));
}

void QtUiServices::UpdateScrollBars() {
    if (view_) view_->UpdateScrollBars();
}

void QtUiServices::RepaintView(bool erase) {
    if (view_) view_->Repaint(erase);
}

void QtUiServices::RequestExit() {
    if (view_) view_->window()->close();
}

QWidget* QtUiServices::DialogParent() const {
    return view_ ? view_->window() : nullptr;
}

bool QtUiServices::RunSettingsDialog(SettingsDialogModel& model) {
    TINIDialog dialog(model, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

bool QtUiServices::RunStretchPaletteDialog(StretchPaletteDialogModel& model) {
    TMaxDialog dialog(model, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace vexa
