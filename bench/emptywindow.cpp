// The floor for fatura-baslangic-olcum: a bare Qt Widgets main window with the program's
// title and size, shown, and the process ends.

#include <QApplication>
#include <QMainWindow>
#include <QWindow>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Fatura"));
    window.resize(860, 520);
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QApplication::processEvents();
    return 0;
}
