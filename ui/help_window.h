// The program's help pages ("resources/help/*.html") in a window of their own, opened at the
// contents page. The pages are looked for next to the program, then in the source tree.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;

namespace vexa {

constexpr const char* kHelpIndexFile = "index.html";
constexpr const char* kHelpWindowTitle = "Help in using Vexa_Q4_USB";

// The folders searched for the pages, in order: "help" and "resources/help" beside the
// executable, "../share/vexa_q4/help", then the source tree's "resources/help".
QStringList HelpSearchFolders();
// The contents page in the first folder that has a readable one; empty when none has.
QString FindHelpIndex(const QStringList& folders);

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    HelpWindow(const QString& indexPath, QWidget* parent = nullptr);
    QTextBrowser* Browser() const { return browser_; }
    // Back to the contents page.
    void ShowContents();

  private:
    QTextBrowser* browser_ = nullptr;
};

// Open the help window at its contents (raising the one already open); false when the pages
// cannot be found, and then no window opens.
bool ShowHelpWindow(QWidget* parent);
bool ShowHelpWindow(QWidget* parent, const QStringList& folders);
// The help window open now, or nullptr.
HelpWindow* OpenHelpWindow();

// A modal message box owned by parent with the stop icon and one OK button.
int ShowStopMessage(QWidget* parent, const QString& caption, const QString& text);

}  // namespace vexa
