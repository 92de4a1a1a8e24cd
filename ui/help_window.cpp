#include "ui/help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/message_box_fit.h"

namespace vexa {

namespace {

constexpr int kWindowWidth = 720;
constexpr int kWindowHeight = 640;
constexpr int kMessageBoxOk = 1;  // what ShowMessage callers expect for OK

QPointer<HelpWindow>& CurrentWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

}  // namespace

QStringList HelpSearchFolders() {
    QStringList folders;
    if (QCoreApplication::instance() != nullptr) {
        const QDir exe(QCoreApplication::applicationDirPath());
        folders << exe.filePath("help") << exe.filePath("resources/help")
                << exe.filePath("../share/vexa_q4/help");
    }
#ifdef VEXA_SOURCE_DIR
    folders << QDir(VEXA_SOURCE_DIR).filePath("resources/help");
#endif
    return folders;
}

QString FindHelpIndex(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo index(QDir(folder).filePath(kHelpIndexFile));
        if (index.isFile() && index.isReadable()) return index.absoluteFilePath();
    }
    return QString();
}

HelpWindow::HelpWindow(const QString& indexPath, QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(kHelpWindowTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(kWindowWidth, kWindowHeight);

    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QFileInfo(indexPath).absolutePath()});
    browser_->setSource(QUrl::fromLocalFile(indexPath));

    auto* contents = new QPushButton("Contents", this);
    auto* back = new QPushButton("Back", this);
    auto* forward = new QPushButton("Forward", this);
    back->setEnabled(false);
    forward->setEnabled(false);
    auto* close = new QPushButton("Close", this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);

    connect(contents, &QPushButton::clicked, this, &HelpWindow::ShowContents);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void HelpWindow::ShowContents() {
    browser_->home();
}

bool ShowHelpWindow(QWidget* parent) {
    return ShowHelpWindow(parent, HelpSearchFolders());
}

bool ShowHelpWindow(QWidget* parent, const QStringList& folders) {
    const QString index = FindHelpIndex(folders);
    if (index.isEmpty()) return false;
    QPointer<HelpWindow>& window = CurrentWindow();
    if (window) {
        window->ShowContents();
    } else {
        window = new HelpWindow(index, parent);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

HelpWindow* OpenHelpWindow() {
    return CurrentWindow().data();
}

int ShowStopMessage(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    FitMessageBoxToCaption(box);
    box.exec();
    return kMessageBoxOk;
}

}  // namespace vexa
