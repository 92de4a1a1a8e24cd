// What the dialog QtTest executables share: a fresh session record (ResetSession), quiet
// offscreen warnings, finding a dialog's controls by their text, and pressing a button once the
// dialog's own event loop runs.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>

#include "tests/unit/support/reset_session.h"

namespace vexa::test {

// The offscreen platform warns about every window feature it lacks (raise, keyboard grab,
// size hints); drop those lines so that the test output shows what matters.
inline QtMessageHandler& PreviousMessageHandler() {
    static QtMessageHandler handler = nullptr;
    return handler;
}
inline void QuietOffscreenWarnings() {
    PreviousMessageHandler() = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message.startsWith(QStringLiteral("This plugin does not support"))) return;
            if (PreviousMessageHandler()) PreviousMessageHandler()(type, context, message);
        });
}

// The texts of every label in the widget.
inline QStringList LabelTexts(const QWidget& widget) {
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

// The control of type T showing exactly this text, or null.
template <typename T>
T* Find(QWidget& dialog, const char* text) {
    for (T* w : dialog.findChildren<T*>())
        if (w->text() == QString::fromLatin1(text)) return w;
    return nullptr;
}

// Press a dialog button once the dialog's own event loop runs.
inline void PressLater(QAbstractButton* button) {
    QTimer::singleShot(0, button, [button] { button->click(); });
}

}  // namespace vexa::test
