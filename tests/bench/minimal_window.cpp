// The floor the program's start-up is measured against: a frameless Qt
// Widgets window of the main window's size, centred and shown, nothing more.
#include <QApplication>
#include <QScreen>
#include <QWidget>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QWidget w(nullptr, Qt::FramelessWindowHint);
    w.setFixedSize(380, 202);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    w.move(screen.center() - QPoint(w.width() / 2, w.height() / 2));
    w.show();
    return app.exec();
}
