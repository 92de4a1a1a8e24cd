// The help pages against the program they describe: the keys table lists exactly the
// accelerators, each with its command's menu name; every menu item a page names exists; no page
// calls a command of this build missing; every link leads to a page, and the help window
// follows them.
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>

#include "app/command_dispatch.h"
#include "resources/command_table.h"
#include "ui/help_window.h"

using namespace vexa;

namespace {

QDir HelpFolder() {
    return QDir(QStringLiteral(VEXA_SOURCE_DIR) + "/resources/help");
}

QString Page(const QString& name) {
    QFile file(HelpFolder().filePath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString PlainText(QString html) {
    html.remove(QRegularExpression("<[^>]*>"));
    return html.simplified();
}

// A menu text as a page names the item: no mnemonics, key hint or trailing dots.
QString MenuName(std::string_view menuText) {
    QString name = QString::fromUtf8(menuText.data(), static_cast<qsizetype>(menuText.size()));
    name = name.section(u'\t', 0, 0).remove(u'&').simplified();
    while (name.endsWith(u'.')) name.chop(1);
    return name;
}

QString KeyText(const AcceleratorEntry& key) {
    return QString(key.modifier == KeyModifier::Ctrl ? "Ctrl+" : "Alt+") + QChar(key.key);
}

QStringList MenuNames() {
    QStringList names;
    for (const CommandEntry& c : CommandTable()) names << MenuName(c.menuText);
    return names;
}

}  // namespace

class HelpPagesTest : public QObject {
    Q_OBJECT
  private slots:
    void keysTableListsExactlyTheAccelerators() {
        QMap<QString, QString> table;  // key -> the name beside it
        const QRegularExpression row("<tr><td>([^<]*)</td><td>([^<]*)</td></tr>");
        for (const auto& m : row.globalMatch(Page("index.html")))
            table[m.captured(1)] = m.captured(2);
        QMap<QString, QString> expected;
        for (const AcceleratorEntry& key : AcceleratorTable()) {
            expected[KeyText(key)] = MenuName(FindCommand(key.commandId)->menuText);
        }
        QCOMPARE(table, expected);
        QVERIFY(table.contains("Ctrl+K"));
    }

    void menuItemsNamedInThePagesExist() {
        const QStringList menu = MenuNames();
        // A key in brackets follows some names; several items share one entry.
        const QRegularExpression keyHint(R"( \((Ctrl|Alt)\+.\))");
        const QRegularExpression term("<dt>(.*?)</dt>",
                                      QRegularExpression::DotMatchesEverythingOption);
        int named = 0;
        for (const QString& file : HelpFolder().entryList({"*.html"})) {
            if (file == "camera.html") continue;  // the camera's own page
            // Lists of a dialog's controls name buttons, not menu items.
            QString page = Page(file);
            page.remove(QRegularExpression(R"(<dl class="controls">.*?</dl>)",
                                           QRegularExpression::DotMatchesEverythingOption));
            for (const auto& m : term.globalMatch(page)) {
                QString names = PlainText(m.captured(1)).remove(keyHint);
                for (QString name : names.split(QRegularExpression(" / |, "))) {
                    while (name.endsWith(u'.')) name.chop(1);
                    QVERIFY2(menu.contains(name), qPrintable(file + ": " + name));
                    ++named;
                }
            }
        }
        QVERIFY(named >= 30);
    }

    // A page that says something is missing from this build names the menu items it means,
    // and none of them is in the build.
    void noPageCallsABuiltCommandMissing() {
        const QRegularExpression missing("not built|not implemented|not in this (version|build)",
                                         QRegularExpression::CaseInsensitiveOption);
        for (const QString& file : HelpFolder().entryList({"*.html"})) {
            for (const QString& sentence : PlainText(Page(file)).split(". ")) {
                if (!sentence.contains(missing)) continue;
                QStringList named;
                for (const CommandEntry& c : CommandTable()) {
                    if (!sentence.contains(MenuName(c.menuText))) continue;
                    named << MenuName(c.menuText);
                    QVERIFY2(!CommandImplemented(c.id), qPrintable(file + ": " + sentence));
                }
                QVERIFY2(!named.isEmpty(), qPrintable(file + ": " + sentence));
            }
        }
    }

    void everyLinkLeadsToAPage() {
        const QRegularExpression link("href=\"([^\"#]+)");
        QStringList pages = HelpFolder().entryList({"*.html"});
        for (const QString& file : pages) {
            for (const auto& m : link.globalMatch(Page(file))) {
                QVERIFY2(pages.contains(m.captured(1)), qPrintable(file + " -> " + m.captured(1)));
            }
        }
        QVERIFY(Page("index.html").contains("href=\"camera.html\""));
        QVERIFY(Page("index.html").contains("href=\"telescope.html\""));
    }

    void helpWindowOpensTheContentsAndFollowsLinks() {
        QVERIFY(ShowHelpWindow(nullptr, {HelpFolder().path()}));
        HelpWindow* window = OpenHelpWindow();
        QVERIFY(window);
        QTextBrowser* browser = window->Browser();
        QCOMPARE(browser->documentTitle(), QString("Vexa_Q4_USB Help"));
        for (const QString& page : HelpFolder().entryList({"*.html"})) {
            browser->setSource(QUrl(page));
            QVERIFY2(!browser->documentTitle().isEmpty(), qPrintable(page));
        }
        window->close();
    }
};

QTEST_MAIN(HelpPagesTest)
#include "help_pages_test.moc"
