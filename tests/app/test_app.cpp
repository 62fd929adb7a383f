#include "app/firstrun.h"
#include "app/windows.h"
#include "gui/Form1.h"
#include "gui/Form2.h"
#include "gui/Form3.h"
#include "gui/Form4.h"
#include "gui/buttonpictures.h"
#include "gui/messages.h"
#include "gui/webpanel.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "tests/common/testdb.h"
#include "tests/common/windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

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

} // namespace

class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup() { m_messages.clear(); }
    void firstStart();
    void mainWindow();
    void closingOrder_data();
    void closingOrder();
    void savedCustomerReachesOpenInvoice();

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

// Default settings, an empty database with both tables and the button pictures. Settings
// without a database are the user's: nothing is written over or beside them but a missing
// button picture. A folder nothing can be written in, even by root: the settings and the
// pictures are both reported, with the path.
void TestApp::firstStart() {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString settings = dir.filePath(u"ayarlar.dat"_qs);
    const QString database = dir.filePath(u"fatura.MDB"_qs);
    const QString pressed = dir.filePath(pressedPictureFile());
    QVERIFY(firstRun(dir).isEmpty());
    QCOMPARE(ayarlari_oku(23, settings), defaultSettings());
    QCOMPARE(testdb::queryRows(database, u"SELECT (SELECT count(*) FROM MUSTERI) + "
                                         "(SELECT count(*) FROM faturalar)"_qs)[0][0]
                 .toInt(),
             0);
    QVERIFY(!QImage(dir.filePath(raisedPictureFile())).isNull() && !QImage(pressed).isNull());

    ayarlar own = defaultSettings();
    own.kdv_yuzde = u"8"_qs;
    ayarlari_yaz(own, settings);
    QVERIFY(QFile::remove(database) && QFile::remove(pressed));
    QVERIFY(firstRun(dir).isEmpty());
    QVERIFY(!QFile::exists(database) && !QImage(pressed).isNull());
    QCOMPARE(ayarlari_oku(2, settings).kdv_yuzde, u"8"_qs);

    QCOMPARE(firstRun(QDir(settings + u"/sub"_qs)).filter(settings).size(), 2);
}

void TestApp::closingOrder_data() {
    QTest::addColumn<QString>("opened"); // menu actions, in the order chosen
    QTest::addColumn<bool>("byMenu");    // "Çıkış", or the frame
    QTest::addColumn<QString>("closed");
    QTest::newRow("all, by Çıkış") << u"Ayarlar otomatikbasim otofaturalastir hakkinda musteri"_qs
                                   << true << u"Form1 Form2 Form3 Form5 Form7 Form4"_qs;
    QTest::newRow("one, by the frame") << u"otofaturalastir"_qs << false << u"Form3 Form4"_qs;
}

// Chosen twice, each window is loaded once and shown beside the main window; closing the
// main window closes them in a fixed order, itself last.
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
    CloseRecorder recorder;
    qsizetype shown = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != main && w->isVisible() && w->objectName().startsWith(u"Form"_qs)) {
            ++shown;
            w->installEventFilter(&recorder);
        }
    QVERIFY(main->isVisible());
    QCOMPARE(shown, actions.size());
    // The main window's own close event comes before it closes the others: it is recorded
    // when it is gone.
    connect(main, &QObject::destroyed, &recorder, [&recorder] { recorder.order << u"Form4"_qs; });
    byMenu ? main->findChild<QAction *>(u"cikis"_qs)->trigger() : void(main->close());
    QTRY_VERIFY(!windows.mainWindow());
    QCOMPARE(recorder.order.join(u' '), closed);
}

// "Yeni Aç" opens the register once. A customer saved there reaches the invoice window's
// customer lists; the invoice in progress keeps its date, lines, state and subtotal, and goes
// on adding to it. Without an invoice window a save refreshes nothing and breaks nothing.
void TestApp::savedCustomerReachesOpenInvoice() {
    Workspace workspace; // the working folder the test made current
    Windows windows(workspace);
    Form3 *invoice = windows.openInvoice();
    setText(invoice, "Text1", u"01.02.2024"_qs);
    addLine(invoice, {}, {}, u"2"_qs, u"7,50"_qs);
    const QList<QStringList> lines = grid(invoice);

    click(invoice, "Command4");
    Form2 *customers = windows.customers();
    click(invoice, "Command4");
    QVERIFY(customers && customers->isVisible() && windows.customers() == customers);
    setText(customers, "Combo2", u"Şükrü Öztürk"_qs);
    click(customers, "Command1");
    QCOMPARE(items(field<QComboBox>(invoice, "Combo1")) +
                 items(field<QComboBox>(invoice, "Combo2")),
             (QStringList{"1", "Şükrü Öztürk"}));
    QCOMPARE(grid(invoice), lines);
    QCOMPARE(text(invoice, "Text1") + invoice->state(), u"01.02.2024yeni"_qs);
    addLine(invoice, {}, {}, u"1"_qs, u"5"_qs);
    QCOMPARE(text(invoice, "Text5"), u"20,00"_qs);

    invoice->close();
    QTRY_VERIFY(!windows.invoice());
    setText(customers, "Combo2", u"İkinci Müşteri"_qs);
    click(customers, "Command1");
    QVERIFY(!windows.invoice());
    QVERIFY(m_messages.isEmpty());
}

// The menus' object names and captions; "Makbuz" is shown but cannot be chosen. The maker's
// link opens the site; without a browser the user is told, with the address. The about box's
// address opens the site and closes the box; so does a link in the advert panel.
void TestApp::mainWindow() {
    QStringList launched;
    bool browserWorks = true;
    Workspace workspace;
    workspace.seams.openUrl = [&](const QUrl &address) {
        return launched << address.toString(), browserWorks;
    };
    Form4 w(workspace);
    auto *menu = field<QMenu>(&w, "faturalama");
    QCOMPARE(w.menuBar()->actions().value(0), menu->menuAction());
    QCOMPARE(
        entries(w.menuBar()->actions()) + entries(menu->actions()),
        (QStringList{", &İşlemler", "Ayarlar, &Ayarlar", "hakkinda, &Hakkında", "cikis, &Çıkış",
                     "musteri, &Müşteri Girişi", "otofaturalastir, &Fatura Girişi",
                     "otomatikbasim, &Otomatik Fatura Basım", "earsiv, &e-Arşiv Faturası",
                     "makbuz, &Makbuz"}));
    QVERIFY(!menu->actions().last()->isEnabled() && menu->actions().last()->isVisible());

    auto *label1 = field<QLabel>(&w, "Label1");
    Q_EMIT label1->linkActivated(u"x"_qs);
    QVERIFY(launched.size() == 1 && launched[0].contains(u"example.com"_qs));
    browserWorks = false;
    Q_EMIT label1->linkActivated(u"x"_qs);
    QVERIFY(m_messages.size() == 1 && m_messages[0].text.contains(launched[0].mid(7)));
    browserWorks = true;
    Shown<Form1> about(workspace);
    Q_EMIT field<QLabel>(&about, "Label4")->linkActivated(u"x"_qs);
    QCOMPARE(launched.size(), 3);
    QTRY_VERIFY(!about.isVisible());
    Q_EMIT w.webPanel()->anchorClicked(QUrl(u"http://127.0.0.1/reklam"_qs));
    QCOMPARE(launched.size(), 4);
}

QTEST_MAIN(TestApp)
#include "test_app.moc"
