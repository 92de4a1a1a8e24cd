// The window program: vexaq4 [--root DIR]
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Vexa_Q4_USB - (Untitled)");
    window.show();
    return app.exec();
}
