// The floor the program's start-up is measured against: a frameless Qt
// Widgets window of the main window's size, centred and shown, nothing more.
// With --text it also shows one line of text, so that Qt loads its font
// database and a font, as every window with text must before its first frame.
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QWidget w(nullptr, Qt::FramelessWindowHint);
    w.setFixedSize(380, 202);
    if (app.arguments().contains(QStringLiteral("--text"))) {
        auto *l = new QLabel(QStringLiteral("Лунивар 5.3"), &w);
        l->move(150, 8);
    }
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    w.move(screen.center() - QPoint(w.width() / 2, w.height() / 2));
    w.show();
    return app.exec();
}
