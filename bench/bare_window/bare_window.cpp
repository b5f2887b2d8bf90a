// A bare Qt window of the game window's size: the yardstick for the game's start-up time.

#include <cstdlib>

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    setenv("QT_XCB_GL_INTEGRATION", "none", 0);
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setFixedSize(500, 500);
    window.show();
    return QApplication::exec();
}
