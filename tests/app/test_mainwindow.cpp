#include "app/Form1.h"
#include "app/Form4.h"
#include "app/browser.h"
#include "app/webpanel.h"
#include "app/windows.h"
#include "ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// Records the order in which windows receive their close event.
class CloseRecorder : public QObject {
public:
    QStringList order;

protected:
    bool eventFilter(QObject *o, QEvent *e) override {
        if (e->type() == QEvent::Close)
            order << o->objectName();
        return false;
    }
};

// A one-page HTTP server on the loopback for the web panel.
class PageServer : public QTcpServer {
public:
    QByteArray response;
    bool silent = false;

    PageServer() {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    s->readAll();
                    if (silent)
                        return;
                    s->write(response);
                    s->disconnectFromHost();
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }
    QUrl url() const {
        return QUrl(u"http://127.0.0.1:%1/reklam/default.asp"_qs.arg(serverPort()));
    }
};

QByteArray httpResponse(int status, const QByteArray &body) {
    return "HTTP/1.1 " + QByteArray::number(status) +
           " X\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void menu();
    void windowsOpenOnce();
    void closingOrder();
    void webPanel();
    void makerLinks();

private:
    QList<Messages::Message> m_messages;
};

void TestMainWindow::initTestCase() {
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m;
        return false;
    });
    setBrowserLauncher([](const QString &) { return true; });
}

void TestMainWindow::cleanup() {
    m_messages.clear();
}

void TestMainWindow::menu() {
    Form4 w;
    const QList<QAction *> top = w.menuBar()->actions();
    QStringList captions;
    for (QAction *a : top)
        captions << a->text();
    QCOMPARE(captions,
             (QStringList{u"&İşlemler"_qs, u"&Ayarlar"_qs, u"&Hakkında"_qs, u"&Çıkış"_qs}));
    QCOMPARE(top[1]->objectName(), u"Ayarlar"_qs);
    QCOMPARE(top[2]->objectName(), u"hakkinda"_qs);
    QCOMPARE(top[3]->objectName(), u"cikis"_qs);

    auto *menu = w.findChild<QMenu *>(u"faturalama"_qs);
    QVERIFY(menu);
    QCOMPARE(top[0], menu->menuAction());
    QStringList names;
    captions.clear();
    for (QAction *a : menu->actions()) {
        names << a->objectName();
        captions << a->text();
    }
    QCOMPARE(names, (QStringList{u"musteri"_qs, u"otofaturalastir"_qs, u"otomatikbasim"_qs,
                                 u"makbuz"_qs}));
    QCOMPARE(captions, (QStringList{u"&Müşteri Girişi"_qs, u"&Fatura Girişi"_qs,
                                    u"&Otomatik Fatura Basım"_qs, u"&Makbuz"_qs}));
    // "Makbuz" is shown but cannot be chosen.
    QVERIFY(!menu->actions().last()->isEnabled());
    QVERIFY(menu->actions().last()->isVisible());

    for (const char *name : {"Picture1", "Picture2", "WebBrowser1", "Label1", "Label2"})
        QVERIFY2(w.findChild<QWidget *>(QString::fromLatin1(name)), name);
    QVERIFY(!w.findChild<QLabel *>(u"Picture1"_qs)->pixmap().isNull());
}

void TestMainWindow::windowsOpenOnce() {
    Windows windows;
    windows.showMain();
    Form4 *main = windows.mainWindow();
    const struct {
        const char *action;
        std::function<QWidget *()> loaded;
    } entries[] = {
        {"musteri", [&] { return reinterpret_cast<QWidget *>(windows.customers()); }},
        {"otofaturalastir", [&] { return reinterpret_cast<QWidget *>(windows.invoice()); }},
        {"otomatikbasim", [&] { return reinterpret_cast<QWidget *>(windows.batch()); }},
        {"Ayarlar", [&] { return reinterpret_cast<QWidget *>(windows.settings()); }},
        {"hakkinda", [&] { return reinterpret_cast<QWidget *>(windows.about()); }},
    };
    for (const auto &e : entries) {
        auto *action = main->findChild<QAction *>(QString::fromLatin1(e.action));
        QVERIFY2(action, e.action);
        QVERIFY(!e.loaded());
        action->trigger();
        QWidget *first = e.loaded();
        QVERIFY2(first && first->isVisible(), e.action);
        const QString name = first->objectName();
        action->trigger();
        QCOMPARE(e.loaded(), first);
        int count = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            count += w->objectName() == name;
        QCOMPARE(count, 1);
    }
    // The main window stays usable beside them.
    QVERIFY(main->isVisible());
    QVERIFY(main->isEnabled());
}

void TestMainWindow::closingOrder() {
    auto *windows = new Windows;
    windows->showMain();
    CloseRecorder recorder;
    // Opened in another order than they close.
    QList<QWidget *> opened = {reinterpret_cast<QWidget *>(windows->openSettings()),
                               reinterpret_cast<QWidget *>(windows->openBatch()),
                               reinterpret_cast<QWidget *>(windows->openInvoice()),
                               reinterpret_cast<QWidget *>(windows->openAbout()),
                               reinterpret_cast<QWidget *>(windows->openCustomers())};
    for (QWidget *w : opened)
        w->installEventFilter(&recorder);
    // The main window goes last: its own close event arrives before it closes the others, so
    // it is recorded when it is gone.
    connect(windows->mainWindow(), &QObject::destroyed, &recorder,
            [&recorder] { recorder.order << u"Form4"_qs; });
    windows->mainWindow()->findChild<QAction *>(u"cikis"_qs)->trigger();
    QTRY_VERIFY(!windows->mainWindow());
    QCOMPARE(recorder.order, (QStringList{u"Form1"_qs, u"Form2"_qs, u"Form3"_qs, u"Form5"_qs,
                                          u"Form7"_qs, u"Form4"_qs}));
    QTRY_VERIFY(!windows->invoice());
    delete windows;

    // Windows that are not open are skipped.
    Windows partial;
    partial.showMain();
    CloseRecorder r2;
    reinterpret_cast<QWidget *>(partial.openInvoice())->installEventFilter(&r2);
    connect(partial.mainWindow(), &QObject::destroyed, &r2, [&r2] { r2.order << u"Form4"_qs; });
    partial.mainWindow()->close();
    QTRY_VERIFY(!partial.mainWindow());
    QCOMPARE(r2.order, (QStringList{u"Form3"_qs, u"Form4"_qs}));
}

void TestMainWindow::webPanel() {
    WebPanel panel;
    QSignalSpy done(&panel, &WebPanel::finished);

    PageServer server;
    server.response =
        httpResponse(200, "<html><body><p>Kampanya: yüzde 20 indirim</p></body></html>");
    panel.navigate(server.url());
    QTRY_COMPARE(done.size(), 1);
    QCOMPARE(done.takeFirst().at(0).toBool(), true);
    QVERIFY(panel.toPlainText().contains(u"yüzde 20 indirim"_qs));
    QCOMPARE(panel.currentUrl(), server.url());

    // An old Turkish page that names no character set.
    server.response = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n"
                      "<html><body>\xDD"
                      "ndirimli \xFE"
                      "eker</body></html>";
    panel.navigate(server.url());
    QTRY_COMPARE(done.size(), 1);
    QCOMPARE(done.takeFirst().at(0).toBool(), true);
    QVERIFY2(panel.toPlainText().contains(u"İndirimli şeker"_qs), qPrintable(panel.toPlainText()));

    // An error status leaves an empty page, not the server's error page.
    server.response = httpResponse(404, "<html><body>Bulunamadı</body></html>");
    panel.navigate(server.url());
    QTRY_COMPARE(done.size(), 1);
    QCOMPARE(done.takeFirst().at(0).toBool(), false);
    QCOMPARE(panel.currentUrl(), QUrl(u"about:blank"_qs));
    QVERIFY(panel.toPlainText().isEmpty());

    // Nobody listening.
    const quint16 port = server.serverPort();
    server.close();
    panel.navigate(QUrl(u"http://127.0.0.1:%1/"_qs.arg(port)));
    QTRY_COMPARE(done.size(), 1);
    QCOMPARE(panel.currentUrl(), QUrl(u"about:blank"_qs));

    // A server that never answers: the panel gives up on its own.
    PageServer silent;
    silent.silent = true;
    panel.setTimeout(300);
    panel.navigate(silent.url());
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 5000);
    QCOMPARE(done.takeFirst().at(0).toBool(), false);
    QCOMPARE(panel.currentUrl(), QUrl(u"about:blank"_qs));
    QVERIFY(m_messages.isEmpty());
}

void TestMainWindow::makerLinks() {
    QStringList launched;
    bool browserWorks = true;
    setBrowserLauncher([&](const QString &address) {
        launched << address;
        return browserWorks;
    });
    Form4 w;
    auto *label1 = w.findChild<QLabel *>(u"Label1"_qs);
    Q_EMIT label1->linkActivated(u"x"_qs);
    QCOMPARE(launched.size(), 1);
    QVERIFY(launched.first().contains(u"example.com"_qs));
    QVERIFY(m_messages.isEmpty());

    // No browser: the user is told, with the address.
    browserWorks = false;
    Q_EMIT label1->linkActivated(u"x"_qs);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.first().text.contains(launched.first().mid(7)));

    // The about box's address opens the site and closes the box.
    browserWorks = true;
    Form1 about;
    about.show();
    QCOMPARE(about.windowTitle(), u"Hakkında"_qs);
    Q_EMIT about.findChild<QLabel *>(u"Label4"_qs)->linkActivated(u"x"_qs);
    QCOMPARE(launched.size(), 3);
    QTRY_VERIFY(!about.isVisible());
    setBrowserLauncher([](const QString &) { return true; });
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
