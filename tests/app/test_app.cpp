#include "app/Form1.h"
#include "app/Form4.h"
#include "app/browser.h"
#include "app/firstrun.h"
#include "app/webpanel.h"
#include "app/windows.h"
#include "customers/Form2.h"
#include "db/database.h"
#include "invoice/Form3.h"
#include "settings/ayarlar.h"
#include "ui/buttonpictures.h"
#include "ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

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

// A one-page HTTP server on the loopback for the web panel; without a response it never
// answers.
class PageServer : public QTcpServer {
public:
    QByteArray response;

    PageServer() {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    s->readAll();
                    if (!response.isEmpty()) {
                        s->write(response);
                        s->disconnectFromHost();
                    }
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }
    QUrl url() const { return QUrl(u"http://127.0.0.1:%1/reklam/"_qs.arg(serverPort())); }
};

QByteArray httpResponse(const QByteArray &status, const QByteArray &type, const QByteArray &text) {
    const QByteArray body = "<html><body>" + text + "</body></html>";
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

QStringList texts(const QList<QAction *> &actions, bool names) {
    QStringList l;
    for (QAction *a : actions)
        l << (names ? a->objectName() : a->text());
    return l;
}

template <class T = QLineEdit> T *child(QWidget *w, const char *name) {
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

QStringList items(QComboBox *c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

} // namespace

// The program's shell: first run, the main window and its menu, opening and closing the
// windows, the links between them, the web panel and the maker's links.
class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void firstAndLaterStarts();
    void unwritableDirectory();
    void menu();
    void closingOrder_data();
    void closingOrder();
    void savedCustomerReachesOpenInvoice();
    void webPanel_data();
    void webPanel();
    void makerLinks();

private:
    QTemporaryDir m_dir;
    QList<Messages::Message> m_messages;
};

// The working directory is the test's own, with settings and an empty database.
void TestApp::initTestCase() {
    QDir::setCurrent(m_dir.path());
    ayarlari_yaz(varsayilanAyarlar());
    veritabaniOlustur(u"fatura.MDB"_qs);
    Messages::setTestHandler([this](const Messages::Message &m) { return m_messages << m, false; });
}

void TestApp::cleanup() {
    m_messages.clear();
}

void TestApp::firstAndLaterStarts() {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString settings = dir.filePath(u"ayarlar.dat"_qs);
    const QString database = dir.filePath(u"fatura.MDB"_qs);
    const QString raised = dir.filePath(raisedPictureFile());
    const QString pressed = dir.filePath(pressedPictureFile());
    // Default settings, an empty database with both tables and the button pictures.
    QVERIFY(firstRun(dir).isEmpty());
    QCOMPARE(ayarlari_oku(23, settings), varsayilanAyarlar());
    {
        Veritabani db(database);
        db.tabloGerekli(u"MUSTERI"_qs);
        QSqlQuery q(db.db());
        QVERIFY(q.exec(u"SELECT count(*) FROM faturalar"_qs) && q.next());
        QCOMPARE(q.value(0).toInt(), 0);
    }
    QVERIFY(!QImage(raised).isNull() && !QImage(pressed).isNull());

    // Settings without a database, or a database without settings, are the user's: nothing
    // is written over them or beside them but a missing button picture.
    ayarlar own = varsayilanAyarlar();
    own.kdv_yuzde = u"8"_qs;
    ayarlari_yaz(own, settings);
    QVERIFY(QFile::remove(database) && QFile::remove(pressed));
    QFile picture(raised);
    QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write("not a picture") == 13);
    picture.close();
    QVERIFY(firstRun(dir).isEmpty());
    QVERIFY(!QFile::exists(database));
    QCOMPARE(ayarlari_oku(2, settings).kdv_yuzde, u"8"_qs);
    QVERIFY(picture.open(QIODevice::ReadOnly));
    QCOMPARE(picture.readAll(), QByteArray("not a picture"));
    QVERIFY(!QImage(pressed).isNull());

    veritabaniOlustur(database);
    QVERIFY(QFile::remove(settings));
    QVERIFY(firstRun(dir).isEmpty());
    QVERIFY(!QFile::exists(settings));
}

void TestApp::unwritableDirectory() {
    if (geteuid() == 0)
        QSKIP("running as root: every directory is writable");
    QTemporaryDir tmp;
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
    const QStringList problems = firstRun(QDir(tmp.path()));
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!problems.isEmpty());
    QVERIFY(problems.first().contains(tmp.path()));
}

void TestApp::menu() {
    Form4 w;
    const QList<QAction *> top = w.menuBar()->actions();
    QCOMPARE(texts(top, false),
             (QStringList{u"&İşlemler"_qs, u"&Ayarlar"_qs, u"&Hakkında"_qs, u"&Çıkış"_qs}));
    QCOMPARE(texts(top, true).mid(1), (QStringList{u"Ayarlar"_qs, u"hakkinda"_qs, u"cikis"_qs}));
    auto *menu = w.findChild<QMenu *>(u"faturalama"_qs);
    QCOMPARE(top[0], menu->menuAction());
    QCOMPARE(texts(menu->actions(), true), (QStringList{u"musteri"_qs, u"otofaturalastir"_qs,
                                                        u"otomatikbasim"_qs, u"makbuz"_qs}));
    QCOMPARE(texts(menu->actions(), false),
             (QStringList{u"&Müşteri Girişi"_qs, u"&Fatura Girişi"_qs, u"&Otomatik Fatura Basım"_qs,
                          u"&Makbuz"_qs}));
    // "Makbuz" is shown but cannot be chosen.
    QVERIFY(!menu->actions().last()->isEnabled());
    QVERIFY(menu->actions().last()->isVisible());
}

void TestApp::closingOrder_data() {
    QTest::addColumn<QStringList>("opened"); // menu actions, in the order chosen
    QTest::addColumn<bool>("byMenu");        // "Çıkış", or the frame
    QTest::addColumn<QStringList>("closed");
    QTest::newRow("all, by Çıkış")
        << QStringList{u"Ayarlar"_qs, u"otomatikbasim"_qs, u"otofaturalastir"_qs, u"hakkinda"_qs,
                       u"musteri"_qs}
        << true << QStringList{u"Form1"_qs, u"Form2"_qs, u"Form3"_qs,
                               u"Form5"_qs, u"Form7"_qs, u"Form4"_qs};
    QTest::newRow("one, by the frame")
        << QStringList{u"otofaturalastir"_qs} << false << QStringList{u"Form3"_qs, u"Form4"_qs};
}

void TestApp::closingOrder() {
    QFETCH(QStringList, opened);
    QFETCH(bool, byMenu);
    QFETCH(QStringList, closed);
    Windows windows;
    windows.showMain();
    Form4 *main = windows.mainWindow();
    for (const QString &action : opened) {
        main->findChild<QAction *>(action)->trigger();
        main->findChild<QAction *>(action)->trigger();
    }
    // Chosen twice, each window was loaded once and is shown beside the main window.
    CloseRecorder recorder;
    QStringList shown;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != main && w->isVisible() && w->objectName().startsWith(u"Form"_qs)) {
            shown << w->objectName();
            w->installEventFilter(&recorder);
        }
    }
    QCOMPARE(shown.size(), opened.size());
    QVERIFY(main->isVisible());
    // The main window's own close event comes before it closes the others: it is recorded
    // when it is gone.
    connect(main, &QObject::destroyed, &recorder, [&recorder] { recorder.order << u"Form4"_qs; });
    if (byMenu)
        main->findChild<QAction *>(u"cikis"_qs)->trigger();
    else
        main->close();
    QTRY_VERIFY(!windows.mainWindow());
    QCOMPARE(recorder.order, closed);
}

// A customer saved in the register opened by "Yeni Aç" reaches the invoice window's lists.
// Only the two customer lists change; the invoice in progress keeps its subtotal (and goes
// on adding to it), date, typed customer, lines and state.
void TestApp::savedCustomerReachesOpenInvoice() {
    Windows windows;
    Form3 *invoice = windows.openInvoice();
    child(invoice, "Text1")->setText(u"01.02.2024"_qs);
    child<QComboBox>(invoice, "Combo2")->setEditText(u"Elle Yazılan"_qs);
    child(invoice, "Text9")->setText(u"2"_qs);
    child(invoice, "Text10")->setText(u"7,50"_qs);
    child<QPushButton>(invoice, "Command2")->click();
    QCOMPARE(child(invoice, "Text5")->text(), u"15,00"_qs);
    const int rows = child<QTableWidget>(invoice, "MSFlexGrid1")->rowCount();

    // "Yeni Aç" opens the register, once.
    child<QPushButton>(invoice, "Command4")->click();
    Form2 *customers = windows.customers();
    QVERIFY(customers && customers->isVisible());
    child<QPushButton>(invoice, "Command4")->click();
    QCOMPARE(windows.customers(), customers);
    child<QComboBox>(customers, "Combo2")->setEditText(u"Şükrü Öztürk"_qs);
    child<QPushButton>(customers, "Command1")->click();
    QCOMPARE(items(child<QComboBox>(invoice, "Combo2")), QStringList{u"Şükrü Öztürk"_qs});
    QCOMPARE(items(child<QComboBox>(invoice, "Combo1")), QStringList{u"1"_qs});
    QCOMPARE(child(invoice, "Text1")->text(), u"01.02.2024"_qs);
    QCOMPARE(child<QComboBox>(invoice, "Combo2")->currentText(), u"Elle Yazılan"_qs);
    QCOMPARE(child<QTableWidget>(invoice, "MSFlexGrid1")->rowCount(), rows);
    QCOMPARE(invoice->state(), u"yeni"_qs);
    child(invoice, "Text9")->setText(u"1"_qs);
    child(invoice, "Text10")->setText(u"5"_qs);
    child<QPushButton>(invoice, "Command2")->click();
    QCOMPARE(child(invoice, "Text5")->text(), u"20,00"_qs);

    // Without an invoice window a save refreshes nothing and breaks nothing.
    invoice->close();
    QTRY_VERIFY(!windows.invoice());
    child<QComboBox>(customers, "Combo2")->setEditText(u"İkinci Müşteri"_qs);
    child<QPushButton>(customers, "Command1")->click();
    QVERIFY(!windows.invoice());
    QVERIFY(m_messages.isEmpty());
}

void TestApp::webPanel_data() {
    QTest::addColumn<QByteArray>("response"); // empty: the server never answers
    QTest::addColumn<QString>("shown");       // empty: the blank page
    QTest::newRow("UTF-8, said by the server")
        << httpResponse("200 OK", "text/html; charset=utf-8", "<p>Kampanya: yüzde 20</p>")
        << u"Kampanya: yüzde 20"_qs;
    // An old Turkish page that names no character set.
    QTest::newRow("Windows-1254, unsaid") << httpResponse("200 OK", "text/html",
                                                          "\xDDndirimli \xFE"
                                                          "eker")
                                          << u"İndirimli şeker"_qs;
    QTest::newRow("error status") << httpResponse("404 Not Found", "text/html; charset=utf-8",
                                                  "Bulunamadı")
                                  << QString();
    QTest::newRow("no answer") << QByteArray() << QString();
}

void TestApp::webPanel() {
    QFETCH(QByteArray, response);
    QFETCH(QString, shown);
    PageServer server;
    server.response = response;
    WebPanel panel;
    panel.setTimeout(300);
    QSignalSpy done(&panel, &WebPanel::finished);
    panel.navigate(server.url());
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 5000);
    QCOMPARE(done[0][0].toBool(), !shown.isEmpty());
    QCOMPARE(panel.currentUrl(), shown.isEmpty() ? QUrl(u"about:blank"_qs) : server.url());
    QCOMPARE(panel.toPlainText().trimmed(), shown);
    QVERIFY(m_messages.isEmpty());
}

void TestApp::makerLinks() {
    QStringList launched;
    bool browserWorks = true;
    setBrowserLauncher([&](const QString &address) { return launched << address, browserWorks; });
    Form4 w;
    auto *label1 = w.findChild<QLabel *>(u"Label1"_qs);
    Q_EMIT label1->linkActivated(u"x"_qs);
    QCOMPARE(launched.size(), 1);
    QVERIFY(launched[0].contains(u"example.com"_qs));
    QVERIFY(m_messages.isEmpty());

    // No browser: the user is told, with the address.
    browserWorks = false;
    Q_EMIT label1->linkActivated(u"x"_qs);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages[0].text.contains(launched[0].mid(7)));

    // The about box's address opens the site and closes the box.
    browserWorks = true;
    Form1 about;
    about.show();
    Q_EMIT about.findChild<QLabel *>(u"Label4"_qs)->linkActivated(u"x"_qs);
    QCOMPARE(launched.size(), 3);
    QTRY_VERIFY(!about.isVisible());
    setBrowserLauncher([](const QString &) { return true; });
}

QTEST_MAIN(TestApp)
#include "test_app.moc"
