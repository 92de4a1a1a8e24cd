// A QtTest main on an offscreen screen of a chosen size: the offscreen platform reads its
// screens from a small configuration file, written here before the application starts (the
// platform's own screen is 800 x 600).
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtTest>

namespace vexa::test {

// Must run before the QApplication is made. The file stays until the process ends.
inline void UseOffscreenScreen(int width, int height) {
    static const QString path = QDir::temp().filePath(QString("vexa_screen_%1_%2x%3.json")
                                                          .arg(QCoreApplication::applicationPid())
                                                          .arg(width)
                                                          .arg(height));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(QString(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1,)"
                           R"( "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                       .arg(width)
                       .arg(height)
                       .toUtf8());
    }
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toUtf8());
    static const struct Remover {
        ~Remover() { QFile::remove(path); }
    } remover;
}

}  // namespace vexa::test

// QTEST_MAIN with the test's screen set to width x height first.
#define VEXA_QTEST_MAIN_ON_SCREEN(TestObject, width, height) \
    int main(int argc, char** argv) {                        \
        vexa::test::UseOffscreenScreen(width, height);       \
        QApplication app(argc, argv);                        \
        TestObject tc;                                       \
        QTEST_SET_MAIN_SOURCE_PATH                           \
        return QTest::qExec(&tc, argc, argv);                \
    }
