#include "app/firstrun.h"
#include "app/windows.h"
#include "gui/Form1.h"
#include "gui/Form2.h"
#include "gui/Form3.h"
#include "gui/Form4.h"
#include "gui/browser.h"
#include "gui/buttonpictures.h"
#include "gui/messages.h"
#include "gui/webpanel.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"

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

namespace {

// Records the order in which windows receive their close event.
class CloseRecorder : public QObject {
public:
    QStringList order;
    bool eventFilter(QObject *o, QEvent *e) override {
        if (e->type() == QEvent::Close)
            order << o->objectName();
        return false;
    }
};

// Each action as "object name, caption".
QStringList entries(const QList<QAction *> &actions) {
    QStringList l;
    for (QAction *a : actions)
        l << a->objectName() + u", "_qs + a->text();
    return l;
}

QStringList items(QComboBox *c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

template <class T = QLineEdit> T *child(QWidget *w, const char *name) {
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup() { m_messages.clear(); }
    void firstStart();
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

void TestApp::initTestCase() {
    QDir::setCurrent(m_dir.path());
    ayarlari_yaz(defaultSettings());
    createDatabase(u"fatura.MDB"_qs);
    Messages::setTestHandler([this](const Messages::Message &m) { return m_messages << m, false; });
}

void TestApp::firstStart() {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString settings = dir.filePath(u"ayarlar.dat"_qs);
    const QString database = dir.filePath(u"fatura.MDB"_qs);
    const QString pressed = dir.filePath(pressedPictureFile());
    // Default settings, an empty database with both tables and the button pictures.
    QVERIFY(firstRun(dir).isEmpty());
    QCOMPARE(ayarlari_oku(23, settings), defaultSettings());
    {
        Database db(database);
        QSqlQuery q(db.db());
        QVERIFY(
            q.exec(u"SELECT (SELECT count(*) FROM MUSTERI) + (SELECT count(*) FROM faturalar)"_qs));
        QVERIFY(q.next() && q.value(0).toInt() == 0);
    }
    QVERIFY(!QImage(dir.filePath(raisedPictureFile())).isNull() && !QImage(pressed).isNull());

    // Settings without a database are the user's: nothing is written over or beside them but a
    // missing button picture.
    ayarlar own = defaultSettings();
    own.kdv_yuzde = u"8"_qs;
    ayarlari_yaz(own, settings);
    QVERIFY(QFile::remove(database) && QFile::remove(pressed));
    QVERIFY(firstRun(dir).isEmpty());
    QVERIFY(!QFile::exists(database));
    QCOMPARE(ayarlari_oku(2, settings).kdv_yuzde, u"8"_qs);
    QVERIFY(!QImage(pressed).isNull());

    // A directory nothing can be written in, even by root: the settings and the pictures are
    // both reported, with the path.
    QFile file(dir.filePath(u"file"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(firstRun(QDir(file.fileName() + u"/sub"_qs)).filter(file.fileName()).size(), 2);
}

void TestApp::menu() {
    Form4 w;
    const QList<QAction *> top = w.menuBar()->actions();
    auto *menu = w.findChild<QMenu *>(u"faturalama"_qs);
    QCOMPARE(top.value(0), menu->menuAction());
    QCOMPARE(menu->title(), u"&İşlemler"_qs);
    QCOMPARE(entries(top.mid(1)), (QStringList{u"Ayarlar, &Ayarlar"_qs, u"hakkinda, &Hakkında"_qs,
                                               u"cikis, &Çıkış"_qs}));
    QCOMPARE(entries(menu->actions()),
             (QStringList{u"musteri, &Müşteri Girişi"_qs, u"otofaturalastir, &Fatura Girişi"_qs,
                          u"otomatikbasim, &Otomatik Fatura Basım"_qs,
                          u"earsiv, &e-Arşiv Faturası"_qs, u"makbuz, &Makbuz"_qs}));
    // "Makbuz" is shown but cannot be chosen.
    QVERIFY(!menu->actions().last()->isEnabled() && menu->actions().last()->isVisible());
}

void TestApp::closingOrder_data() {
    QTest::addColumn<QString>("opened"); // menu actions, in the order chosen
    QTest::addColumn<bool>("byMenu");    // "Çıkış", or the frame
    QTest::addColumn<QString>("closed");
    QTest::newRow("all, by Çıkış") << u"Ayarlar otomatikbasim otofaturalastir hakkinda musteri"_qs
                                   << true << u"Form1 Form2 Form3 Form5 Form7 Form4"_qs;
    QTest::newRow("one, by the frame") << u"otofaturalastir"_qs << false << u"Form3 Form4"_qs;
}

void TestApp::closingOrder() {
    QFETCH(QString, opened);
    QFETCH(bool, byMenu);
    QFETCH(QString, closed);
    Workspace workspace; // the working folder the test made current
    Windows windows(workspace);
    windows.showMain();
    Form4 *main = windows.mainWindow();
    const QStringList actions = opened.split(u' ');
    for (const QString &action : actions + actions)
        main->findChild<QAction *>(action)->trigger();
    // Chosen twice, each window was loaded once and is shown beside the main window.
    CloseRecorder recorder;
    qsizetype shown = 0;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != main && w->isVisible() && w->objectName().startsWith(u"Form"_qs)) {
            ++shown;
            w->installEventFilter(&recorder);
        }
    }
    QVERIFY(main->isVisible());
    QCOMPARE(shown, actions.size());
    // The main window's own close event comes before it closes the others: it is recorded
    // when it is gone.
    connect(main, &QObject::destroyed, &recorder, [&recorder] { recorder.order << u"Form4"_qs; });
    if (byMenu)
        main->findChild<QAction *>(u"cikis"_qs)->trigger();
    else
        main->close();
    QTRY_VERIFY(!windows.mainWindow());
    QCOMPARE(recorder.order.join(u' '), closed);
}

// "Yeni Aç" opens the register once. A customer saved there reaches the invoice window's
// customer lists; the invoice in progress keeps its date, lines, state and subtotal, and goes
// on adding to it.
void TestApp::savedCustomerReachesOpenInvoice() {
    Workspace workspace; // the working folder the test made current
    Windows windows(workspace);
    Form3 *invoice = windows.openInvoice();
    const auto addLine = [invoice](const QString &quantity, const QString &price) {
        child(invoice, "Text9")->setText(quantity);
        child(invoice, "Text10")->setText(price);
        child<QPushButton>(invoice, "Command2")->click();
    };
    child(invoice, "Text1")->setText(u"01.02.2024"_qs);
    addLine(u"2"_qs, u"7,50"_qs);
    const int rows = child<QTableWidget>(invoice, "MSFlexGrid1")->rowCount();

    child<QPushButton>(invoice, "Command4")->click();
    Form2 *customers = windows.customers();
    child<QPushButton>(invoice, "Command4")->click();
    QVERIFY(customers && customers->isVisible() && windows.customers() == customers);
    child<QComboBox>(customers, "Combo2")->setEditText(u"Şükrü Öztürk"_qs);
    child<QPushButton>(customers, "Command1")->click();
    QCOMPARE(items(child<QComboBox>(invoice, "Combo2")), QStringList{u"Şükrü Öztürk"_qs});
    QCOMPARE(items(child<QComboBox>(invoice, "Combo1")), QStringList{u"1"_qs});
    QCOMPARE(child(invoice, "Text1")->text(), u"01.02.2024"_qs);
    QCOMPARE(child<QTableWidget>(invoice, "MSFlexGrid1")->rowCount(), rows);
    QCOMPARE(invoice->state(), u"yeni"_qs);
    addLine(u"1"_qs, u"5"_qs);
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
    QTest::addColumn<QByteArray>("status"); // empty: the server never answers
    QTest::addColumn<bool>("shown");        // or the blank page
    QTest::newRow("page") << QByteArray("200 OK") << true;
    QTest::newRow("error status") << QByteArray("404 Not Found") << false;
    QTest::newRow("no answer") << QByteArray() << false;
}

void TestApp::webPanel() {
    QFETCH(QByteArray, status);
    QFETCH(bool, shown);
    const QByteArray body = "<html><body><p>Kampanya: yüzde 20</p></body></html>";
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket *s = server.nextPendingConnection();
        connect(s, &QTcpSocket::readyRead, s, [&, s] {
            s->readAll();
            if (!status.isEmpty())
                s->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\n" +
                         "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        });
    });
    const QUrl page(u"http://127.0.0.1:%1/reklam/"_qs.arg(server.serverPort()));
    WebPanel panel;
    panel.setTimeout(300);
    QSignalSpy done(&panel, &WebPanel::finished);
    panel.navigate(page);
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 5000);
    QCOMPARE(done[0][0].toBool(), shown);
    QCOMPARE(panel.currentUrl(), shown ? page : QUrl(u"about:blank"_qs));
    QCOMPARE(panel.toPlainText().trimmed(), shown ? u"Kampanya: yüzde 20"_qs : QString());
    QVERIFY(m_messages.isEmpty());
}

void TestApp::makerLinks() {
    QStringList launched;
    bool browserWorks = true;
    setBrowserLauncher([&](const QString &address) { return launched << address, browserWorks; });
    Form4 w;
    auto *label1 = w.findChild<QLabel *>(u"Label1"_qs);
    Q_EMIT label1->linkActivated(u"x"_qs);
    QVERIFY(launched.size() == 1 && launched[0].contains(u"example.com"_qs));
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
