// The floor for fatura-baslangic-olcum: a bare Qt Widgets main window with the program's
// title and size, shown, and the process ends. With --menu it also has a menu bar with one
// menu, so that the font database is loaded before the window shows, as in any window with
// text; without it the bare window loads it only as it ends.

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QWindow>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Fatura"));
    if (QApplication::arguments().contains(QStringLiteral("--menu")))
        window.menuBar()->addMenu(QStringLiteral("&İşlemler"));
    window.resize(860, 520);
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QApplication::processEvents();
    return 0;
}
